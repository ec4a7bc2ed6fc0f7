#include "panel/RemoteLocation.h"

#include "platform/FileSystem.h"
#include "remote/RemoteUri.h"

#include <QDateTime>
#include <QUrl>

namespace
{

// Where the path of `uri` begins (its first "/" after the authority); -1 when none.
qsizetype PathStart(const QString& uri)
{
    const qsizetype scheme = uri.indexOf(QLatin1String("://"));
    return scheme < 0 ? -1 : uri.indexOf('/', scheme + 3);
}

// Local time as the panels keep it: days since 30 December 1899.
double PanelDateTime(qint64 secondsSinceEpoch)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch);
    return double(QDate(1899, 12, 30).daysTo(local.date())) +
           local.time().msecsSinceStartOfDay() / 86400000.0;
}

} // namespace

bool IsRemoteLocation(const QString& location)
{
    const qsizetype scheme = location.indexOf(QLatin1String("://"));
    if (scheme <= 0 || location.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return false;
    for (const QChar c : location.left(scheme))
        if (!c.isLetterOrNumber() && c != '+' && c != '-' && c != '.')
            return false;
    return true;
}

bool IsRemoteAddress(const QString& typed)
{
    const QString text = typed.trimmed();
    const qsizetype scheme = text.indexOf(QLatin1String("://"));
    if (scheme <= 0)
        return false;
    static const QStringList schemes{QStringLiteral("sftp"), QStringLiteral("smb"),
                                     QStringLiteral("ftp"), QStringLiteral("dav"),
                                     QStringLiteral("davs")};
    return schemes.contains(text.left(scheme).toLower());
}

QString RemoteFolder(const QString& uri)
{
    if (PathStart(uri) < 0)
        return uri + '/';
    return uri.endsWith('/') ? uri : uri + '/';
}

bool IsRemoteTop(const QString& folderUri)
{
    const qsizetype path = PathStart(folderUri);
    return path < 0 || path >= folderUri.size() - 1;
}

QString RemoteParent(const QString& folderUri, QString* left)
{
    const QString folder = RemoteFolder(folderUri);
    if (IsRemoteTop(folder))
        return folder;
    const qsizetype slash = folder.lastIndexOf('/', folder.size() - 2);
    if (left)
        *left = QUrl::fromPercentEncoding(folder.mid(slash + 1).chopped(1).toUtf8());
    return folder.left(slash + 1);
}

QString RemoteDisplayName(const QString& uri)
{
    const remote::TRemoteUri parsed = remote::TRemoteUri::Parse(uri);
    if (parsed.IsValid())
        return parsed.DisplayForm();
    // Schemes the address line does not take (phones, other backends): decoded as is.
    return QUrl::fromPercentEncoding(uri.toUtf8());
}

std::vector<TFileObject> RemoteRows(const QString& folderUri,
                                    std::vector<platform::TRemoteEntry>&& entries,
                                    double folderDate)
{
    std::vector<TFileObject> rows;
    rows.reserve(entries.size() + 1);
    if (!IsRemoteTop(folderUri)) {
        TFileObject up;
        up.Name = QStringLiteral("..");
        up.Attr = platform::faDirectory;
        up.DateTime = folderDate;
        rows.push_back(up);
    }
    for (platform::TRemoteEntry& entry : entries) {
        if (entry.Name == QLatin1String(".") || entry.Name == QLatin1String(".."))
            continue;
        TFileObject row;
        const bool hidden = entry.Hidden || entry.Name.startsWith('.');
        row.Name = std::move(entry.Name);
        row.Size = entry.Folder ? 0 : entry.Size;
        row.DateTime = entry.Modified > 0 ? PanelDateTime(entry.Modified) : 0;
        row.Attr = quint16((entry.Folder ? platform::faDirectory : platform::faArchive) |
                           (hidden ? int(platform::faHidden) : 0));
        rows.push_back(std::move(row));
    }
    return rows;
}

double KnownFolderDate(const TFileListing& shown, const QString& folderUri)
{
    if (!IsRemoteLocation(shown.Directory))
        return 0;
    const QString folder = RemoteFolder(folderUri);
    const QString shownFolder = RemoteFolder(shown.Directory);
    QString name;
    const bool parentShown = !IsRemoteTop(folder) && RemoteParent(folder, &name) == shownFolder;
    if (!parentShown && folder != shownFolder)
        return 0;
    for (int row = 0; row < shown.Count(); ++row) {
        const TFileObject& e = shown[row];
        if (parentShown ? (e.IsDirectory() && !e.IsParent() && e.Name == name) : e.IsParent())
            return e.DateTime;
    }
    return 0;
}
