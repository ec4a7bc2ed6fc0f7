#include "ZipAdd.h"

#include "ZipFileSource.h"
#include "ZipFileUtil.h"
#include "ZipOpen.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <zip.h>

namespace trvxlib
{
namespace
{

struct TSource {
    std::string Path;
    std::string Name; // as stored; folders end in "/"
    struct stat Stat {
    };
};

// Relative file specs start from the current directory as it is when the call begins:
// it is opened once, and every file is found and read through that descriptor.
class TAddCommand final
{
public:
    TAddCommand(const TZipCommand& command, TReporter& reporter)
        : m_command(command), m_reporter(reporter),
          m_archive(RealArchivePath(BufferText(command.ZipFilename))),
          m_base(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        fstatat(m_base, m_archive.c_str(), &m_archiveStat, 0);
    }
    ~TAddCommand()
    {
        if (m_base >= 0)
            close(m_base);
    }
    TAddCommand(const TAddCommand&) = delete;
    TAddCommand& operator=(const TAddCommand&) = delete;
    int32_t Run();

private:
    void Collect(const std::string& spec);
    void CollectWildcard(const std::string& spec);
    void CollectPath(const std::string& path, const struct stat& st);
    void Walk(const std::string& folder);
    DIR* OpenFolder(const std::string& folder) const;
    std::string StoredName(const std::string& path, bool folder) const;
    zip_int64_t Locate(zip_t* za, const std::string& name) const;
    bool Wanted(zip_t* za, const TSource& source, zip_int64_t index) const;
    bool Store(zip_t* za, const TSource& source, zip_int64_t index);
    int32_t Finish(zip_t* za, int32_t stored);

    const TZipCommand& m_command;
    std::string m_prefix; // before every stored name (NamePrefix)
    TReporter& m_reporter;
    std::string m_archive;
    int m_base{-1};
    struct stat m_archiveStat {
    };
    std::vector<TSource> m_sources;
    std::vector<std::string> m_moved;
    std::unordered_map<std::string, zip_int64_t> m_members; // by their decoded names
};

bool HasWildcard(const std::string& s)
{
    return s.find_first_of("*?") != std::string::npos;
}
bool IsHidden(const char* name)
{
    return name[0] == '.';
}

std::string Join(const std::string& folder, const char* name)
{
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

void TAddCommand::Collect(const std::string& spec)
{
    struct stat st {
    };
    if (fstatat(m_base, spec.c_str(), &st, 0) == 0)
        CollectPath(spec, st);
    else if (HasWildcard(spec) && !m_command.ExactNames)
        CollectWildcard(spec);
    else
        m_reporter.Message(2, "Name not matched: " + spec);
}

void TAddCommand::CollectWildcard(const std::string& spec)
{
    const size_t slash = spec.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : spec.substr(0, slash + 1);
    const std::string pattern = slash == std::string::npos ? spec : spec.substr(slash + 1);
    DIR* dir = OpenFolder(folder);
    bool any = false;
    while (dirent* e = dir ? readdir(dir) : nullptr) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, ".."))
            continue;
        if (fnmatch(pattern.c_str(), e->d_name, FNM_NOESCAPE) != 0 ||
            (IsHidden(e->d_name) && !m_command.HiddenFiles))
            continue;
        const std::string path = slash == std::string::npos ? e->d_name : Join(folder, e->d_name);
        struct stat st {
        };
        if (fstatat(m_base, path.c_str(), &st, 0) == 0) {
            CollectPath(path, st);
            any = true;
        }
    }
    if (dir)
        closedir(dir);
    if (!any)
        m_reporter.Message(2, "Name not matched: " + spec);
}

void TAddCommand::CollectPath(const std::string& path, const struct stat& st)
{
    if (st.st_dev == m_archiveStat.st_dev && st.st_ino == m_archiveStat.st_ino)
        return;
    if (S_ISREG(st.st_mode)) {
        m_sources.push_back({path, StoredName(path, false), st});
    } else if (S_ISDIR(st.st_mode)) {
        if (!m_command.JunkDirNames)
            m_sources.push_back({path, StoredName(path, true), st});
        if (m_command.Recurse)
            Walk(path);
    } else {
        m_reporter.Note("Skipped (not a regular file): " + path);
    }
}

DIR* TAddCommand::OpenFolder(const std::string& folder) const
{
    const int fd = openat(m_base, folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!dir && fd >= 0) {
        const int saved = errno;
        close(fd);
        errno = saved;
    }
    return dir;
}

// Folders reached through links are not entered, so a link loop cannot recurse.
void TAddCommand::Walk(const std::string& folder)
{
    DIR* dir = OpenFolder(folder);
    if (!dir) {
        m_reporter.Message(2, "Cannot read folder " + folder + ": " + std::strerror(errno));
        return;
    }
    while (dirent* e = readdir(dir)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, ".."))
            continue;
        if (IsHidden(e->d_name) && !m_command.HiddenFiles)
            continue;
        const std::string path = Join(folder, e->d_name);
        struct stat link {
        }, st{};
        if (fstatat(m_base, path.c_str(), &link, AT_SYMLINK_NOFOLLOW) != 0 ||
            fstatat(m_base, path.c_str(), &st, 0) != 0)
            continue;
        if (S_ISDIR(st.st_mode) && S_ISLNK(link.st_mode))
            continue;
        CollectPath(path, st);
    }
    closedir(dir);
}

// With folder names: the path without its leading "/", "./" and "../" parts.
// Without: the last part only.
std::string TAddCommand::StoredName(const std::string& path, bool folder) const
{
    std::vector<std::string> parts;
    std::string part;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/') {
            part += path[i];
            continue;
        }
        if (!part.empty() && part != "." && part != "..")
            parts.push_back(part);
        part.clear();
    }
    std::string name;
    if (m_command.JunkDirNames) {
        name = parts.empty() ? std::string() : parts.back();
    } else {
        for (const std::string& p : parts)
            name += (name.empty() ? "" : "/") + p;
    }
    return m_prefix + (folder && !name.empty() ? name + "/" : name);
}

// The member a file replaces: the one whose name reads as the directory reader reads it
// (a Latin-1 name from Unix is its bytes, which libzip would read as code page 437),
// else as libzip reads it; -1 for none.
zip_int64_t TAddCommand::Locate(zip_t* za, const std::string& name) const
{
    if (const auto found = m_members.find(name); found != m_members.end())
        return found->second;
    const zip_int64_t index = zip_name_locate(za, name.c_str(), 0);
    return index >= 0 ? index : zip_name_locate(za, name.c_str(), ZIP_FL_ENC_RAW);
}

// Update and freshen replace a member only with a newer file (two seconds being the
// resolution of ZIP times); freshen adds nothing new. Folder entries are added once.
bool TAddCommand::Wanted(zip_t* za, const TSource& source, zip_int64_t index) const
{
    if (index < 0)
        return !m_command.Freshen;
    if (S_ISDIR(source.Stat.st_mode))
        return false;
    if (!m_command.Update && !m_command.Freshen)
        return true;
    zip_stat_t st;
    if (zip_stat_index(za, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_MTIME))
        return true;
    return source.Stat.st_mtime > st.mtime + 1;
}

bool TAddCommand::Store(zip_t* za, const TSource& source, zip_int64_t index)
{
    if (S_ISDIR(source.Stat.st_mode)) {
        std::string name = source.Name;
        name.pop_back();
        return zip_dir_add(za, name.c_str(), ZIP_FL_ENC_GUESS) >= 0;
    }
    zip_source_t* data = CreateFileSource(za, m_base, source.Path, source.Stat, m_reporter);
    if (!data)
        return false;
    if (index >= 0)
        index = zip_file_replace(za, zip_uint64_t(index), data, 0) == 0 ? index : -1;
    else
        index = zip_file_add(za, source.Name.c_str(), data, ZIP_FL_OVERWRITE | ZIP_FL_ENC_GUESS);
    if (index < 0) {
        zip_source_free(data);
        return false;
    }
    const int level = std::clamp(m_command.Level, 0, 9);
    zip_set_file_compression(za, zip_uint64_t(index), level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                             zip_uint32_t(level));
    zip_file_set_external_attributes(za, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                     zip_uint32_t(source.Stat.st_mode & 0xFFFF) << 16);
    return true;
}

int32_t TAddCommand::Run()
{
    if (m_base < 0) {
        m_reporter.Message(1,
                           std::string("Cannot open the current folder: ") + std::strerror(errno));
        return 0;
    }
    std::vector<std::string> specs = SpecList(m_command.FileSpecs, m_command.ArgCount);
    if (m_command.NamePrefix) {
        // A folder of plain parts only: the names stored below it stay inside the archive's
        // tree, whatever the prefix says.
        std::vector<std::string> parts;
        std::string plain;
        if (!specs.empty() && SafeRelativeParts(specs.front(), parts))
            for (const std::string& part : parts)
                plain += part + "/";
        if (specs.empty() || parts.empty() || plain != specs.front() ||
            specs.front().find('\\') != std::string::npos) {
            m_reporter.Message(1, "Refused: the folder to add into is not a plain folder name");
            return 0;
        }
        m_prefix = specs.front();
        specs.erase(specs.begin());
    }
    for (const std::string& spec : specs)
        Collect(spec);
    if (m_sources.empty())
        return 0;
    const TOpenedArchive opened = OpenArchive(m_archive, ZIP_CREATE);
    zip_t* za = opened.Archive;
    if (!za) {
        m_reporter.Message(opened.Code, opened.Message);
        return 0;
    }
    const std::vector<std::string> names = MemberNames(m_archive);
    if (names.size() == size_t(zip_get_num_entries(za, 0)))
        for (size_t i = 0; i < names.size(); ++i)
            m_members.emplace(names[i], zip_int64_t(i));
    int32_t stored = 0;
    for (const TSource& source : m_sources) {
        if (m_reporter.Cancelled())
            break;
        const zip_int64_t index = Locate(za, source.Name);
        if (!Wanted(za, source, index))
            continue;
        if (S_ISDIR(source.Stat.st_mode)) // a file starts when libzip reads it
            m_reporter.FileStart(source.Path, 0);
        if (!Store(za, source, index)) {
            m_reporter.Message(3, "Cannot add " + source.Path + ": " + zip_strerror(za));
            continue;
        }
        ++stored;
        if (S_ISREG(source.Stat.st_mode))
            m_moved.push_back(source.Path);
    }
    return Finish(za, stored);
}

// Writes the archive (libzip writes a temporary file and renames it, so a failure
// leaves the old archive whole); only then are moved sources deleted.
int32_t TAddCommand::Finish(zip_t* za, int32_t stored)
{
    if (stored == 0 || m_reporter.Cancelled()) {
        zip_discard(za);
        return 0;
    }
    ReportWhileWriting(za, m_reporter);
    if (zip_close(za) != 0) {
        if (!m_reporter.Cancelled()) // a cancel is said by the caller
            m_reporter.Message(4, WriteFailure(za, m_archive));
        zip_discard(za);
        return 0;
    }
    if (m_command.Move) {
        for (const std::string& path : m_moved) {
            if (unlinkat(m_base, path.c_str(), 0) != 0)
                m_reporter.Message(5, "Cannot delete " + path + ": " + std::strerror(errno));
        }
    }
    if (m_command.LatestTime)
        SetArchiveTimeToNewest(m_archive);
    return stored;
}

} // namespace

int32_t AddFiles(const TZipCommand& command, TReporter& reporter)
{
    return TAddCommand(command, reporter).Run();
}

} // namespace trvxlib
