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

// "~" and "~/..." name the home folder; "~user" is left as a name.
QString WithHome(const QString& path)
{
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        return QDir::homePath() + path.mid(1);
    return path;
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
    path = WithHome(path);
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

QString CompletePath(const QString& typed, const QString& currentFolder)
{
    const qsizetype slash = typed.lastIndexOf('/');
    const QString head = typed.left(slash + 1);
    const QString start = typed.mid(slash + 1);
    const QString folder =
        head.isEmpty() ? currentFolder : QDir(currentFolder).absoluteFilePath(WithHome(head));
    const QDir dir(folder);
    QStringList names;
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (name.startsWith(start))
            names << name;
    if (names.isEmpty())
        return typed;
    QString common = names.front();
    for (const QString& name : names) {
        qsizetype same = 0;
        while (same < common.size() && same < name.size() && common[same] == name[same])
            ++same;
        common.truncate(same);
    }
    const bool folderName = names.size() == 1 && DirectoryExists(dir.filePath(common));
    return head + common + (folderName ? QStringLiteral("/") : QString());
}

QString NearestExistingFolder(const QString& path)
{
    QString folder = QDir::cleanPath(path);
    while (folder.size() > 1 && !DirectoryExists(folder))
        folder = folder.left(std::max(1, int(folder.lastIndexOf('/'))));
    return folder.startsWith('/') ? WithSeparator(folder) : QStringLiteral("/");
}

} // namespace platform
