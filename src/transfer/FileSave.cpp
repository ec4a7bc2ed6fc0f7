#include "transfer/FileSave.h"

#include "platform/FileNames.h"
#include "platform/FileOpsFaults.h"
#include "transfer/FileOpsParts.h"
#include "transfer/FileOpsSupport.h"

#include <QDir>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace platform
{

namespace
{

// The folder part and the last part of an absolute path.
void Split(const QByteArray& path, QByteArray& folder, QByteArray& name)
{
    const qsizetype slash = path.lastIndexOf('/');
    folder = slash <= 0 ? QByteArray("/") : path.left(slash);
    name = path.mid(slash + 1);
}

int WriteAll(int fd, const char* data, qint64 size, off_t offset)
{
    return size > 0 ? sys::PWriteFully(fd, data, size_t(size), offset) : 0;
}

// A new part file for `name` in `dir`, open for writing.
int CreatePart(int dir, const QByteArray& name, mode_t mode, QByteArray& part, TFd& fd)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        part = PartFileName(name);
        fd = TFd(sys::OpenAt(dir, part.constData(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (fd.Valid())
            return 0;
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

// Gives the part its name: without replacing (RenameNoReplace), or replacing what is there.
int GiveName(int dir, const QByteArray& part, const QByteArray& name, bool replace)
{
    if (replace)
        return sys::RenameAt(dir, part.constData(), dir, name.constData()) == 0 ? 0 : errno;
    return RenameNoReplace(dir, part.constData(), dir, name.constData());
}

// Writes the part, syncs it and gives it the name, replacing what is there only when
// `replace` says so. `same` (when given) is the file it replaces: the part takes its mode
// and group, or EPERM says it cannot.
int WriteThroughPart(int dir, const QString& path, const QByteArray& name, const QByteArray& bytes,
                     const struct stat* same, bool replace)
{
    QByteArray part;
    TFd fd;
    if (const int error = CreatePart(dir, name, same ? same->st_mode & 07777 : 0666, part, fd))
        return error;
    int error = 0;
    if (same && (sys::FChown(fd.Get(), uid_t(-1), same->st_gid) != 0 ||
                 sys::FChmod(fd.Get(), same->st_mode & 07777) != 0))
        error = EPERM;
    if (!error)
        error = WriteAll(fd.Get(), bytes.constData(), bytes.size(), 0);
    if (!error)
        error = FileOpsFault(TFileOpsStep::SaveDataWritten, path);
    if (!error && sys::FSync(fd.Get()) != 0)
        error = errno;
    if (const int closed = fd.Close(); !error && closed)
        error = closed;
    if (!error)
        error = GiveName(dir, part, name, replace);
    if (error)
        sys::UnlinkAt(dir, part.constData(), 0);
    return error;
}

// Writes over the file itself: first what lies beyond its old size (cut back when it
// does not fit), then the rest over the old data. `touched` says whether the old data
// was reached.
int WriteInPlace(int dir, const QString& path, const QByteArray& name, const QByteArray& bytes,
                 bool& touched)
{
    TFd fd(sys::OpenAt(dir, name.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {
    };
    if (!fd.Valid() || sys::FStat(fd.Get(), &st) != 0)
        return errno;
    const qint64 old = st.st_size;
    const qint64 size = bytes.size();
    int error = 0;
    if (size > old)
        error = WriteAll(fd.Get(), bytes.constData() + old, size - old, off_t(old));
    if (!error)
        error = FileOpsFault(TFileOpsStep::SaveDataWritten, path);
    if (!error && size > old)
        error = sys::FSync(fd.Get()) == 0 ? 0 : errno;
    if (error) {
        if (size > old && sys::FTruncate(fd.Get(), off_t(old)) != 0) {
            // The old data is whole; only the length could not be restored.
        }
        return error;
    }
    touched = true;
    error = FileOpsFault(TFileOpsStep::SaveInPlace, path);
    if (!error)
        error = WriteAll(fd.Get(), bytes.constData(), std::min(old, size), 0);
    if (!error && size < old && sys::FTruncate(fd.Get(), off_t(size)) != 0)
        error = errno;
    if (!error && sys::FSync(fd.Get()) != 0)
        error = errno;
    if (const int closed = fd.Close(); !error && closed)
        error = closed;
    return error;
}

// `name` with `tail`, cut at a character boundary to fit a name's 255 bytes.
QByteArray WithTail(const QByteArray& name, const QByteArray& tail)
{
    qsizetype stem = std::min<qsizetype>(name.size(), NAME_MAX - tail.size());
    while (stem > 0 && stem < name.size() && (uchar(name[stem]) & 0xC0) == 0x80)
        --stem;
    return name.left(stem) + tail;
}

// The whole new text in a file of its own, "NAME.saved-XXXXXX" beside the file (or in
// the temporary folder where its folder takes no new file), flushed, before the file is
// written over in place. Returns 0 with the copy's path in `copy`, or an errno.
int KeepCopy(int dir, const QByteArray& folder, const QByteArray& name, const QByteArray& bytes,
             QString& copy)
{
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray tail = ".saved-";
    for (int i = 0; i < 6; ++i)
        tail += kAlphabet[QRandomGenerator::global()->bounded(int(sizeof kAlphabet - 1))];
    const QByteArray copyName = WithTail(name, tail);
    TFd fd(sys::OpenAt(dir, copyName.constData(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    QByteArray copyPath;
    if (!fd.Valid() && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        copyPath = EncodeFileName(QDir::tempPath()) + '/' + copyName;
        fd = TFd(sys::Open(copyPath.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    } else {
        copyPath = (folder == "/" ? QByteArray() : folder) + '/' + copyName;
    }
    if (!fd.Valid())
        return errno;
    int error = WriteAll(fd.Get(), bytes.constData(), bytes.size(), 0);
    if (!error && sys::FSync(fd.Get()) != 0)
        error = errno;
    if (const int closed = fd.Close(); !error && closed)
        error = closed;
    if (error)
        sys::Unlink(copyPath.constData());
    else
        copy = DecodeFileName(copyPath);
    return error;
}

// In place, with the whole new text kept in a copy first: the copy goes once the file
// holds the new text, or when the old data was never reached; else it stays and
// `keptCopy` says where.
int SaveInPlace(int dir, const QString& path, const QByteArray& folder, const QByteArray& name,
                const QByteArray& bytes, QString* keptCopy)
{
    QString copy;
    if (const int error = KeepCopy(dir, folder, name, bytes, copy))
        return error;
    bool touched = false;
    const int error = WriteInPlace(dir, path, name, bytes, touched);
    if (error && touched) {
        if (keptCopy)
            *keptCopy = copy;
        return error;
    }
    sys::Unlink(EncodeFileName(copy).constData());
    return error;
}

int SaveRegular(int dir, const QString& path, const QByteArray& folder, const QByteArray& name,
                const QByteArray& bytes, const struct stat& st, QString* keptCopy)
{
    if (sys::FAccessAt(dir, name.constData(), W_OK, AT_EACCESS) != 0)
        return errno;
    if (st.st_nlink == 1 && st.st_uid == sys::EffectiveUser()) {
        const int error = WriteThroughPart(dir, path, name, bytes, &st, true);
        if (error != EPERM && error != EACCES)
            return error;
        // The group cannot be kept, or the folder takes no new file: in place instead.
    }
    return SaveInPlace(dir, path, folder, name, bytes, keptCopy);
}

} // namespace

TSaveTarget InspectSaveTarget(const QString& path)
{
    TSaveTarget target;
    const QByteArray p = EncodeFileName(path);
    struct stat st {
    };
    if (sys::LStat(p.constData(), &st) != 0)
        return target;
    if (S_ISREG(st.st_mode)) {
        target.Kind = TSaveTarget::TKind::File;
    } else if (S_ISLNK(st.st_mode)) {
        target.Kind = TSaveTarget::TKind::Link;
        char buffer[PATH_MAX];
        const ssize_t n = sys::ReadLink(p.constData(), buffer, sizeof buffer);
        target.LinkTarget = n > 0 ? DecodeFileName(QByteArray(buffer, n)) : QString();
        struct stat to {
        };
        target.LinkToFile = sys::Stat(p.constData(), &to) == 0 && S_ISREG(to.st_mode);
    } else {
        target.Kind = TSaveTarget::TKind::Other;
    }
    return target;
}

int SaveFile(const QString& path, const QByteArray& bytes, TLinkRule links, QString* keptCopy)
{
    QByteArray file = EncodeFileName(path);
    struct stat st {
    };
    bool exists = sys::LStat(file.constData(), &st) == 0;
    if (!exists && errno != ENOENT)
        return errno;
    if (exists && S_ISLNK(st.st_mode) && links == TLinkRule::FollowToFile) {
        // Only to a file that is there: a save never creates one through a link.
        char* real = sys::RealPath(file.constData(), nullptr);
        if (!real)
            return errno;
        file = real;
        std::free(real);
        if (sys::LStat(file.constData(), &st) != 0)
            return errno;
    }
    if (exists && S_ISDIR(st.st_mode))
        return EISDIR;
    if (exists && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
        return EINVAL;
    QByteArray folder, name;
    Split(file, folder, name);
    const TFd dir(sys::Open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.Valid())
        return errno;
    RemoveStalePartFiles(dir.Get());
    if (!exists || S_ISLNK(st.st_mode)) // a new file, or one that takes a link's place
        return WriteThroughPart(dir.Get(), path, name, bytes, nullptr, exists);
    return SaveRegular(dir.Get(), path, folder, name, bytes, st, keptCopy);
}

QStringList KeptSaveCopies(const QString& path)
{
    QByteArray folder, name;
    Split(EncodeFileName(path), folder, name);
    const QByteArray tail = ".saved-XXXXXX";
    const QByteArray stem = WithTail(name, tail).chopped(6);
    QStringList copies;
    for (const QByteArray& place : {folder, EncodeFileName(QDir::tempPath())}) {
        const TFd dir(sys::Open(place.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        std::vector<QByteArray> names;
        if (!dir.Valid() || ReadDirectoryNames(dir.Get(), names) != 0)
            continue;
        for (const QByteArray& entry : names) {
            struct stat st {
            };
            if (entry.size() == stem.size() + 6 && entry.startsWith(stem) &&
                sys::FStatAt(dir.Get(), entry.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(st.st_mode) && st.st_uid == sys::EffectiveUser())
                copies << DecodeFileName((place == "/" ? QByteArray() : place) + '/' + entry);
        }
    }
    copies.sort();
    return copies;
}

bool CanReplaceFile(const QString& path)
{
    const QByteArray file = EncodeFileName(path);
    QByteArray folder, name;
    Split(file, folder, name);
    return sys::Access(file.constData(), W_OK) == 0 &&
           sys::Access(folder.constData(), W_OK | X_OK) == 0;
}

} // namespace platform
