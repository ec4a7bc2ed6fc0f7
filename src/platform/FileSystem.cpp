#include "platform/FileSystem.h"
#include "platform/FileNames.h"
#include "platform/FileOpsFaults.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cerrno>
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

double ToDayCount(time_t t)
{
    const qint64 local = qint64(t) + LocalOffsetFor(t);
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
    bool IsLink{false};
    TNameKind Kind{TNameKind::File}; // from readdir; Unknown asks lstat whether it is a link
    quint64 Device{0};
    quint64 Inode{0};
};

using TWanted = std::function<bool(const char* name, TNameKind kind)>;

TNameKind KindOf(unsigned char type)
{
    switch (type) {
    case DT_REG:
        return TNameKind::File;
    case DT_DIR:
        return TNameKind::Directory;
    case DT_LNK:
        return TNameKind::Link;
    case DT_UNKNOWN:
        return TNameKind::Unknown;
    default:
        return TNameKind::Other;
    }
}

// The names of a directory, without "." (and without ".." at "/"); counted into
// `progress` (may be null), and only some of them once it is cancelled. Returns their
// number; `failure` gets the errno value of a readdir that failed (the names before it
// are kept), else 0. With `wanted`, only the names it wants are kept, their kinds in
// `kinds`.
size_t ReadNames(DIR* dir, bool isRoot, const QString& directory, TNameBlocks& names,
                 TFileOpsProgress* progress, int& failure, const TWanted* wanted = nullptr,
                 std::vector<TNameKind>* kinds = nullptr)
{
    size_t count = 0;
    failure = 0;
    while (!CancelRequested(progress)) {
        const int fault = FileOpsFault(TFileOpsStep::DirectoryEntry, directory);
        errno = 0;
        const dirent* d = fault ? nullptr : readdir(dir);
        if (!d) {
            failure = fault ? fault : errno; // readdir's end leaves errno alone
            break;
        }
        const char* raw = d->d_name;
        if (raw[0] == '.' && (raw[1] == '\0' || (isRoot && raw[1] == '.' && raw[2] == '\0')))
            continue;
        if (progress)
            progress->AddItem();
        if (wanted) {
            const TNameKind kind = KindOf(d->d_type);
            if (!(*wanted)(raw, kind))
                continue;
            kinds->push_back(kind);
        }
        names.Add(raw);
        ++count;
    }
    return count;
}

// Stats one entry: links followed, a dangling link taken as itself, a name that
// vanished since readdir not found.
void StatEntry(int fd, TRawEntry& e)
{
    struct stat st {
    };
    e.IsLink = e.Kind == TNameKind::Link ||
               (e.Kind == TNameKind::Unknown &&
                fstatat(fd, e.Name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode));
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
    e.Device = quint64(st.st_dev);
    e.Inode = quint64(st.st_ino);
}

// Stats entries [from, to); those not found are left out later.
void StatRange(int fd, std::vector<TRawEntry>& entries, size_t from, size_t to,
               const TFileOpsProgress* progress)
{
    for (size_t i = from; i < to && !CancelRequested(progress); ++i)
        StatEntry(fd, entries[i]);
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

TFoundEntry FoundEntry(const TRawEntry& raw)
{
    TFoundEntry e;
    e.Name = NameOf(raw.Name);
    e.Size = raw.Size;
    e.DateTime = ToDayCount(raw.Time);
    e.Attr = AttributesOf(e.Name, raw);
    e.IsLink = raw.IsLink;
    e.Device = raw.Device;
    e.Inode = raw.Inode;
    return e;
}

// Opens `directory` for a listing; null with the reason in `error` when it cannot be
// opened, or not searched: without execute permission readdir gives the names, but no
// entry can be looked up, and the folder would look empty.
DIR* OpenForListing(const QString& directory, int& error)
{
    error = FileOpsFault(TFileOpsStep::OpenDirectory, directory);
    DIR* dir = error == 0 ? opendir(platform::EncodeFileName(directory).constData()) : nullptr;
    if (!dir) {
        error = error ? error : errno;
        return nullptr;
    }
    // Looking "." up needs the search permission, as every entry's lookup does; the
    // kernel checks it with the process's file-system identity.
    struct stat st {
    };
    if (fstatat(dirfd(dir), ".", &st, 0) != 0) {
        error = errno;
        closedir(dir);
        return nullptr;
    }
    return dir;
}

// Reads `directory`, handing each entry to `found`; `wanted` (may be null) picks names
// before they are looked up. `error` (may be null) gets why the folder could not be read
// whole, else 0.
bool Search(const QString& directory, const TWanted* wanted,
            const std::function<void(TFoundEntry&&)>& found, TFileOpsProgress* progress,
            int* error)
{
    int failure = 0;
    const auto report = [&] {
        if (error)
            *error = failure;
    };
    report();
    if (!directory.startsWith('/'))
        return false;
    DIR* dir = OpenForListing(directory, failure);
    if (!dir) {
        report();
        return false;
    }
    TNameBlocks names;
    std::vector<TNameKind> kinds;
    const size_t count = ReadNames(dir, directory == QLatin1String("/"), directory, names,
                                   progress, failure, wanted, &kinds);
    // Stat results are kept for one block of names at a time.
    constexpr size_t kStatBlock = 16384;
    std::vector<TRawEntry> entries;
    entries.reserve(std::min(count, kStatBlock));
    TNameBlocks::TCursor cursor;
    for (size_t done = 0; done < count; done += entries.size()) {
        entries.assign(std::min(count - done, kStatBlock), {});
        for (size_t i = 0; i < entries.size(); ++i) {
            entries[i].Name = names.Next(cursor);
            if (wanted)
                entries[i].Kind = kinds[done + i];
        }
        StatAll(dirfd(dir), entries, progress);
        if (CancelRequested(progress)) {
            closedir(dir);
            return false;
        }
        for (const TRawEntry& raw : entries) {
            if (!raw.Found)
                continue;
            TFoundEntry e = FoundEntry(raw);
            e.Expected = int(count);
            found(std::move(e));
        }
    }
    closedir(dir);
    if (CancelRequested(progress))
        return false; // a cancelled read may have stopped anywhere
    report();
    return failure == 0;
}

} // namespace

bool FindEntry(const QString& directory, const QString& name, TFoundEntry& entry)
{
    const QByteArray folder = platform::EncodeFileName(directory);
    const QByteArray raw = platform::EncodeFileName(name);
    const int fd = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    TRawEntry e;
    e.Name = raw.constData();
    StatEntry(fd, e);
    close(fd);
    if (e.Found)
        entry = FoundEntry(e);
    return e.Found;
}

bool SearchDirectory(const QString& directory, const std::function<void(TFoundEntry&&)>& found,
                     TFileOpsProgress* progress, int* error)
{
    return Search(directory, nullptr, found, progress, error);
}

bool SearchDirectoryNames(const QString& directory, const TWanted& wanted,
                          const std::function<void(TFoundEntry&&)>& found,
                          TFileOpsProgress* progress)
{
    return Search(directory, &wanted, found, progress, nullptr);
}

bool StatEntry(const QString& path, TFoundEntry& entry)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (!path.startsWith('/') || slash == path.size() - 1)
        return false;
    const QByteArray bytes = platform::EncodeFileName(path);
    const QByteArray folder = slash == 0 ? QByteArray("/") : bytes.left(bytes.lastIndexOf('/'));
    const int fd = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::vector<TRawEntry> one(1);
    const QByteArray name = bytes.mid(bytes.lastIndexOf('/') + 1);
    one[0].Name = name.constData();
    one[0].Kind = TNameKind::Unknown; // asks whether it is a link
    StatRange(fd, one, 0, 1, nullptr);
    close(fd);
    if (!one[0].Found)
        return false;
    entry = TFoundEntry();
    entry.Name = path.mid(slash + 1);
    entry.Size = one[0].Size;
    entry.DateTime = ToDayCount(one[0].Time);
    entry.Attr = AttributesOf(entry.Name, one[0]);
    entry.IsLink = one[0].IsLink;
    entry.Device = one[0].Device;
    entry.Inode = one[0].Inode;
    return true;
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

bool GetFileStamp(const QString& path, TFileStamp& stamp)
{
    struct stat st {
    };
    if (stat(platform::EncodeFileName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    stamp.Device = quint64(st.st_dev);
    stamp.Inode = quint64(st.st_ino);
    stamp.Size = qint64(st.st_size);
    stamp.ModifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
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
