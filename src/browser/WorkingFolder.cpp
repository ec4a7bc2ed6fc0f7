#include "browser/WorkingFolder.h"

#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "platform/TempFolder.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>

namespace
{

// True while the current directory can still be named: a removed one cannot.
bool CurrentDirectoryExists()
{
    const QString current = QDir::currentPath();
    return !current.isEmpty() && platform::DirectoryExists(current);
}

} // namespace

TWorkingFolder::TWorkingFolder(QObject* parent) : QObject(parent)
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { Mend(); });
}

void TWorkingFolder::Enter(const QString& folder)
{
    errno = 0;
    if (!platform::SetCurrentDirectory(folder))
        throw platform::EInOutError(errno != 0 ? errno : ENOENT);
    if (!m_folder.isEmpty() && m_folder != folder)
        m_watcher.removePath(m_folder);
    m_folder = folder;
    if (!m_watcher.directories().contains(folder))
        m_watcher.addPath(folder);
}

bool TWorkingFolder::Mend()
{
    if (m_folder.isEmpty() || CurrentDirectoryExists())
        return false;
    m_watcher.removePath(m_folder);
    QString above = QDir::cleanPath(m_folder);
    while (!platform::DirectoryExists(above) && above != QLatin1String("/"))
        above = QFileInfo(above).path();
    return platform::SetCurrentDirectory(above);
}
