#include "fileops/CopyTarget.h"

#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/Messages.h"
#include "transfer/FileOpsSupport.h"
#include "transfer/ShellFileOperation.h"

#include <QDir>
#include <QUrl>

namespace
{

QString Counted(int count, const char* one, const char* many)
{
    return platform::FormatNumber(count) + QLatin1Char(' ') +
           QLatin1String(count == 1 ? one : many);
}

TCopyTarget Refused(const QString& why)
{
    TCopyTarget target;
    target.Why = why;
    return target;
}

// The folder part of a clean absolute path, ending in "/".
QString FolderOf(const QString& path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The first entry at or above `path` (clean, absolute) that exists, when it is no
// folder; empty when the nearest existing one is a folder.
QString FileInTheWay(const QString& path)
{
    QString at = path;
    while (at.size() > 1 && !platform::DirectoryExists(at)) {
        if (platform::FileExists(at))
            return at;
        at = at.left(std::max<qsizetype>(1, at.lastIndexOf(QLatin1Char('/'))));
    }
    return {};
}

} // namespace

QString CountedItems(int files, int folders)
{
    QStringList parts;
    if (files > 0 || folders == 0)
        parts << Counted(files, "file", "files");
    if (folders > 0)
        parts << Counted(folders, "folder", "folders");
    return parts.join(QStringLiteral(" and "));
}

TCopyTarget ResolveCopyTarget(const QString& typed, const QString& base, const QString& home,
                              bool mayRename)
{
    QString path = typed;
    if (path.trimmed().isEmpty())
        return Refused(mayRename ? QStringLiteral("Type the folder to copy into, or a new name.")
                                 : QStringLiteral("Type the folder to copy into."));
    // A URI ("file:///x", "sftp://host/x"): only a local file names a place here.
    if (const QUrl url(path); url.isLocalFile())
        path = url.toLocalFile();
    else if (!url.scheme().isEmpty() && path.contains(QLatin1String("://")))
        return Refused(QStringLiteral("Only a local folder can be the target."));
    if (path.contains(QChar(0)))
        return Refused(QStringLiteral("A name cannot hold the character NUL."));
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = home + path.mid(1);
    // "x/", "x/." and "x/.." name folders, never a new name.
    const QString last = path.section(QLatin1Char('/'), -1);
    const bool folderMeant =
        !mayRename || last.isEmpty() || last == QLatin1String(".") || last == QLatin1String("..");
    // Cleaned as text: "a/../b" names b beside a, as the shell's own "cd" reads it.
    const QString clean = QDir::cleanPath(QDir(base).absoluteFilePath(path));
    TCopyTarget target;
    if (platform::DirectoryExists(clean)) {
        target.Kind = TCopyTarget::Into;
        target.Folder = clean.endsWith(QLatin1Char('/')) ? clean : clean + QLatin1Char('/');
        return target;
    }
    if (folderMeant) {
        if (const QString file = FileInTheWay(clean); !file.isEmpty())
            return Refused(
                QStringLiteral("\"%1\" is a file, not a folder.").arg(platform::DisplayName(file)));
        target.Kind = TCopyTarget::Into;
        target.Folder = clean + QLatin1Char('/');
        target.Create = true;
        return target;
    }
    const QString folder = FolderOf(clean);
    if (const QString file = FileInTheWay(folder.size() > 1 ? folder.chopped(1) : folder);
        !file.isEmpty())
        return Refused(
            QStringLiteral("\"%1\" is a file, not a folder.").arg(platform::DisplayName(file)));
    target.Kind = TCopyTarget::AsName;
    target.Folder = folder;
    target.Name = clean.mid(folder.size());
    target.Create = !platform::DirectoryExists(folder);
    return target;
}

QString MakeTargetFolder(const QString& folder)
{
    const QString clean = QDir::cleanPath(folder);
    if (!clean.startsWith(QLatin1Char('/')))
        return QStringLiteral("it is not a full path");
    // The levels that do not exist yet, from the top down.
    QStringList missing;
    for (QString at = clean; at.size() > 1 && !platform::DirectoryExists(at);
         at = at.left(std::max<qsizetype>(1, at.lastIndexOf(QLatin1Char('/')))))
        missing.prepend(at);
    for (const QString& level : missing) {
        try {
            platform::CreateDirectory(level);
        } catch (const platform::EInOutError& e) {
            if (!platform::DirectoryExists(level)) // made meanwhile by another program: fine
                return platform::ErrorText(e.ErrorCode());
        }
    }
    return {};
}

QString UnshownText(const QString& raw, const QString& edited)
{
    const QString shown = platform::DisplayName(raw); // as long as `raw`
    qsizetype prefix = 0;
    while (prefix < edited.size() && prefix < shown.size() && edited[prefix] == shown[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < edited.size() - prefix && suffix < shown.size() - prefix &&
           edited[edited.size() - 1 - suffix] == shown[shown.size() - 1 - suffix])
        ++suffix;
    return raw.left(prefix) + edited.mid(prefix, edited.size() - prefix - suffix) +
           raw.right(suffix);
}
