#include "platform/FileNames.h"
#include "platform/TempFolder.h"

#include "platform/Messages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace platform
{

TPrivateFolder::TPrivateFolder()
    : m_dir(std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/TRVX-XXXXXX")))
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
