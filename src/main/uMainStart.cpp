// Where the panels start: the places given on the command line, else the places, sort
// orders and view styles kept from the last run, with the options of both panels (hidden
// files, natural order); and keeping them when the window closes.
#include "archive/ReadOnlyArchive.h"
#include "controls/VirtualListView.h"
#include "controls/WindowFit.h"
#include "listing/ArchiveFolders.h"
#include "main/uMain.h"
#include "panel/PanelText.h"
#include "panel/RemoteLocation.h"
#include "platform/FileNames.h"
#include "platform/Messages.h"
#include "platform/StartPath.h"
#include "remote/RemoteUri.h"
#include "zip/ZipArchive.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSettings>

namespace
{

const char* const kGroups[2] = {"Left", "Right"};
// The columns whose widths are kept; Size fits the sizes shown and Name takes the rest.
constexpr int kKeptColumns[3] = {pcExt, pcModified, pcAttr};
constexpr int kWidestColumn = 4000;

void KeepColumns(QSettings& kept, const TVirtualListView& files)
{
    QVariantList widths;
    for (const int column : kKeptColumns)
        widths << files.ColumnWidth(column);
    kept.setValue("ColumnWidths", widths);
}

void RestoreColumns(const QSettings& kept, TVirtualListView& files)
{
    const QVariantList widths = kept.value("ColumnWidths").toList();
    for (qsizetype i = 0; i < widths.size() && i < std::ssize(kKeptColumns); ++i)
        if (const int width = widths[i].toInt(); width > 0 && width <= kWidestColumn)
            files.SetColumnWidth(kKeptColumns[i], width);
}

// Every tab of a panel, in the panel's group: Tabs, ShownTab (from 1), and a group
// TabN each (place, options, lock, history). The shown tab's place is also the panel's
// own keys, which runs before tabs read as before.
void KeepTab(QSettings& kept, const TTabState& tab)
{
    kept.setValue("Place", tab.Place.Folder);
    kept.setValue("Archive", tab.Place.Archive);
    kept.setValue("Cursor", tab.Place.Cursor);
    kept.setValue("ArchiveFolder", tab.ArchiveFolder);
    kept.setValue("SortOrder", tab.SortOrder);
    kept.setValue("Ascending", tab.Ascending);
    kept.setValue("ViewStyle", tab.ViewStyle);
    kept.setValue("Locked", tab.Locked);
    const QList<TPanelPlace>& places = tab.History.Places();
    kept.beginWriteArray("History", int(places.size()));
    for (int i = 0; i < places.size(); ++i) {
        kept.setArrayIndex(i);
        kept.setValue("Place", places[i].Folder);
        kept.setValue("Archive", places[i].Archive);
        kept.setValue("Cursor", places[i].Cursor);
    }
    kept.endArray();
    kept.setValue("HistoryAt", tab.History.At());
}

std::unique_ptr<TTabState> RestoreTab(QSettings& kept)
{
    auto tab = std::make_unique<TTabState>();
    tab->Place = {kept.value("Place").toString(), kept.value("Archive").toString(),
                  kept.value("Cursor").toString()};
    tab->ArchiveFolder = kept.value("ArchiveFolder").toString();
    const uint order = kept.value("SortOrder", tab->SortOrder).toUInt();
    if (order >= soName && order <= soExtension)
        tab->SortOrder = quint8(order);
    tab->Ascending = kept.value("Ascending", tab->Ascending).toBool();
    if (const uint style = kept.value("ViewStyle", tab->ViewStyle).toUInt(); style <= vsReport)
        tab->ViewStyle = quint8(style);
    tab->Locked = kept.value("Locked").toBool();
    QList<TPanelPlace> places;
    const int count = kept.beginReadArray("History");
    for (int i = 0; i < count; ++i) {
        kept.setArrayIndex(i);
        places.append({kept.value("Place").toString(), kept.value("Archive").toString(),
                       kept.value("Cursor").toString()});
    }
    kept.endArray();
    tab->History.Set(places, kept.value("HistoryAt", -1).toInt());
    tab->Visited = false; // read when first shown
    if (!tab->Place.Folder.startsWith('/') && tab->Place.Folder != QLatin1String("Drives") &&
        !IsRemoteAddress(tab->Place.Folder))
        return nullptr;
    return tab;
}

} // namespace

void TfMain::StartAt(TSide side, const platform::TStartPlace& place, bool openArchive)
{
    m_panels[side].Directory = place.Folder;
    m_panels[side].HistoryStep = false; // a place of its own, not the remembered tab's
    m_start[side] = {place.Name, openArchive};
    m_startRemote[side].clear();
    m_startRemoteName[side].clear();
}

void TfMain::ConnectStartPlaces(TSide side)
{
    // One place at a time: a mount's questions and answer come before the next one's.
    for (TSide s = side; s <= sdRight; s = TSide(s + 1)) {
        const QString place = std::exchange(m_startRemote[s], {});
        if (place.isEmpty())
            continue;
        const remote::TRemoteUri uri = remote::TRemoteUri::Parse(place);
        if (!uri.IsValid()) {
            platform::ShowMessage(uri.Error());
            continue;
        }
        m_connectingStart[s] = place;
        const std::function<void()> next = [this, s] {
            m_connectingStart[s].clear();
            if (s == sdLeft)
                ConnectStartPlaces(sdRight);
        };
        // The cursor goes back on the entry it was on, as in a local panel.
        const std::function<void()> arrived = [this, s] {
            TPanel& p = m_panels[s];
            const QString name = std::exchange(m_startRemoteName[s], {});
            if (const int row = name.isEmpty() ? -1 : p.Listing.RowOf(name); row >= 0)
                p.Files->FocusItem(row);
        };
        GoToRemote(s, uri.Uri(), next, arrived);
        return;
    }
}

void TfMain::KeepPanelsIn(const QString& file)
{
    m_panelsFile = file;
    if (file.isEmpty() || !QFileInfo::exists(file)) {
        // A first start: the panels start on the program's drive, the window fills the screen.
        windowfit::FillScreen(this);
        return;
    }
    QSettings kept(file, QSettings::IniFormat);
    const QPoint position = kept.value("Window/Position").toPoint();
    const QSize size = kept.value("Window/Size").toSize();
    if (size.isValid() && !size.isEmpty())
        windowfit::Place(this, position, size);
    else
        windowfit::FillScreen(this);
    m_keptMaximized = kept.value("Window/Maximized", m_keptMaximized).toBool();
    for (const TSide side : {sdLeft, sdRight}) {
        TPanel& p = m_panels[side];
        kept.beginGroup(QLatin1String(kGroups[side]));
        RestoreColumns(kept, *p.Files);
        const uint order = kept.value("SortOrder", p.SortOrder).toUInt();
        if (order >= soName && order <= soExtension)
            p.SortOrder = quint8(order);
        p.Ascending = kept.value("Ascending", p.Ascending).toBool();
        const uint style = kept.value("ViewStyle", p.ViewStyle).toUInt();
        if (style <= vsReport) {
            p.ViewStyle = quint8(style);
            p.Files->SetViewStyle(TViewStyle(style));
        }
        const QString place = kept.value("Place").toString();
        if (place == QLatin1String("Drives")) {
            StartAt(side, {place, {}}, false);
        } else if (IsRemoteAddress(place)) {
            // The local root until the place is mounted, once the window shows.
            StartAt(side, {QStringLiteral("/"), {}}, false);
            m_startRemote[side] = place;
            m_startRemoteName[side] = kept.value("Name").toString();
        } else if (place.startsWith('/')) {
            // A place that is gone gives way to its nearest parent, with no cursor name.
            const QString folder = platform::NearestExistingFolder(place);
            const bool same = folder == place;
            StartAt(side, {folder, same ? kept.value("Name").toString() : QString()},
                    same && kept.value("Archive").toBool());
        }
        const int tabs = kept.value("Tabs", 0).toInt();
        const int shown = kept.value("ShownTab", 1).toInt() - 1;
        std::vector<std::unique_ptr<TTabState>> restored;
        for (int i = 0; i < tabs; ++i) {
            kept.beginGroup(QStringLiteral("Tab%1").arg(i + 1));
            if (auto tab = RestoreTab(kept)) {
                if (i == shown) { // the panel's own keys said where and how it shows
                    tab->SortOrder = p.SortOrder;
                    tab->Ascending = p.Ascending;
                    tab->ViewStyle = p.ViewStyle;
                    tab->Visited = true;
                }
                restored.push_back(std::move(tab));
            }
            kept.endGroup();
        }
        if (shown >= 0 && shown < int(restored.size()) && restored[size_t(shown)]->Visited) {
            p.Tabs.Reset(std::move(restored), shown);
            SyncTabBar(side);
            // The start goes back to the tab's own place: no step of its history, also
            // when it passes through the archive's folder on its way.
            p.HistoryStep = true;
        }
        kept.endGroup();
    }
    ShowHidden = kept.value("View/ShowHidden", ShowHidden).toBool();
    NaturalOrder = kept.value("View/NaturalOrder", NaturalOrder).toBool();
    Actions.MenuHidden->setChecked(ShowHidden);
    Actions.MenuNatural->setChecked(NaturalOrder);
    ShowSortOrder(sdLeft);
    ShowSortOrder(sdRight);
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
        bool archive = !p.Read && ShowsArchive(side);
        if (archive) {
            const QString file =
                ShowsReadOnlyArchive(side) ? p.ReadOnly->FileName() : p.Zip->ZipFilename();
            place = file.left(file.lastIndexOf('/') + 1);
            name = file.mid(file.lastIndexOf('/') + 1);
        } else if (const int row = p.Files->GetFocusedIndex();
                   !p.Read && row >= 0 && row < p.Listing.Count()) {
            name = p.Listing[row].Name;
        }
        // A start's remote place not connected yet stays the one remembered.
        const QString awaited =
            m_startRemote[side].isEmpty() ? m_connectingStart[side] : m_startRemote[side];
        if (!awaited.isEmpty()) {
            place = awaited;
            name = m_startRemoteName[side];
            archive = false;
        }
        kept.beginGroup(QLatin1String(kGroups[side]));
        kept.setValue("Place", place);
        kept.setValue("Name", name);
        kept.setValue("Archive", archive);
        kept.setValue("SortOrder", p.SortOrder);
        kept.setValue("Ascending", p.Ascending);
        kept.setValue("ViewStyle", p.ViewStyle);
        KeepColumns(kept, *p.Files);
        if (!p.Read)
            SaveShownTab(side, false);
        kept.remove("Tabs");
        for (int i = 0; kept.childGroups().contains(QStringLiteral("Tab%1").arg(i + 1)); ++i)
            kept.remove(QStringLiteral("Tab%1").arg(i + 1));
        kept.setValue("Tabs", p.Tabs.Count());
        kept.setValue("ShownTab", p.Tabs.Shown() + 1);
        for (int i = 0; i < p.Tabs.Count(); ++i) {
            kept.beginGroup(QStringLiteral("Tab%1").arg(i + 1));
            KeepTab(kept, p.Tabs.Tab(i));
            kept.endGroup();
        }
        kept.endGroup();
    }
    kept.setValue("View/ShowHidden", ShowHidden);
    kept.setValue("View/NaturalOrder", NaturalOrder);
    // Where the window goes when not maximized: its frame's corner and its own size.
    const QPoint frameOffset = geometry().topLeft() - pos();
    const bool maximized = isMaximized();
    kept.setValue("Window/Position", maximized ? normalGeometry().topLeft() - frameOffset : pos());
    kept.setValue("Window/Size", maximized ? normalGeometry().size() : size());
    kept.setValue("Window/Maximized", maximized);
    kept.sync();
}

void TfMain::ShowAsKept()
{
    if (m_keptMaximized)
        showMaximized();
    else
        show();
}

void TfMain::EnterStartPlace(TSide side)
{
    const TStartName start = std::exchange(m_start[side], {});
    TPanel& p = m_panels[side];
    const auto arrived = qScopeGuard([this, side] {
        TPanel& p = m_panels[side];
        if (std::exchange(p.HistoryStep, false) | std::exchange(p.HistoryBatch, false))
            NoteArrived(side);
    });
    const int row = start.Name.isEmpty() ? -1 : p.Listing.RowOf(start.Name);
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
    if (start.ArchiveFolder.isEmpty() || !ShowsArchive(side))
        return;
    if (p.Folders && p.Folders->HasFolder(start.ArchiveFolder))
        ShowArchiveFolder(side, start.ArchiveFolder);
    else
        platform::ShowMessage(QStringLiteral("%1 holds no folder \"%2\".")
                                  .arg(platform::DisplayName(ArchiveFile(side)),
                                       platform::DisplayName(start.ArchiveFolder)));
}
