#include "PartFile.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace trvxlib
{
namespace
{

constexpr char kTag[] = ".trvx";
constexpr char kSuffix[] = ".part";
constexpr size_t kRandom = 6;
constexpr size_t kNameBytes = 200; // room for the additions within NAME_MAX

std::string RandomText()
{
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 engine{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, sizeof kChars - 2);
    std::string text;
    for (size_t i = 0; i < kRandom; ++i)
        text += kChars[pick(engine)];
    return text;
}

// `name` cut to at most kNameBytes, never inside a UTF-8 sequence.
std::string Shortened(const std::string& name)
{
    if (name.size() <= kNameBytes)
        return name;
    size_t end = kNameBytes;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    return name.substr(0, end);
}

bool ProcessRuns(pid_t pid)
{
    return kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

int CreatePartFile(int dir, const std::string& name, mode_t mode, std::string& partName)
{
    const std::string stem = "." + Shortened(name) + kTag + std::to_string(getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        partName = stem + RandomText() + kSuffix;
        const int fd =
            openat(dir, partName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool CommitPartFile(int dir, const std::string& partName, const std::string& name)
{
#ifdef SYS_renameat2
    if (syscall(SYS_renameat2, dir, partName.c_str(), dir, name.c_str(), 1 /* NOREPLACE */) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    if (linkat(dir, partName.c_str(), dir, name.c_str(), 0) != 0)
        return false;
    unlinkat(dir, partName.c_str(), 0);
    return true;
}

bool IsPartName(const std::string& entry, pid_t& pid)
{
    const size_t suffix = sizeof kSuffix - 1;
    if (entry.size() < 1 + sizeof kTag + kRandom + suffix || entry[0] != '.' ||
        entry.compare(entry.size() - suffix, suffix, kSuffix) != 0)
        return false;
    const size_t dash = entry.size() - suffix - kRandom - 1;
    if (entry[dash] != '-')
        return false;
    const size_t tag = entry.rfind(kTag, dash);
    if (tag == std::string::npos || tag == 0)
        return false;
    const std::string digits = entry.substr(tag + sizeof kTag - 1, dash - tag - (sizeof kTag - 1));
    if (digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    pid = pid_t(std::stol(digits));
    return pid > 0;
}

int RemoveStaleParts(int dir)
{
    const int copy = openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* d = copy >= 0 ? fdopendir(copy) : nullptr;
    if (!d) {
        if (copy >= 0)
            close(copy);
        return 0;
    }
    int removed = 0;
    while (dirent* e = readdir(d)) {
        pid_t pid = 0;
        struct stat st {
        };
        if (!IsPartName(e->d_name, pid) || pid == getpid() || ProcessRuns(pid))
            continue;
        if (fstatat(dir, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != geteuid())
            continue;
        if (unlinkat(dir, e->d_name, 0) == 0)
            ++removed;
    }
    closedir(d);
    return removed;
}

} // namespace trvxlib
