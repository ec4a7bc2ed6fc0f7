#include "UnzExtract.h"

#include "PartFile.h"
#include "ZipOpen.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>
#include <zip.h>

namespace trvxlib
{
namespace
{

// A file descriptor closed when it goes.
class TFd final
{
public:
    explicit TFd(int fd = -1) : m_fd(fd) {}
    ~TFd() { Reset(); }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    TFd(TFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    TFd& operator=(TFd&& other) noexcept
    {
        Reset();
        m_fd = std::exchange(other.m_fd, -1);
        return *this;
    }
    int Get() const { return m_fd; }
    int Release() { return std::exchange(m_fd, -1); }
    void Reset()
    {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

struct TMember {
    zip_uint64_t Index{0};
    std::string Name;    // decoded as the directory reader decodes it (zip/ZipNames.h)
    std::string Guessed; // libzip's own reading, only when the directory gave no names
    zip_uint64_t Size{0};
    time_t MTime{0};
    mode_t Mode{0}; // Unix type and permissions when the archive stored them
};

class TExtractCommand final
{
public:
    TExtractCommand(const TUnzipCommand& command, TReporter& reporter)
        : m_command(command), m_reporter(reporter), m_archive(BufferText(command.ZipFilename)),
          m_specs(SpecList(command.FileSpecs, command.ArgCount))
    {
    }
    ~TExtractCommand()
    {
        if (m_za)
            zip_discard(m_za);
    }
    int32_t Run();

private:
    bool ReadMember(zip_uint64_t index, TMember& member) const;
    bool Selected(const TMember& member) const;
    void ExtractMember(const TMember& member);
    TFd OpenFolders(const std::vector<std::string>& folders, const TMember& member);
    bool ShouldWrite(int dir, const std::string& leaf, const TMember& member, bool& exists);
    bool WriteFile(int dir, const std::string& leaf, const TMember& member, bool replace);
    bool CopyData(int fd, const TMember& member);
    void Skip(const TMember& member, const std::string& why);

    const TUnzipCommand& m_command;
    TReporter& m_reporter;
    std::string m_archive;
    std::vector<std::string> m_specs;
    std::set<std::string> m_found; // names of the members selected
    zip_t* m_za{nullptr};
    std::vector<std::string> m_names; // of the members, in libzip's order
    TFd m_target;                     // the current directory when the call began
    int32_t m_written{0};
};

// The target folder is opened once: whatever changes the process's current directory
// during the call, every file is created below this descriptor.
int32_t TExtractCommand::Run()
{
    m_target = TFd(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (m_target.Get() < 0) {
        m_reporter.Message(1,
                           std::string("Cannot open the target folder: ") + std::strerror(errno));
        return 0;
    }
    RemoveStaleParts(m_target.Get());
    const TOpenedArchive opened = OpenArchive(m_archive, ZIP_RDONLY);
    m_za = opened.Archive;
    if (!m_za) {
        m_reporter.Message(opened.Code, opened.Message);
        return 0;
    }
    const zip_int64_t total = zip_get_num_entries(m_za, 0);
    m_names = MemberNames(m_archive);
    if (m_names.size() != size_t(total))
        m_names.clear();
    for (zip_int64_t i = 0; i < total && !m_reporter.Cancelled(); ++i) {
        TMember member;
        if (!ReadMember(zip_uint64_t(i), member))
            continue;
        if (!Selected(member))
            continue;
        m_found.insert(member.Name);
        m_found.insert(member.Guessed);
        ExtractMember(member);
    }
    // A name asked for exactly that no member has is said, rather than left unexplained.
    for (const std::string& spec : m_specs)
        if (m_command.ExactNames && !m_reporter.Cancelled() && !m_found.count(spec))
            m_reporter.Message(6, "Skipped " + spec + ": the archive holds no member of that name");
    return m_written;
}

bool TExtractCommand::ReadMember(zip_uint64_t index, TMember& member) const
{
    zip_stat_t st;
    if (!m_names.empty()) {
        member.Name = member.Guessed = m_names[index];
    } else {
        const char* name = zip_get_name(m_za, index, ZIP_FL_ENC_STRICT);
        if (!name)
            return false;
        member.Name = name; // copied before the next call may reuse libzip's buffer
        const char* guessed = zip_get_name(m_za, index, 0);
        if (!guessed)
            return false;
        member.Guessed = guessed;
    }
    if (zip_stat_index(m_za, index, 0, &st) != 0)
        return false;
    member.Index = index;
    member.Size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
    member.MTime = (st.valid & ZIP_STAT_MTIME) ? st.mtime : 0;
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(m_za, index, 0, &system, &attributes) == 0 &&
        system == ZIP_OPSYS_UNIX)
        member.Mode = mode_t(attributes >> 16);
    return true;
}

bool TExtractCommand::Selected(const TMember& member) const
{
    const bool exact = m_command.ExactNames != 0;
    if (m_specs.empty())
        return !exact;
    return MatchesAny(m_specs, member.Name, exact) || MatchesAny(m_specs, member.Guessed, exact);
}

std::string Damaged(const TMember& member, const char* what)
{
    return std::string("the member is damaged: ") + what + " the " + std::to_string(member.Size) +
           " bytes its header declares";
}

void TExtractCommand::Skip(const TMember& member, const std::string& why)
{
    m_reporter.Message(6, "Skipped " + member.Name + ": " + why);
}

void TExtractCommand::ExtractMember(const TMember& member)
{
    if (member.Name.empty()) {
        Skip(member, "it has no name");
        return;
    }
    const char last = member.Name.back();
    const bool folder = last == '/' || last == '\\' || S_ISDIR(member.Mode);
    if (folder && !m_command.DirNames)
        return;
    // A special file's mode with data (what `zip` stores when it reads a pipe) is
    // extracted as a file with that data; links are never extracted.
    if (!folder && S_ISLNK(member.Mode)) {
        Skip(member, "links are not extracted");
        return;
    }
    if ((member.Mode & S_IFMT) != 0 && !folder && !S_ISREG(member.Mode) && member.Size == 0) {
        Skip(member, "not a regular file");
        return;
    }
    std::vector<std::string> parts;
    if (!SafeRelativeParts(member.Name, parts)) {
        Skip(member, "its name leads outside the target folder");
        return;
    }
    if (!m_command.DirNames)
        parts.erase(parts.begin(), parts.end() - 1);
    const std::string leaf = folder ? std::string() : parts.back();
    if (!folder)
        parts.pop_back();
    TFd dir = OpenFolders(parts, member);
    if (dir.Get() < 0 || folder)
        return;
    bool exists = false;
    if (!ShouldWrite(dir.Get(), leaf, member, exists))
        return;
    m_reporter.FileStart(member.Name, (long long)member.Size);
    if (WriteFile(dir.Get(), leaf, member, exists))
        ++m_written;
    m_reporter.FileStep();
}

// Opens (creating when missing) each folder below the target folder without following
// links, so an existing link cannot lead the extraction elsewhere.
TFd TExtractCommand::OpenFolders(const std::vector<std::string>& folders, const TMember& member)
{
    TFd dir(openat(m_target.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (const std::string& name : folders) {
        if (dir.Get() < 0)
            break;
        if (mkdirat(dir.Get(), name.c_str(), 0777) != 0 && errno != EEXIST) {
            Skip(member, "cannot create folder " + name + ": " + std::strerror(errno));
            return TFd();
        }
        TFd next(openat(dir.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (next.Get() < 0) {
            Skip(member, "cannot enter folder " + name + ": " + std::strerror(errno));
            return TFd();
        }
        dir = std::move(next);
    }
    return dir;
}

bool TExtractCommand::ShouldWrite(int dir, const std::string& leaf, const TMember& member,
                                  bool& exists)
{
    struct stat st {
    };
    exists = fstatat(dir, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists)
        return !m_command.Freshen;
    if (!S_ISREG(st.st_mode)) {
        Skip(member, "a folder or link of that name is in the way");
        return false;
    }
    if (m_command.OverWrite)
        return true;
    if ((m_command.Update || m_command.Freshen) && member.MTime > st.st_mtime + 1)
        return true;
    m_reporter.Note("Not replaced: " + member.Name);
    return false;
}

// The data goes into a temporary file of the folder, which takes the member's name only
// once it is complete: a new file by a rename that never replaces (a file that appeared
// meanwhile is kept), a replacement by a rename over the old file.
bool TExtractCommand::WriteFile(int dir, const std::string& leaf, const TMember& member,
                                bool replace)
{
    const mode_t mode = (member.Mode & 0777) ? (member.Mode & 0777) : 0666;
    std::string part;
    TFd fd(CreatePartFile(dir, leaf, mode, part));
    if (fd.Get() < 0) {
        Skip(member, std::string("cannot create file: ") + std::strerror(errno));
        return false;
    }
    bool ok = CopyData(fd.Get(), member);
    if (ok && member.MTime > 0) {
        const timespec times[2] = {{member.MTime, 0}, {member.MTime, 0}};
        futimens(fd.Get(), times);
    }
    if (close(fd.Release()) != 0 && ok) {
        ok = false;
        Skip(member, std::string("cannot write file: ") + std::strerror(errno));
    }
    if (ok && !replace && !CommitPartFile(dir, part, leaf)) {
        ok = false;
        Skip(member, errno == EEXIST
                         ? std::string("a file of that name appeared meanwhile; it is kept")
                         : std::string("cannot name file: ") + std::strerror(errno));
    }
    if (ok && replace && renameat(dir, part.c_str(), dir, leaf.c_str()) != 0) {
        ok = false;
        Skip(member, std::string("cannot replace file: ") + std::strerror(errno));
    }
    if (!ok)
        unlinkat(dir, part.c_str(), 0);
    return ok;
}

// Counts the bytes written, which sends a step after each MiB, so a cancel in the middle
// of a large member stops it within one step; the caller then removes the partly
// written file.
// The member's declared size is held: data that runs past it, or ends short of it, is
// damage (a crafted member can expand far beyond what its header says), and nothing
// past the declared size is written.
bool TExtractCommand::CopyData(int fd, const TMember& member)
{
    zip_file_t* in = zip_fopen_index(m_za, member.Index, 0);
    if (!in) {
        Skip(member, zip_strerror(m_za));
        return false;
    }
    std::vector<char> buffer(64 * 1024);
    bool ok = true;
    zip_uint64_t total = 0;
    constexpr zip_int64_t kCheckBytes = 1 << 20;
    zip_int64_t sinceCheck = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(in, buffer.data(), buffer.size());
        if (n < 0) {
            Skip(member, zip_file_strerror(in));
            ok = false;
            break;
        }
        if (n == 0) {
            if (total != member.Size) {
                Skip(member, Damaged(member, "its data ends before"));
                ok = false;
            }
            break;
        }
        if (zip_uint64_t(n) > member.Size - total) {
            Skip(member, Damaged(member, "its data runs past"));
            ok = false;
            break;
        }
        total += zip_uint64_t(n);
        for (zip_int64_t done = 0; done < n;) {
            const ssize_t w = write(fd, buffer.data() + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                Skip(member, std::string("cannot write file: ") + std::strerror(errno));
                zip_fclose(in);
                return false;
            }
            done += w;
        }
        m_reporter.AddBytes(n); // a step after each MiB, which may ask to stop
        if ((sinceCheck += n) >= kCheckBytes) {
            sinceCheck = 0;
            if (m_reporter.Cancelled()) {
                ok = false;
                break;
            }
        }
    }
    zip_fclose(in);
    return ok;
}

} // namespace

int32_t ExtractMembers(const TUnzipCommand& command, TReporter& reporter)
{
    return TExtractCommand(command, reporter).Run();
}

} // namespace trvxlib
