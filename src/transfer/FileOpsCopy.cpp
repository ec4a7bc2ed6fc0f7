#include "transfer/FileOpsCopy.h"

#include "platform/FileNames.h"
#include "platform/FileOpsFaults.h"
#include "transfer/FileOpsParts.h"
#include "transfer/FileOpsTree.h"

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <memory>
#include <vector>
#include <zlib.h>

namespace platform
{

namespace
{

// Permission bits kept on copies: no set-user or set-group id, since the copy belongs to
// whoever makes it.
constexpr mode_t kKeptModeBits = 01777;
constexpr size_t kBufferSize = 1 << 20;
// Large enough for full speed, small enough that a cancel is seen within a fraction of
// a second even on a slow disk.
constexpr size_t kRangeChunk = size_t(16) << 20;

// copy_file_range refuses these for pairs of file systems or files it cannot serve;
// read and write can.
bool RangeUnsupported(int error)
{
    return error == EXDEV || error == ENOSYS || error == EOPNOTSUPP || error == EINVAL ||
           error == EBADF || error == EPERM || error == ETXTBSY;
}

int WriteAll(int out, const char* data, ssize_t size)
{
    return size > 0 ? sys::WriteFully(out, data, size_t(size)) : 0;
}

// After each chunk: counts its bytes and tells whether to stop (ECANCELED) or go on (0).
int ChunkDone(qint64 bytes, TFileOpsProgress* progress)
{
    if (progress)
        progress->AddBytes(bytes);
    if (const int fault = FileOpsFault(TFileOpsStep::ChunkCopied, QString()))
        return fault;
    return CancelRequested(progress) ? ECANCELED : 0;
}

void AddCrc(quint32* crc, const char* data, size_t size)
{
    if (crc)
        *crc = quint32(crc32(*crc, reinterpret_cast<const Bytef*>(data), uInt(size)));
}

int ReadWriteCopy(int in, int out, TFileOpsProgress* progress, quint32* crc)
{
    const std::unique_ptr<char[]> buffer(new char[kBufferSize]);
    for (;;) {
        const ssize_t n = sys::Read(in, buffer.get(), kBufferSize);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return 0;
        if (const int error = WriteAll(out, buffer.get(), n))
            return error;
        AddCrc(crc, buffer.get(), size_t(n));
        if (const int error = ChunkDone(n, progress))
            return error;
    }
}

// Adds to `crc` the `size` bytes the system has just written into `out` at `offset`,
// read back from the copy itself (still under its temporary name).
int AddWrittenCrc(int out, off_t offset, size_t size, quint32* crc)
{
    if (!crc)
        return 0;
    const std::unique_ptr<char[]> buffer(new char[std::min(size, kBufferSize)]);
    while (size > 0) {
        const ssize_t n = sys::PRead(out, buffer.get(), std::min(size, kBufferSize), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        AddCrc(crc, buffer.get(), size_t(n));
        offset += n;
        size -= size_t(n);
    }
    return 0;
}

QString Reason(const char* text)
{
    return QCoreApplication::translate("ShellFileOperation", text);
}

// The full path of `name` in the open folder `dir`, for messages.
QString TargetPath(int dir, const QByteArray& name)
{
    char folder[PATH_MAX];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(dir);
    const ssize_t n = sys::ReadLink(link.constData(), folder, sizeof folder);
    if (n <= 0 || size_t(n) >= sizeof folder)
        return DecodeFileName(name);
    QByteArray path(folder, int(n));
    // A folder removed meanwhile reads "PATH (deleted)": its path is what the user knew.
    static const QByteArray kDeleted(" (deleted)");
    if (path.endsWith(kDeleted))
        path.chop(kDeleted.size());
    return ChildPath(DecodeFileName(path), name);
}

// The record of the entry `name` just made in `dir`. `made` (may be null) is what it was
// before it took its name (which moves its change time): used only when another entry
// has the name by now, so that the record fits nothing there.
TEntryRecord RecordOfMade(int dir, const QByteArray& name, const struct stat* made)
{
    struct stat now {
    };
    if (sys::FStatAt(dir, name.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0)
        now = {};
    const bool same = !made || (now.st_dev == made->st_dev && now.st_ino == made->st_ino);
    return TEntryRecord::Of(name, same ? now : *made);
}

} // namespace

bool TargetIsFullOrReadOnly(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EROFS;
}

int CopyFileData(int in, int out, TFileOpsProgress* progress, quint32* crc)
{
    if (crc)
        *crc = quint32(crc32(0L, Z_NULL, 0));
    off_t written = crc ? sys::LSeek(out, 0, SEEK_CUR) : 0;
    bool first = true;
    for (;;) {
        const ssize_t n = sys::CopyFileRange(in, out, kRangeChunk);
        if (n > 0) {
            first = false;
            if (const int error = AddWrittenCrc(out, written, size_t(n), crc))
                return error;
            written += n;
            if (const int error = ChunkDone(n, progress))
                return error;
            continue;
        }
        if (n == 0 && !first)
            return 0;
        if (n < 0 && errno == EINTR)
            continue;
        // Nothing at all on the first call: either an empty file or one whose size the
        // system does not report (such as those of /proc); reading tells which.
        if (n == 0 || RangeUnsupported(errno))
            return ReadWriteCopy(in, out, progress, crc);
        return errno;
    }
}

TCopyOutcome TTreeCopy::Copy(int srcDir, const QByteArray& name, const struct stat& st, int dstDir,
                             const QByteArray& dstName, const QString& path, TEntryRecord* record)
{
    NoteTarget(dstDir);
    return CopyEntry(srcDir, name, st, dstDir, dstName, path, true, record);
}

TCopyOutcome TTreeCopy::CopyEntry(int srcDir, const QByteArray& name, const struct stat& st,
                                  int dstDir, const QByteArray& dstName, const QString& path,
                                  bool top, TEntryRecord* record)
{
    if (S_ISREG(st.st_mode))
        return CopyFile(srcDir, name, dstDir, dstName, path, top, record);
    if (S_ISDIR(st.st_mode))
        return CopyDirectory(srcDir, name, st, dstDir, dstName, path, top, record);
    const TCopyOutcome outcome = S_ISLNK(st.st_mode)
                                     ? CopyLink(srcDir, name, st, dstDir, dstName, path, top)
                                     : CopyNode(st, dstDir, dstName, path, top);
    if (record && outcome == TCopyOutcome::Done)
        *record =
            m_recordCopies ? RecordOfMade(dstDir, dstName, nullptr) : TEntryRecord::Of(name, st);
    return outcome;
}

TCopyOutcome TTreeCopy::CreateFailed(int error, bool top, const QString& path, int dstDir,
                                     const QByteArray& dstName)
{
    if (error == EEXIST && top)
        return TCopyOutcome::NameTaken;
    NoteStop(error);
    // The target is what could not be made: say which, and why, by the name it is to have.
    QString target = TargetPath(dstDir, dstName);
    if (!m_partTop.isEmpty() &&
        (target == m_partTop || target.startsWith(m_partTop + QLatin1Char('/'))))
        target = m_realTop + target.mid(m_partTop.size());
    m_report.Failed(path, Reason("\"%1\" cannot be made (%2)").arg(target, ErrorText(error)));
    return TCopyOutcome::Failed;
}

void TTreeCopy::Fail(const QString& path, int error)
{
    NoteStop(error);
    m_report.Failed(path, error);
}

void TTreeCopy::NoteStop(int error)
{
    if (m_stopError == 0 && TargetIsFullOrReadOnly(error))
        m_stopError = error;
}

TCopyOutcome TTreeCopy::CopyFile(int srcDir, const QByteArray& name, int dstDir,
                                 const QByteArray& dstName, const QString& path, bool top,
                                 TEntryRecord* record)
{
    // The source is opened first, so a source that vanished leaves nothing behind.
    // O_NONBLOCK keeps a FIFO swapped in meanwhile from blocking the open.
    const int fault = FileOpsFault(TFileOpsStep::OpenSource, path);
    TFd in(fault ? -1
                 : sys::OpenAt(srcDir, name.constData(),
                               O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!in.Valid()) {
        Fail(path, fault ? fault : errno);
        return TCopyOutcome::Failed;
    }
    struct stat st {
    };
    if (sys::FStat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        m_report.Failed(path, Reason("it changed into something else while it was copied"));
        return TCopyOutcome::Failed;
    }
    // A regular file after all: read it blocking (of the flags F_SETFL changes, the open
    // set O_NONBLOCK alone), and tell the system it goes in order.
    sys::SetStatusFlags(in.Get(), 0);
    sys::Advise(in.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    // Written under a temporary name, which becomes the real one only once complete; open
    // for reading too, to take the CRC-32 of what the system wrote.
    const QByteArray part = PartFileName(dstName);
    TFd out(sys::OpenAt(dstDir, part.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out.Valid())
        return CreateFailed(errno, false, path, dstDir, dstName);

    if (m_progress)
        m_progress->SetCurrent(path);
    quint32 crc = 0;
    int error = CopyFileData(in.Get(), out.Get(), m_progress, record ? &crc : nullptr);
    if (!error)
        error = FileOpsFault(TFileOpsStep::DataWritten, path);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (!error && sys::FChmod(out.Get(), st.st_mode & kKeptModeBits) != 0)
        error = errno;
    if (!error && sys::FUTimens(out.Get(), times) != 0)
        error = errno;
    struct stat made {
    };
    if (!error && sys::FStat(out.Get(), &made) != 0)
        error = errno;
    if (!error)
        error = out.Close();
    if (!error)
        error = RenameNoReplace(dstDir, part.constData(), dstDir, dstName.constData());
    if (error) {
        out.Close();
        sys::UnlinkAt(dstDir, part.constData(), 0);
        if (error == EEXIST) // the name was taken meanwhile: never replaced
            return CreateFailed(error, top, path, dstDir, dstName);
        if (error != ECANCELED) // a cancel is said once for the whole command
            Fail(path, error);
        return TCopyOutcome::Failed;
    }
    if (record) {
        // A source as it was before its data was read; a copy as it was made.
        *record =
            m_recordCopies ? RecordOfMade(dstDir, dstName, &made) : TEntryRecord::Of(name, st);
        record->KeepContent(crc, m_recordCopies);
    }
    Made();
    return TCopyOutcome::Done;
}

void TTreeCopy::NoteTarget(int dirFd)
{
    struct stat st {
    };
    if (sys::FStat(dirFd, &st) == 0)
        m_targets.insert({st.st_dev, st.st_ino});
}

void TTreeCopy::Made()
{
    ++m_items;
    if (m_progress && m_countEntries)
        m_progress->AddItem();
}

TCopyOutcome TTreeCopy::CopyDirectory(int srcDir, const QByteArray& name, const struct stat& st,
                                      int dstDir, const QByteArray& dstName, const QString& path,
                                      bool top, TEntryRecord* record)
{
    TFd src(sys::OpenAt(srcDir, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat srcSt {
    };
    if (!src.Valid() || sys::FStat(src.Get(), &srcSt) != 0) {
        Fail(path, errno);
        return TCopyOutcome::Failed;
    }
    // A mount of the target inside the source leads back into the copy: never entered.
    if (m_targets.count({srcSt.st_dev, srcSt.st_ino})) {
        m_report.Failed(path, Reason("it is the target folder of this copy, or a folder made by "
                                     "it (reached through a mount), and is not copied into "
                                     "itself"));
        return TCopyOutcome::Failed;
    }
    // Names first: a folder that cannot be read leaves no empty copy behind.
    std::vector<QByteArray> names;
    if (const int error = ReadDirectoryNames(src.Get(), names)) {
        Fail(path, error);
        return TCopyOutcome::Failed;
    }
    // The copied folder itself is made under a temporary name, which becomes the real one
    // once its whole tree is in: a copy killed midway leaves no folder under the real name.
    const QByteArray made = top ? PartFileName(dstName) : dstName;
    // Owner-writable until its entries are in; the original bits are set at the end.
    if (sys::MkDirAt(dstDir, made.constData(), 0700) != 0)
        return CreateFailed(errno, top, path, dstDir, dstName);
    TFd dst(sys::OpenAt(dstDir, made.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dst.Valid()) {
        const int error = errno;
        sys::UnlinkAt(dstDir, made.constData(), AT_REMOVEDIR);
        Fail(path, error);
        return TCopyOutcome::Failed;
    }
    if (top) {
        m_partTop = TargetPath(dstDir, made);
        m_realTop = TargetPath(dstDir, dstName);
    }
    NoteTarget(dst.Get());
    Made();
    struct stat dstSt {
    };
    if (record)
        *record = m_recordCopies && sys::FStat(dst.Get(), &dstSt) == 0
                      ? TEntryRecord::Of(dstName, dstSt)
                      : TEntryRecord::Of(name, srcSt);
    CopyChildren(src.Get(), names, dst.Get(), path, record);

    // Times last: every entry made inside changed them.
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (sys::FChmod(dst.Get(), st.st_mode & kKeptModeBits) != 0 ||
        sys::FUTimens(dst.Get(), times) != 0)
        Fail(path, errno);
    return top ? GiveFolderItsName(dstDir, made, dstName, path) : TCopyOutcome::Done;
}

TCopyOutcome TTreeCopy::GiveFolderItsName(int dstDir, const QByteArray& made,
                                          const QByteArray& dstName, const QString& path)
{
    m_partTop.clear();
    // Also when the copy was cancelled: what was copied whole stays, as the user asked.
    const int error = RenameNoReplace(dstDir, made.constData(), dstDir, dstName.constData());
    if (!error)
        return TCopyOutcome::Done;
    const TShellFailureHandler ignore = [](const QString&) {};
    TFileOpsReport quiet(ignore, QString());
    int removed = 0;
    RemoveTree(dstDir, made, path, quiet, removed);
    m_items = 0;         // the copy of this item went whole
    if (error == EEXIST) // the name was taken meanwhile: never replaced
        return CreateFailed(error, true, path, dstDir, dstName);
    Fail(path, error);
    return TCopyOutcome::Failed;
}

void TTreeCopy::CopyChildren(int srcFd, const std::vector<QByteArray>& names, int dstFd,
                             const QString& path, TEntryRecord* record)
{
    for (const QByteArray& child : names) {
        if (CancelRequested(m_progress) || m_stopError)
            return;
        const QString childPath = ChildPath(path, child);
        struct stat st {
        };
        if (sys::FStatAt(srcFd, child.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            Fail(childPath, errno);
            continue;
        }
        TEntryRecord made;
        if (CopyEntry(srcFd, child, st, dstFd, child, childPath, false, record ? &made : nullptr) ==
                TCopyOutcome::Done &&
            record)
            record->Children.push_back(std::move(made));
    }
}

TCopyOutcome TTreeCopy::CopyLink(int srcDir, const QByteArray& name, const struct stat& st,
                                 int dstDir, const QByteArray& dstName, const QString& path,
                                 bool top)
{
    QByteArray target(st.st_size > 0 ? st.st_size + 1 : 256, Qt::Uninitialized);
    for (;;) {
        const ssize_t n =
            sys::ReadLinkAt(srcDir, name.constData(), target.data(), size_t(target.size()));
        if (n < 0) {
            Fail(path, errno);
            return TCopyOutcome::Failed;
        }
        if (n < target.size()) {
            target.truncate(n);
            break;
        }
        target.resize(target.size() * 2);
    }
    if (sys::SymlinkAt(target.constData(), dstDir, dstName.constData()) != 0)
        return CreateFailed(errno, top, path, dstDir, dstName);
    // Not every file system keeps times on links; the link itself is what matters.
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    sys::UTimensAt(dstDir, dstName.constData(), times, AT_SYMLINK_NOFOLLOW);
    Made();
    return TCopyOutcome::Done;
}

TCopyOutcome TTreeCopy::CopyNode(const struct stat& st, int dstDir, const QByteArray& dstName,
                                 const QString& path, bool top)
{
    // FIFOs, sockets and device nodes are made anew rather than read (a FIFO would block).
    if (sys::MkNodAt(dstDir, dstName.constData(), st.st_mode & (S_IFMT | kKeptModeBits),
                     st.st_rdev) != 0)
        return CreateFailed(errno, top, path, dstDir, dstName);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (sys::FChmodAt(dstDir, dstName.constData(), st.st_mode & kKeptModeBits, 0) != 0 ||
        sys::UTimensAt(dstDir, dstName.constData(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        const int error = errno;
        sys::UnlinkAt(dstDir, dstName.constData(), 0);
        Fail(path, error);
        return TCopyOutcome::Failed;
    }
    Made();
    return TCopyOutcome::Done;
}

} // namespace platform
