#include "transfer/FileOpsTrash.h"
#include "platform/FileNames.h"

#include "transfer/FileOpsRecord.h"
#include "transfer/FileOpsSupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUrl>
#include <cerrno>
#include <cstdio>

namespace platform
{

namespace
{

constexpr int kMaxTrashNames = 10000;

QString Tr(const char* text)
{
    return QCoreApplication::translate("ShellFileOperation", text);
}

bool IsOwnFolder(const QString& path)
{
    struct stat st {
    };
    return sys::LStat(platform::EncodeFileName(path).constData(), &st) == 0 &&
           S_ISDIR(st.st_mode) && st.st_uid == sys::EffectiveUser();
}

// Makes `path` (one level) as a private folder unless it exists; true when it is a
// folder (not a link) afterwards.
bool EnsureFolder(const QString& path)
{
    sys::MkDir(platform::EncodeFileName(path).constData(), 0700);
    struct stat st {
    };
    return sys::LStat(platform::EncodeFileName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A trash folder `trash` with its files/ and info/, on the device `dev`.
bool UsableTrash(const QString& trash, dev_t dev)
{
    struct stat st {
    };
    return EnsureFolder(trash) && EnsureFolder(trash + "/files") && EnsureFolder(trash + "/info") &&
           sys::Stat(platform::EncodeFileName(trash + "/files").constData(), &st) == 0 &&
           st.st_dev == dev;
}

// The root of the file system holding the folder `folder` (realpath'd): the last
// folder going up whose device is still `dev`.
QString TopDirectory(QString folder, dev_t dev)
{
    while (folder != QLatin1String("/")) {
        const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
        const QString up = slash == 0 ? QStringLiteral("/") : folder.left(slash);
        struct stat st {
        };
        if (sys::Stat(platform::EncodeFileName(up).constData(), &st) != 0 || st.st_dev != dev)
            break;
        folder = up;
    }
    return folder;
}

QString RealFolderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QByteArray parent =
        platform::EncodeFileName(slash <= 0 ? QStringLiteral("/") : path.left(slash));
    char resolved[PATH_MAX];
    return sys::RealPath(parent.constData(), resolved) ? platform::DecodeFileName(resolved)
                                                       : QString();
}

QByteArray TrashInfo(const QString& path)
{
    return "[Trash Info]\nPath=" + QUrl::toPercentEncoding(platform::EncodeFileName(path), "/") +
           "\nDeletionDate=" +
           QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() +
           "\n";
}

// Writes info/<name>.trashinfo exclusively; 0, EEXIST when the name is taken, or an errno.
int WriteInfo(const QString& info, const QByteArray& content)
{
    TFd fd(sys::Open(platform::EncodeFileName(info).constData(),
                     O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd.Valid())
        return errno;
    int error = sys::Write(fd.Get(), content.constData(), size_t(content.size())) == content.size()
                    ? 0
                    : (errno ? errno : EIO);
    if (!error)
        error = fd.Close();
    if (error)
        sys::Unlink(platform::EncodeFileName(info).constData());
    return error;
}

// The top of the mount that holds the folder `folder` (realpath'd): the last folder going
// up whose mount id is still that of `folder`. Bind mounts of one file system share a
// device number, so the mount id tells them apart.
QString MountTop(QString folder)
{
    const auto mountId = [](const QString& path, quint64& id) {
        struct statx stx {
        };
        if (sys::StatX(AT_FDCWD, platform::EncodeFileName(path).constData(), 0, STATX_MNT_ID,
                       &stx) != 0 ||
            !(stx.stx_mask & STATX_MNT_ID))
            return false;
        id = stx.stx_mnt_id;
        return true;
    };
    quint64 own = 0;
    if (!mountId(folder, own))
        return folder;
    while (folder != QLatin1String("/")) {
        const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
        const QString up = slash == 0 ? QStringLiteral("/") : folder.left(slash);
        quint64 id = 0;
        if (!mountId(up, id) || id != own)
            break;
        folder = up;
    }
    return folder;
}

// The trash folder at the top `top` of a file system or mount on the device `dev`: a
// shared .Trash/UID when the standard's conditions hold, else .Trash-UID, made when the
// user may; empty when neither can be used.
QString TopTrash(const QString& top, dev_t dev)
{
    const QString base = top == QLatin1String("/") ? QString() : top;
    const QString uid = QString::number(sys::EffectiveUser());
    struct stat shared {
    };
    // A shared .Trash must be a real folder with the sticky bit, as the standard asks.
    if (sys::LStat(platform::EncodeFileName(base + "/.Trash").constData(), &shared) == 0 &&
        S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX) &&
        UsableTrash(base + "/.Trash/" + uid, dev) && IsOwnFolder(base + "/.Trash/" + uid))
        return base + "/.Trash/" + uid;
    const QString own = base + "/.Trash-" + uid;
    if (UsableTrash(own, dev) && IsOwnFolder(own))
        return own;
    return {};
}

} // namespace

QString TrashFolderFor(const QString& path)
{
    const QString folder = RealFolderOf(path);
    struct stat st {
    };
    if (folder.isEmpty() || sys::Stat(platform::EncodeFileName(folder).constData(), &st) != 0)
        return {};
    // Items on the home folder's file system go to the home trash and nowhere else.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    struct stat home {
    };
    if (data.startsWith(QLatin1Char('/')))
        QDir().mkpath(data);
    if (sys::Stat(platform::EncodeFileName(data).constData(), &home) != 0 &&
        sys::Stat(platform::EncodeFileName(QDir::homePath()).constData(), &home) != 0)
        home.st_dev = st.st_dev;
    if (home.st_dev == st.st_dev)
        return data.startsWith(QLatin1Char('/')) && UsableTrash(data + "/Trash", st.st_dev)
                   ? data + "/Trash"
                   : QString();
    return TopTrash(TopDirectory(folder, st.st_dev), st.st_dev);
}

namespace
{

// The trash of the mount that holds `path`.
QString MountTrashFor(const QString& path)
{
    const QString folder = RealFolderOf(path);
    struct stat st {
    };
    if (folder.isEmpty() || sys::Stat(platform::EncodeFileName(folder).constData(), &st) != 0)
        return {};
    return TopTrash(MountTop(folder), st.st_dev);
}

// Moves `path` into the trash folder `trash`; empty or why not. `renameError` is the
// errno of the last rename tried (EXDEV: the trash is on another mount). `trashedAs`
// (may be null) receives where the item went.
QString TrashInto(const QString& path, const QString& trash, int& renameError, QString* trashedAs)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const QByteArray info = TrashInfo(path);
    renameError = 0;
    for (int n = 1; n <= kMaxTrashNames; ++n) {
        const QString trashName = n == 1 ? name : name + "." + QString::number(n);
        const QString infoPath = trash + "/info/" + trashName + ".trashinfo";
        const int error = WriteInfo(infoPath, info);
        if (error == EEXIST)
            continue;
        if (error)
            return ErrorText(error);
        const QByteArray target = platform::EncodeFileName(trash + "/files/" + trashName);
        renameError = RenameNoReplace(AT_FDCWD, platform::EncodeFileName(path).constData(),
                                      AT_FDCWD, target.constData());
        if (renameError == 0) {
            if (trashedAs)
                *trashedAs = trash + "/files/" + trashName;
            return {};
        }
        sys::Unlink(platform::EncodeFileName(infoPath).constData());
        if (renameError != EEXIST)
            return ErrorText(renameError);
    }
    return Tr("no free name was found for it in the trash");
}

} // namespace

QString MoveToTrash(const QString& path, QString* trashedAs)
{
    struct stat st {
    };
    if (!path.startsWith(QLatin1Char('/')) ||
        sys::LStat(platform::EncodeFileName(path).constData(), &st) != 0)
        return path.startsWith(QLatin1Char('/')) ? ErrorText(errno) : Tr("not a full path");
    const QString trash = TrashFolderFor(path);
    if (trash.isEmpty())
        return Tr("there is no trash folder on its file system");
    int renameError = 0;
    const QString reason = TrashInto(path, trash, renameError, trashedAs);
    if (renameError != EXDEV)
        return reason;
    // Another mount of the trash's file system (a bind mount): the mount's own trash.
    const QString own = MountTrashFor(path);
    if (own.isEmpty() || own == trash)
        return reason;
    return TrashInto(path, own, renameError, trashedAs);
}

namespace
{

// Why `error` kept an item from going back to `original`.
QString RestoreProblem(int error, const QString& original)
{
    if (error == EEXIST)
        return Tr("its old name \"%1\" is taken").arg(original);
    if (error == ENOENT)
        return Tr("its old folder is gone");
    return ErrorText(error);
}

// Removes the record `info` when it still names `original`.
void RemoveInfo(const QString& info, const QString& original)
{
    QFile file(info);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray wanted =
        "Path=" + QUrl::toPercentEncoding(platform::EncodeFileName(original), "/");
    const QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    if (lines.contains(wanted))
        sys::Unlink(platform::EncodeFileName(info).constData());
}

} // namespace

QString RestoreFromTrash(const QString& trashed, const QString& original,
                         const TEntryRecord& identity)
{
    const qsizetype files = trashed.lastIndexOf(QLatin1String("/files/"));
    if (files < 0 || !original.startsWith(QLatin1Char('/')))
        return Tr("it is not an item of a trash folder");
    struct stat st {
    };
    if (sys::LStat(platform::EncodeFileName(trashed).constData(), &st) != 0)
        return errno == ENOENT ? Tr("it is no longer in the trash") : ErrorText(errno);
    if (!identity.Matches(st))
        return Tr("the trash holds another item under its name now");
    const QByteArray from = platform::EncodeFileName(trashed);
    const QByteArray to = platform::EncodeFileName(original);
    const int error = RenameNoReplace(AT_FDCWD, from.constData(), AT_FDCWD, to.constData());
    if (error)
        return RestoreProblem(error, original);
    const QString name = trashed.mid(files + 7);
    RemoveInfo(trashed.left(files) + "/info/" + name + ".trashinfo", original);
    return {};
}

} // namespace platform
