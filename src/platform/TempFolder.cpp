#include "platform/TempFolder.h"
#include "platform/FileNames.h"

#include "platform/Messages.h"
#include "platform/PendingPutBack.h"
#include "platform/base/OwnerTag.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace platform
{

namespace
{

const QString PrivatePrefix = QStringLiteral("TRVX-");

// The owner tag in a private folder's name "TRVX-<TAG>-XXXXXX" (base/OwnerTag.h).
std::string OwnerTagOf(const QString& name)
{
    const qsizetype dash = name.lastIndexOf(u'-');
    return dash > PrivatePrefix.size()
               ? name.mid(PrivatePrefix.size(), dash - PrivatePrefix.size()).toStdString()
               : std::string();
}

// Whether the folder at `path` is this user's and, by the tag `tag` in its name and its
// time, may go.
bool MayGo(const QString& path, const std::string& tag)
{
    struct stat st {
    };
    return ::lstat(EncodeFileName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::getuid() && trvxbase::LeftOverMayGo(tag, st.st_mtime);
}

} // namespace

TPrivateFolder::TPrivateFolder()
    : m_dir(std::make_unique<QTemporaryDir>(QDir::tempPath() + '/' + PrivatePrefix +
                                            QString::fromStdString(trvxbase::OwnerTag()) +
                                            QStringLiteral("-XXXXXX")))
{
    if (!m_dir->isValid())
        throw EInOutError(errno ? errno : EIO);
}

TPrivateFolder::~TPrivateFolder()
{
    LeaveFolder(m_dir->path());
}

QString TPrivateFolder::Path() const
{
    return m_dir->path() + '/';
}

int RemoveStalePrivateFolders(QStringList* pendingPutBacks)
{
    int removed = 0;
    const QDir temp(QDir::tempPath());
    // Matched by prefix: a name filter would bring up the regular-expression engine at
    // every start for this one test.
    QStringList names;
    for (QDirIterator it(temp.path(), QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
         it.hasNext();) {
        const QString name = it.nextFileInfo().fileName();
        if (name.startsWith(PrivatePrefix))
            names << name;
    }
    for (const QString& name : names) {
        const QString path = temp.filePath(name);
        if (!MayGo(path, OwnerTagOf(name)))
            continue;
        if (HoldsPendingPutBack(path)) {
            if (pendingPutBacks)
                *pendingPutBacks << path;
            continue;
        }
        removed += QDir(path).removeRecursively() ? 1 : 0;
    }
    return removed;
}

bool InTemporaryFolder(const QString& path)
{
    const QString temp = QDir::cleanPath(QDir::tempPath());
    const QString inside = QDir::cleanPath(QDir(path).absolutePath());
    return inside == temp || inside.startsWith(temp + '/');
}

bool InPrivateFolder(const QString& path)
{
    const QString temp = QDir::cleanPath(QDir::tempPath()) + '/';
    const QString inside = QDir::cleanPath(QDir(path).absolutePath());
    return inside.startsWith(temp + PrivatePrefix);
}

qint64 FileSize(const QString& path)
{
    struct stat st {
    };
    if (stat(platform::EncodeFileName(path).constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return -1;
    return qint64(st.st_size);
}

bool SetCurrentDirectory(const QString& path)
{
    return QDir::setCurrent(path);
}

void LeaveFolder(const QString& folder)
{
    QString inside = QDir::cleanPath(folder);
    const QString current = QDir::cleanPath(QDir::currentPath());
    if (current == inside || current.startsWith(inside + '/'))
        QDir::setCurrent(QDir::tempPath());
}

} // namespace platform
