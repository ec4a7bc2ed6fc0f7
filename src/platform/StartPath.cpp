#include "platform/StartPath.h"

#include "platform/FileNames.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QUrl>

#include <sys/stat.h>

namespace platform
{

namespace
{

// Any entry at all, also a dangling link: the panel can show it under the cursor.
bool EntryExists(const QString& path)
{
    struct stat st {};
    return lstat(EncodeFileName(path).constData(), &st) == 0;
}

QString WithSeparator(const QString& folder)
{
    return folder.endsWith('/') ? folder : folder + '/';
}

} // namespace

bool ResolveStartPath(const QString& argument, const QString& currentFolder, TStartPlace& place)
{
    QString path = argument;
    if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(argument);
        if (!url.isLocalFile())
            return false;
        path = url.toLocalFile();
    }
    if (path.isEmpty())
        return false;
    // Cleaned as text: "a/../b" names b beside a, as the shell's own "cd" reads it.
    path = QDir::cleanPath(QDir(currentFolder).absoluteFilePath(path));
    if (DirectoryExists(path)) {
        place = {WithSeparator(path), QString()};
        return true;
    }
    if (!EntryExists(path))
        return false;
    const int slash = int(path.lastIndexOf('/'));
    place = {path.left(slash + 1), path.mid(slash + 1)};
    return true;
}

QString NearestExistingFolder(const QString& path)
{
    QString folder = QDir::cleanPath(path);
    while (folder.size() > 1 && !DirectoryExists(folder))
        folder = folder.left(std::max(1, int(folder.lastIndexOf('/'))));
    return folder.startsWith('/') ? WithSeparator(folder) : QStringLiteral("/");
}

} // namespace platform
