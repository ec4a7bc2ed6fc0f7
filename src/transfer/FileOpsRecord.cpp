#include "transfer/FileOpsRecord.h"

#include "platform/FileNames.h"
#include "platform/FileOpsFaults.h"

#include <QCoreApplication>
#include <QSet>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <memory>
#include <zlib.h>

namespace platform
{

namespace
{

constexpr size_t kCompareChunk = 1 << 20;
constexpr int kNamesShown = 5; // entries named when a folder stays for them

QString Tr(const char* text)
{
    return QCoreApplication::translate("ShellFileOperation", text);
}

// Reads up to `size` bytes, fewer only at the end of the file; -1 on error.
ssize_t ReadFull(int fd, char* data, size_t size)
{
    return sys::ReadFully(fd, data, size);
}

bool SameFileData(int aDir, const QByteArray& aName, int bDir, const QByteArray& bName,
                  const TFileOpsProgress* progress)
{
    const TFd a(sys::OpenAt(aDir, aName.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    const TFd b(sys::OpenAt(bDir, bName.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!a.Valid() || !b.Valid())
        return false;
    const std::unique_ptr<char[]> bufA(new char[kCompareChunk]);
    const std::unique_ptr<char[]> bufB(new char[kCompareChunk]);
    for (;;) {
        if (CancelRequested(progress))
            return false;
        const ssize_t na = ReadFull(a.Get(), bufA.get(), kCompareChunk);
        const ssize_t nb = ReadFull(b.Get(), bufB.get(), kCompareChunk);
        if (na < 0 || na != nb || std::memcmp(bufA.get(), bufB.get(), size_t(na)) != 0)
            return false;
        if (na == 0)
            return true;
    }
}

bool LinkTarget(int dir, const QByteArray& name, QByteArray& target)
{
    target.resize(4096);
    for (;;) {
        const ssize_t n =
            sys::ReadLinkAt(dir, name.constData(), target.data(), size_t(target.size()));
        if (n < 0)
            return false;
        if (n < target.size()) {
            target.truncate(n);
            return true;
        }
        target.resize(target.size() * 2);
    }
}

// The CRC-32 of the data of the file `name` in `dir` (not followed when a link); 0 or an
// errno, ECANCELED when `progress` asked to stop.
int FileCrc(int dir, const QByteArray& name, quint32& crc, const TFileOpsProgress* progress)
{
    const TFd fd(sys::OpenAt(dir, name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.Valid())
        return errno;
    const std::unique_ptr<char[]> buffer(new char[kCompareChunk]);
    uLong sum = crc32(0L, Z_NULL, 0);
    for (;;) {
        if (CancelRequested(progress))
            return ECANCELED;
        const ssize_t n = ReadFull(fd.Get(), buffer.get(), kCompareChunk);
        if (n < 0)
            return errno;
        if (n == 0)
            break;
        sum = crc32(sum, reinterpret_cast<const Bytef*>(buffer.get()), uInt(n));
    }
    crc = quint32(sum);
    return 0;
}

// Whether the file `name` in `dir` still holds the content `record` has the CRC-32 of
// (true when none was recorded).
bool SameContent(int dir, const TEntryRecord& record)
{
    if (!record.HasCrc)
        return true;
    quint32 crc = 0;
    return FileCrc(dir, record.Name, crc, nullptr) == 0 && crc == record.Crc;
}

bool SameTime(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Whether a change time comes from a file system that keeps times in steps of a
// millisecond or more (FAT 2 s, sshfs 1 s, exFAT 10 ms, ext4 with small inodes 1 s): a
// rewrite may then leave every time as it was. A file system with finer times gives a
// whole millisecond once in a million times, and then only costs a read.
bool CoarseTimes(const struct timespec& changed)
{
    return changed.tv_nsec % 1000000 == 0;
}

// How the entry of `dir` whose lstat is `st` differs from `record`; empty when it does not.
// The content is read only when all else matches.
QString ChangeSince(int dir, const TEntryRecord& record, const struct stat& st)
{
    if (!record.SameExceptChangeTime(st))
        return Tr("it changed after it was copied");
    if (!SameContent(dir, record))
        return Tr("its content changed after it was copied");
    if (!record.Matches(st))
        return Tr("it changed after it was copied");
    return {};
}

TFd OpenFolder(int dir, const QByteArray& name)
{
    return TFd(sys::OpenAt(dir, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// The names in the folder `fd` that `record` does not hold, for the message of a
// folder that stays.
QString UnknownEntries(int fd, const TEntryRecord& record)
{
    std::vector<QByteArray> present;
    if (ReadDirectoryNames(fd, present) != 0)
        return {};
    QSet<QByteArray> known;
    for (const TEntryRecord& child : record.Children)
        known.insert(child.Name);
    QStringList unknown;
    int more = 0;
    for (const QByteArray& name : present) {
        if (known.contains(name))
            continue;
        if (unknown.size() < kNamesShown)
            unknown << DecodeFileName(name);
        else
            ++more;
    }
    QString text = unknown.join(QStringLiteral(", "));
    if (more > 0)
        text += Tr(" and %1 more").arg(more);
    return text;
}

bool RemoveRecordedFolder(int dir, const TEntryRecord& record, const QString& path,
                          TFileOpsReport& report, int& removed, const TFileOpsProgress* progress)
{
    const TFd folder = OpenFolder(dir, record.Name);
    struct stat st {
    };
    if (!folder.Valid() || sys::FStat(folder.Get(), &st) != 0) {
        report.Failed(path, errno);
        return false;
    }
    if (!record.Matches(st)) {
        report.Failed(path, Tr("it was replaced after it was copied"));
        return false;
    }
    bool all = true;
    for (const TEntryRecord& child : record.Children) {
        if (CancelRequested(progress))
            return false; // stopped by the user: the rest stays, without a message
        all = RemoveRecorded(folder.Get(), child, ChildPath(path, child.Name), report, removed,
                             progress) &&
              all;
    }
    if (const int fault = FileOpsFault(TFileOpsStep::RemoveEntry, path)) {
        report.Failed(path, fault);
        return false;
    }
    if (sys::UnlinkAt(dir, record.Name.constData(), AT_REMOVEDIR) == 0) {
        ++removed;
        return true;
    }
    const int error = errno;
    if (error == ENOENT)
        return true;
    if (error != ENOTEMPTY && error != EEXIST) {
        report.Failed(path, error);
        return false;
    }
    // Entries that stayed were reported one by one; entries it did not hold before are
    // the reason it stays.
    const QString unknown = UnknownEntries(folder.Get(), record);
    if (!unknown.isEmpty())
        report.Failed(
            path, Tr("it holds entries that were not there when it was copied (%1)").arg(unknown));
    else if (all)
        report.Failed(path, ErrorText(error));
    return false;
}

} // namespace

TEntryRecord TEntryRecord::Of(const QByteArray& name, const struct stat& st)
{
    TEntryRecord record;
    record.Name = name;
    record.Type = st.st_mode & S_IFMT;
    record.Device = st.st_dev;
    record.Inode = st.st_ino;
    record.Size = st.st_size;
    record.Links = st.st_nlink;
    record.Modified = st.st_mtim;
    record.Changed = st.st_ctim;
    return record;
}

bool TEntryRecord::SameExceptChangeTime(const struct stat& st) const
{
    if ((st.st_mode & S_IFMT) != Type || st.st_dev != Device || st.st_ino != Inode)
        return false;
    return IsFolder() || (st.st_size == Size && SameTime(st.st_mtim, Modified));
}

bool TEntryRecord::Matches(const struct stat& st) const
{
    return SameExceptChangeTime(st) &&
           (IsFolder() || SameTime(st.st_ctim, Changed) || (HasCrc && Links > 1));
}

void TEntryRecord::KeepContent(quint32 crc, bool always)
{
    if (!S_ISREG(Type) || !(always || Links > 1 || CoarseTimes(Changed)))
        return;
    HasCrc = true;
    Crc = crc;
}

int RecordTree(int dir, const QByteArray& name, TEntryRecord& record)
{
    struct stat st {
    };
    if (sys::FStatAt(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    record = TEntryRecord::Of(name, st);
    if (!record.IsFolder())
        return 0;
    const TFd folder = OpenFolder(dir, name);
    std::vector<QByteArray> names;
    if (!folder.Valid())
        return errno;
    if (const int error = ReadDirectoryNames(folder.Get(), names))
        return error;
    record.Children.resize(names.size());
    for (size_t i = 0; i < names.size(); ++i)
        if (const int error = RecordTree(folder.Get(), names[i], record.Children[i]))
            return error;
    return 0;
}

namespace
{

// Opens the folder of the full path `path` and names the entry in it; 0 or an errno.
int OpenParent(const QString& path, TFd& parent, QByteArray& name)
{
    QString clean = path;
    while (clean.size() > 1 && clean.endsWith(QLatin1Char('/')))
        clean.chop(1);
    const qsizetype slash = clean.lastIndexOf(QLatin1Char('/'));
    if (!clean.startsWith(QLatin1Char('/')) || slash == clean.size() - 1)
        return EINVAL;
    parent = TFd(
        sys::Open(EncodeFileName(slash == 0 ? QStringLiteral("/") : clean.left(slash)).constData(),
                  O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent.Valid())
        return errno;
    name = EncodeFileName(clean.mid(slash + 1));
    return 0;
}

} // namespace

int RecordTree(const QString& path, TEntryRecord& record)
{
    TFd parent;
    QByteArray name;
    if (const int error = OpenParent(path, parent, name))
        return error;
    return RecordTree(parent.Get(), name, record);
}

int RecordEntry(const QString& path, TEntryRecord& record)
{
    TFd parent;
    QByteArray name;
    if (const int error = OpenParent(path, parent, name))
        return error;
    struct stat st {
    };
    if (sys::FStatAt(parent.Get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    record = TEntryRecord::Of(name, st);
    return 0;
}

bool SameAsRecorded(int dir, const TEntryRecord& record, int copyDir, const QByteArray& copyName,
                    const QString& path, QString& difference, const TFileOpsProgress* progress)
{
    if (CancelRequested(progress))
        return false;
    struct stat a {
    }, b{};
    bool same = sys::FStatAt(dir, record.Name.constData(), &a, AT_SYMLINK_NOFOLLOW) == 0 &&
                record.Matches(a) &&
                sys::FStatAt(copyDir, copyName.constData(), &b, AT_SYMLINK_NOFOLLOW) == 0 &&
                (b.st_mode & S_IFMT) == record.Type;
    if (same && record.IsFolder()) {
        const TFd original = OpenFolder(dir, record.Name);
        const TFd copy = OpenFolder(copyDir, copyName);
        same = original.Valid() && copy.Valid();
        for (size_t i = 0; same && i < record.Children.size(); ++i) {
            const TEntryRecord& child = record.Children[i];
            if (!SameAsRecorded(original.Get(), child, copy.Get(), child.Name,
                                ChildPath(path, child.Name), difference, progress))
                return false;
        }
    } else if (same && S_ISREG(a.st_mode)) {
        same =
            a.st_size == b.st_size && SameFileData(dir, record.Name, copyDir, copyName, progress);
    } else if (same && S_ISLNK(a.st_mode)) {
        QByteArray ta, tb;
        same = LinkTarget(dir, record.Name, ta) && LinkTarget(copyDir, copyName, tb) && ta == tb;
    } else if (same && (S_ISCHR(a.st_mode) || S_ISBLK(a.st_mode))) {
        same = a.st_rdev == b.st_rdev;
    }
    if (!same && !CancelRequested(progress))
        difference = path;
    return same;
}

bool RemoveRecorded(int dir, const TEntryRecord& record, const QString& path,
                    TFileOpsReport& report, int& removed, const TFileOpsProgress* progress)
{
    struct stat st {
    };
    if (sys::FStatAt(dir, record.Name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return true; // gone already; its copy is kept
        report.Failed(path, errno);
        return false;
    }
    const QString change = ChangeSince(dir, record, st);
    if (!change.isEmpty()) {
        report.Failed(path, change);
        return false;
    }
    if (record.IsFolder())
        return RemoveRecordedFolder(dir, record, path, report, removed, progress);
    if (const int fault = FileOpsFault(TFileOpsStep::RemoveEntry, path)) {
        report.Failed(path, fault);
        return false;
    }
    if (sys::UnlinkAt(dir, record.Name.constData(), 0) != 0) {
        report.Failed(path, errno);
        return false;
    }
    ++removed;
    return true;
}

} // namespace platform
