#include "platform/FileSystem.h"
#include "platform/FileNames.h"
#include "platform/FileOpsFaults.h"

#include <QCoreApplication>
#include <QFile>

#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform
{

namespace
{

constexpr double kUnixEpochDays = 25569.0; // 1 January 1970 counted from 30 December 1899

quint32 AttributesOf(const QString& name, const struct stat& st, bool isDir)
{
    quint32 attr = 0;
    if (isDir)
        attr |= faDirectory;
    else if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))
        attr |= faArchive;
    else
        attr |= faSysFile; // devices, FIFOs and sockets
    if (!(st.st_mode & S_IWUSR))
        attr |= faReadOnly;
    if (name.startsWith('.') && name != QLatin1String(".."))
        attr |= faHidden;
    return attr;
}

long OffsetAt(time_t t)
{
    struct tm local {
    };
    localtime_r(&t, &local);
    return local.tm_gmtoff;
}

// A zone's offset changes at its transitions only, and never twice within a quarter of
// an hour; when both ends of a quarter hour have one offset, the whole quarter has it.
// So two localtime_r calls per distinct quarter hour serve a directory, and only the
// quarter that holds a transition (some fall on a half hour, some on odd seconds) asks
// for each time.
long LocalOffsetFor(time_t t)
{
    constexpr time_t kQuarter = 900;
    thread_local time_t cachedStart = -1; // never a quarter's start
    thread_local long cachedZone = 0;
    thread_local long cachedOffset = 0;
    thread_local bool cachedWhole = false;
    const time_t start = t - ((t % kQuarter) + kQuarter) % kQuarter;
    if (start != cachedStart || cachedZone != ::timezone) {
        cachedOffset = OffsetAt(start);
        cachedWhole = OffsetAt(start + kQuarter - 1) == cachedOffset;
        cachedStart = start;
        cachedZone = ::timezone;
    }
    return cachedWhole ? cachedOffset : OffsetAt(t);
}

} // namespace

double ToDosDateTime(time_t t)
{
    qint64 local = qint64(t) + LocalOffsetFor(t);
    local -= ((local % 2) + 2) % 2; // even seconds, also before 1970
    const qint64 days = local >= 0 ? local / 86400 : -((-local + 86399) / 86400);
    const qint64 seconds = local - days * 86400;
    return kUnixEpochDays + double(days) + double(seconds) / 86400.0;
}

namespace
{

// One name of a directory and what stat said of it.
struct TRawEntry {
    std::string Name;
    struct stat St {
    };
    bool Found{false};
    bool IsDir{false};
};

// The names of a directory, without "." (and without ".." at "/"); counted into
// `progress` (may be null), and only some of them once it is cancelled.
std::vector<TRawEntry> ReadNames(DIR* dir, bool isRoot, const QString& directory,
                                 TFileOpsProgress* progress)
{
    std::vector<TRawEntry> entries;
    while (!CancelRequested(progress)) {
        FileOpsFault(TFileOpsStep::DirectoryEntry, directory);
        const dirent* d = readdir(dir);
        if (!d)
            break;
        const char* raw = d->d_name;
        if (raw[0] == '.' && (raw[1] == '\0' || (isRoot && raw[1] == '.' && raw[2] == '\0')))
            continue;
        if (progress)
            progress->AddItem();
        entries.push_back({raw, {}, false, false});
    }
    return entries;
}

// Stats entries [from, to): links followed, a dangling link taken as itself, a name
// that vanished since readdir left out.
void StatRange(int fd, std::vector<TRawEntry>& entries, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i) {
        TRawEntry& e = entries[i];
        if (fstatat(fd, e.Name.c_str(), &e.St, 0) == 0) {
            e.Found = true;
            e.IsDir = S_ISDIR(e.St.st_mode);
        } else {
            e.Found = fstatat(fd, e.Name.c_str(), &e.St, AT_SYMLINK_NOFOLLOW) == 0;
        }
    }
}

// The stat calls of a large directory are shared with a second thread: they are most of
// the cost of a listing and the file system serves them in parallel.
void StatAll(int fd, std::vector<TRawEntry>& entries)
{
    constexpr size_t kParallelFrom = 4096;
    if (entries.size() < kParallelFrom) {
        StatRange(fd, entries, 0, entries.size());
        return;
    }
    const size_t half = entries.size() / 2;
    std::thread helper([&] { StatRange(fd, entries, half, entries.size()); });
    StatRange(fd, entries, 0, half);
    helper.join();
}

} // namespace

bool SearchDirectory(const QString& directory, const std::function<void(TFoundEntry&&)>& found,
                     TFileOpsProgress* progress)
{
    if (!directory.startsWith('/'))
        return false;
    DIR* dir = opendir(platform::EncodeFileName(directory).constData());
    if (!dir)
        return false;
    std::vector<TRawEntry> entries =
        ReadNames(dir, directory == QLatin1String("/"), directory, progress);
    if (!CancelRequested(progress))
        StatAll(dirfd(dir), entries);
    closedir(dir);
    for (TRawEntry& raw : entries) {
        if (CancelRequested(progress))
            return false;
        if (!raw.Found)
            continue;
        TFoundEntry e;
        e.Name = platform::DecodeFileName(raw.Name.c_str());
        e.Size = raw.IsDir ? 0 : qint64(raw.St.st_size);
        e.DateTime = ToDosDateTime(raw.St.st_mtim.tv_sec);
        e.Attr = AttributesOf(e.Name, raw.St, raw.IsDir);
        found(std::move(e));
    }
    return true;
}

bool DirectoryExists(const QString& path)
{
    struct stat st {
    };
    return !path.isEmpty() && stat(platform::EncodeFileName(path).constData(), &st) == 0 &&
           S_ISDIR(st.st_mode);
}

bool FileExists(const QString& path)
{
    struct stat st {
    };
    return !path.isEmpty() && lstat(platform::EncodeFileName(path).constData(), &st) == 0 &&
           !S_ISDIR(st.st_mode);
}

QString ProgramDirectory()
{
    QString dir = QCoreApplication::applicationDirPath();
    return dir.endsWith('/') ? dir : dir + '/';
}

} // namespace platform
