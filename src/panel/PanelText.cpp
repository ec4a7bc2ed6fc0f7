#include "panel/PanelText.h"
#include "listing/ArchiveFolders.h"
#include "platform/FileNames.h"

#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"

QString AttrText(quint32 attr)
{
    QString text;
    if (attr & platform::faDirectory)
        text += 'D';
    if (attr & platform::faArchive)
        text += 'A';
    if (attr & platform::faReadOnly)
        text += 'R';
    if (attr & platform::faHidden)
        text += 'H';
    if (attr & platform::faSysFile)
        text += 'S';
    return text;
}

QString CellText(const TFileObject& e, int column)
{
    // A member inside a folder of its archive shows its own name, not its folders'. A
    // name that ends in a bare dot ("trailingdot.") has no extension to show apart: the
    // Name column keeps the dot.
    const QString name = e.Kind == fkZipMember ? ShownMemberName(e.Name) : e.Name;
    const bool whole =
        e.IsParent() || e.Kind == fkDrive || NameExtension(name) == QLatin1String(".");
    switch (column) {
    case pcName: // bytes that are not UTF-8 show as U+FFFD
        return platform::DisplayName(whole ? name : NameStem(name));
    case pcExt:
        return whole ? QString() : platform::DisplayName(NameExtension(name).mid(1, 10));
    case pcSize:
        return e.IsDirectory() && e.Size == 0 ? QString() : FormatSize(e.Size);
    case pcModified:
        // A ".." row whose folder's date is not known (a remote place's) shows none.
        if (e.Kind == fkDrive || (e.IsParent() && e.DateTime == 0))
            return {};
        return platform::FormatDateTime(e.DateTime);
    case pcAttr:
        return AttrText(e.Attr);
    default:
        return {};
    }
}

QStringList DriveListItems(const QString& location, const QStringList& drives, int* current)
{
    const bool isDrives = location == QLatin1String("Drives");
    const QString currentDrive = platform::DriveOf(location, drives);
    QStringList items{QStringLiteral("0:Drives")};
    int selected = isDrives ? 0 : -1;
    for (const QString& root : drives) {
        items << QStringLiteral("1:") + root;
        if (isDrives || root != currentDrive)
            continue;
        // One item per folder level below the drive root, down to the location.
        int level = 2;
        for (qsizetype at = location.indexOf('/', root.size()); at >= 0;
             at = location.indexOf('/', at + 1))
            items << QString::number(level++) + ':' + location.left(at + 1);
        selected = int(items.size()) - 1;
    }
    if (selected >= 0)
        items[selected].prepend('T');
    if (current)
        *current = selected;
    return items;
}

TDriveItem ParseDriveItem(const QString& item)
{
    TDriveItem d;
    QString text = item;
    if (text.startsWith('T')) {
        d.Current = true;
        text.remove(0, 1);
    }
    const qsizetype colon = text.indexOf(':');
    d.Level = text.left(colon).toInt();
    d.Target = text.mid(colon + 1);
    return d;
}

QString ParentLocation(const QString& location)
{
    QString up = location;
    if (up.size() <= 1)
        return up;
    up.chop(1);
    while (!up.isEmpty() && !up.endsWith('/'))
        up.chop(1);
    return up.isEmpty() ? QStringLiteral("/") : up;
}
