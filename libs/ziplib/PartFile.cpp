#include "PartFile.h"

#include "platform/base/NoReplaceRename.h"
#include "platform/base/OwnerTag.h"
#include "platform/base/PartName.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace trvxlib
{
namespace
{

std::string RandomText()
{
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 engine{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, sizeof kChars - 2);
    std::string text;
    for (size_t i = 0; i < trvxbase::kPartRandomChars; ++i)
        text += kChars[pick(engine)];
    return text;
}

} // namespace

int CreatePartFile(int dir, const std::string& name, mode_t mode, std::string& partName)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        partName = trvxbase::PartFileName(name, RandomText());
        const int fd =
            openat(dir, partName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool CommitPartFile(int dir, const std::string& partName, const std::string& name)
{
    const int error = trvxbase::RenameNoReplace(dir, partName.c_str(), dir, name.c_str());
    errno = error;
    return error == 0;
}

bool IsPartName(const std::string& entry, pid_t& pid)
{
    return trvxbase::IsOwnerTag(trvxbase::PartNameTag(entry), pid);
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
        const std::string_view tag = trvxbase::PartNameTag(e->d_name);
        struct stat st {
        };
        if (tag.empty() || fstatat(dir, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || st.st_uid != geteuid() ||
            !trvxbase::LeftOverMayGo(tag, st.st_mtime))
            continue;
        if (unlinkat(dir, e->d_name, 0) == 0)
            ++removed;
    }
    closedir(d);
    return removed;
}

} // namespace trvxlib
