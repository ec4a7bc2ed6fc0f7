// Where the panels start: the places given on the command line, else the places, sort
// orders and view styles kept from the last run; and keeping them when the window closes.
#include "archive/ReadOnlyArchive.h"
#include "controls/VirtualListView.h"
#include "main/uMain.h"
#include "platform/StartPath.h"
#include "zip/ZipArchive.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace
{

const char* const kGroups[2] = {"Left", "Right"};

int RowNamed(const TFileListing& listing, const QString& name)
{
    for (int row = 0; row < listing.Count(); ++row)
        if (listing[row].Name == name)
            return row;
    return -1;
}

} // namespace

void TfMain::StartAt(TSide side, const platform::TStartPlace& place, bool openArchive)
{
    m_panels[side].Directory = place.Folder;
    m_start[side] = {place.Name, openArchive};
}

void TfMain::KeepPanelsIn(const QString& file)
{
    m_panelsFile = file;
    if (file.isEmpty() || !QFileInfo::exists(file))
        return; // a first start: the panels start on the program's drive
    QSettings kept(file, QSettings::IniFormat);
    for (const TSide side : {sdLeft, sdRight}) {
        TPanel& p = m_panels[side];
        kept.beginGroup(QLatin1String(kGroups[side]));
        const uint order = kept.value("SortOrder", p.SortOrder).toUInt();
        if (order >= soName && order <= soExtension)
            p.SortOrder = quint8(order);
        const uint style = kept.value("ViewStyle", p.ViewStyle).toUInt();
        if (style <= vsReport) {
            p.ViewStyle = quint8(style);
            p.Files->SetViewStyle(TViewStyle(style));
        }
        const QString place = kept.value("Place").toString();
        if (place == QLatin1String("Drives")) {
            StartAt(side, {place, {}}, false);
        } else if (place.startsWith('/')) {
            // A place that is gone gives way to its nearest parent, with no cursor name.
            const QString folder = platform::NearestExistingFolder(place);
            const bool same = folder == place;
            StartAt(side, {folder, same ? kept.value("Name").toString() : QString()},
                    same && kept.value("Archive").toBool());
        }
        kept.endGroup();
    }
}

void TfMain::KeepPanels()
{
    if (m_panelsFile.isEmpty())
        return;
    QDir().mkpath(QFileInfo(m_panelsFile).absolutePath());
    QSettings kept(m_panelsFile, QSettings::IniFormat);
    for (const TSide side : {sdLeft, sdRight}) {
        const TPanel& p = m_panels[side];
        QString place = p.Read ? p.Read->Directory : p.Directory;
        QString name;
        const bool archive = !p.Read && ShowsArchive(side);
        if (archive) {
            const QString file = ShowsReadOnlyArchive(side) ? p.ReadOnly->FileName()
                                                            : p.Zip->ZipFilename();
            place = file.left(file.lastIndexOf('/') + 1);
            name = file.mid(file.lastIndexOf('/') + 1);
        } else if (const int row = p.Files->GetFocusedIndex();
                   !p.Read && row >= 0 && row < p.Listing.Count()) {
            name = p.Listing[row].Name;
        }
        kept.beginGroup(QLatin1String(kGroups[side]));
        kept.setValue("Place", place);
        kept.setValue("Name", name);
        kept.setValue("Archive", archive);
        kept.setValue("SortOrder", p.SortOrder);
        kept.setValue("ViewStyle", p.ViewStyle);
        kept.endGroup();
    }
    kept.sync();
}

void TfMain::EnterStartPlace(TSide side)
{
    const TStartName start = std::exchange(m_start[side], {});
    TPanel& p = m_panels[side];
    const int row = start.Name.isEmpty() ? -1 : RowNamed(p.Listing, start.Name);
    if (row < 0)
        return;
    p.Files->FocusItem(row);
    if (!start.OpenArchive || p.Listing[row].IsDirectory())
        return;
    // As Enter on it would: a ZIP archive, or one of the read-only formats when no
    // viewer claims the file; any other file just keeps the cursor.
    if (p.Listing[row].Kind == fkZipFile)
        OpenArchive(side, row);
    else if (p.Listing[row].Kind == fkDisk)
        OpenReadOnlyArchive(side, row);
}
