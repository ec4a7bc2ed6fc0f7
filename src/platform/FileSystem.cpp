#include "platform/FileSystem.h"
#include "platform/FileNames.h"
#include "platform/FileOpsFaults.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cstring>
#include <memory>
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

// The names of a directory, end to end with their terminating zeros, in blocks that
// never move once filled: a name's pointer stays valid while more names come.
class TNameBlocks final
{
public:
    const char* Add(const char* name)
    {
        const size_t size = std::strlen(name) + 1;
        if (m_blocks.empty() || m_used + size > kBlock) {
            if (!m_blocks.empty())
                m_sizes.push_back(m_used);
            m_blocks.push_back(std::make_unique_for_overwrite<char[]>(std::max(kBlock, size)));
            m_used = 0;
        }
        char* at = m_blocks.back().get() + m_used;
        std::memcpy(at, name, size);
        m_used += size;
        return at;
    }

    // The names in the order they came: `at` starts at {0, 0}.
    struct TCursor {
        size_t Block{0};
        size_t Offset{0};
    };
    const char* Next(TCursor& at) const
    {
        if (at.Block + 1 < m_blocks.size() ? at.Offset >= m_sizes[at.Block] : at.Offset >= m_used) {
            ++at.Block;
            at.Offset = 0;
        }
        const char* name = m_blocks[at.Block].get() + at.Offset;
        at.Offset += std::strlen(name) + 1;
        return name;
    }

private:
    static constexpr size_t kBlock = 1 << 20;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::vector<size_t> m_sizes; // bytes used in each full block
    size_t m_used{0};
};

// One name of a directory and what stat said of it: only what an entry needs, so that a
// large directory costs little more than its names while it is read.
struct TRawEntry {
    const char* Name{nullptr};
    qint64 Size{0};
    time_t Time{0};
    bool Found{false};
    bool IsDir{false};
    bool Writable{false};
    bool Regular{false}; // a regular file or a link: the archive bit
};

// The names of a directory, without "." (and without ".." at "/"); counted into
// `progress` (may be null), and only some of them once it is cancelled. Returns their
// number.
size_t ReadNames(DIR* dir, bool isRoot, const QString& directory, TNameBlocks& names,
                 TFileOpsProgress* progress)
{
    size_t count = 0;
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
        names.Add(raw);
        ++count;
    }
    return count;
}

// Stats entries [from, to): links followed, a dangling link taken as itself, a name
// that vanished since readdir left out.
void StatRange(int fd, std::vector<TRawEntry>& entries, size_t from, size_t to,
               const TFileOpsProgress* progress)
{
    for (size_t i = from; i < to && !CancelRequested(progress); ++i) {
        TRawEntry& e = entries[i];
        struct stat st {
        };
        if (fstatat(fd, e.Name, &st, 0) == 0) {
            e.Found = true;
            e.IsDir = S_ISDIR(st.st_mode);
        } else {
            e.Found = fstatat(fd, e.Name, &st, AT_SYMLINK_NOFOLLOW) == 0;
        }
        e.Size = e.IsDir ? 0 : qint64(st.st_size);
        e.Time = st.st_mtim.tv_sec;
        e.Writable = (st.st_mode & S_IWUSR) != 0;
        e.Regular = S_ISREG(st.st_mode) || S_ISLNK(st.st_mode);
    }
}

// The stat calls of a large directory are shared with a second thread: they are most of
// the cost of a listing and the file system serves them in parallel.
void StatAll(int fd, std::vector<TRawEntry>& entries, const TFileOpsProgress* progress)
{
    constexpr size_t kParallelFrom = 4096;
    if (entries.size() < kParallelFrom) {
        StatRange(fd, entries, 0, entries.size(), progress);
        return;
    }
    const size_t half = entries.size() / 2;
    std::thread helper([&] { StatRange(fd, entries, half, entries.size(), progress); });
    StatRange(fd, entries, 0, half, progress);
    helper.join();
}

quint32 AttributesOf(const QString& name, const TRawEntry& raw)
{
    quint32 attr = 0;
    if (raw.IsDir)
        attr |= faDirectory;
    else if (raw.Regular)
        attr |= faArchive;
    else
        attr |= faSysFile; // devices, FIFOs and sockets
    if (!raw.Writable)
        attr |= faReadOnly;
    if (name.startsWith('.') && name != QLatin1String(".."))
        attr |= faHidden;
    return attr;
}

// A name's bytes as a QString; plain ASCII, the common case, without a detour.
QString NameOf(const char* raw)
{
    const size_t size = std::strlen(raw);
    if (std::all_of(raw, raw + size, [](char c) { return uchar(c) < 0x80; }))
        return QString::fromLatin1(raw, qsizetype(size));
    return platform::DecodeFileName(QByteArray::fromRawData(raw, qsizetype(size)));
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
    TNameBlocks names;
    const size_t count =
        ReadNames(dir, directory == QLatin1String("/"), directory, names, progress);
    // Stat results are kept for one block of names at a time.
    constexpr size_t kStatBlock = 16384;
    std::vector<TRawEntry> entries;
    entries.reserve(std::min(count, kStatBlock));
    TNameBlocks::TCursor cursor;
    for (size_t done = 0; done < count; done += entries.size()) {
        entries.assign(std::min(count - done, kStatBlock), {});
        for (TRawEntry& raw : entries)
            raw.Name = names.Next(cursor);
        StatAll(dirfd(dir), entries, progress);
        if (CancelRequested(progress)) {
            closedir(dir);
            return false;
        }
        for (const TRawEntry& raw : entries) {
            if (!raw.Found)
                continue;
            TFoundEntry e;
            e.Name = NameOf(raw.Name);
            e.Size = raw.Size;
            e.DateTime = ToDosDateTime(raw.Time);
            e.Attr = AttributesOf(e.Name, raw);
            e.Expected = int(count);
            found(std::move(e));
        }
    }
    closedir(dir);
    return !CancelRequested(progress); // a cancelled read may have stopped anywhere
}

bool DirectoryExists(const QString& path)
{
    struct stat st {
    };
    return !path.isEmpty() && stat(platform::EncodeFileName(path).constData(), &st) == 0 &&
           S_ISDIR(st.st_mode);
}

bool GetDirectoryStamp(const QString& path, TDirectoryStamp& stamp)
{
    struct stat st {
    };
    if (!path.startsWith('/') || stat(platform::EncodeFileName(path).constData(), &st) != 0 ||
        !S_ISDIR(st.st_mode))
        return false;
    stamp.Device = quint64(st.st_dev);
    stamp.Inode = quint64(st.st_ino);
    stamp.ModifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.ChangedNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return true;
}

bool FileExists(const QString& path)
{
    struct stat st {
    };
    return !path.isEmpty() && lstat(platform::EncodeFileName(path).constData(), &st) == 0 &&
           !S_ISDIR(st.st_mode);
}

bool MayChangeFile(const QString& path)
{
    struct stat st {
    };
    const QByteArray bytes = platform::EncodeFileName(path);
    if (stat(bytes.constData(), &st) != 0)
        return true; // a file that is not there yet is created, not changed
    return (st.st_mode & S_IWUSR) != 0 && access(bytes.constData(), W_OK) == 0;
}

QString ProgramDirectory()
{
    QString dir = QCoreApplication::applicationDirPath();
    return dir.endsWith('/') ? dir : dir + '/';
}

} // namespace platform
