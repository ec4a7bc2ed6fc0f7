// What the panels show: cells, icons, selection line, drive selector.
#include "controls/VirtualListView.h"
#include "main/DriveSelector.h"
#include "main/PanelText.h"
#include "main/StatusLine.h"
#include "main/uMain.h"
#include "platform/FileSystem.h"
#include "platform/IconList.h"
#include "platform/Messages.h"

#include <QLabel>

void TfMain::FilesODGetItemInfo(TSide side, int item, int subItem, unsigned mask, int& image,
                                QString& text)
{
    const TFileListing& listing = m_panels[side].Listing;
    if (item < 0 || item >= listing.Count())
        return;
    const TFileObject& e = listing[item];
    if (mask & omImage)
        image = e.ImageIndex;
    if (mask & omText)
        text = CellText(e, subItem);
}

void TfMain::FilesODCacheHint(TSide side, int from, int to)
{
    TPanel& p = m_panels[side];
    platform::TIconList& icons = platform::TIconList::instance();
    for (int row = std::max(0, from); row <= to && row < p.Listing.Count(); ++row) {
        TFileObject& e = p.Listing[row];
        if (e.IsParent())
            e.ImageIndex = icons.FolderIndex(false);
        else if (e.Kind == fkZipMember)
            e.ImageIndex = icons.IndexForName(e.Name.mid(e.Name.lastIndexOf('/') + 1));
        else
            e.ImageIndex =
                icons.IndexForName(AddSeparator(p.Listing.Directory) + e.Name, e.IsDirectory());
        ++IconLookupCount;
    }
}

void TfMain::FilesChange(TSide side)
{
    TPanel& p = m_panels[side];
    const std::vector<int> rows = p.Files->SelectedRows();
    qint64 sum = 0;
    for (int row : rows)
        if (row < p.Listing.Count())
            sum += p.Listing[row].Size;
    p.Selected->SetText(1, FormatSize(qint64(rows.size())) + QStringLiteral(" object(s)"));
    p.Selected->SetText(2, FormatSize(sum) + QStringLiteral(" byte(s)"));
}

void TfMain::FillDriveList(TSide side)
{
    TPanel& p = m_panels[side];
    int selected = -1;
    const QStringList items = DriveListItems(p.Directory, LogicalDrives, &selected);
    static_cast<TDriveSelector*>(p.Drives)->SetItems(items, selected);
}

void TfMain::DrivesChange(TSide side, int index)
{
    auto* drives = static_cast<TDriveSelector*>(m_panels[side].Drives);
    if (drives->IsDroppedDown() || index < 0)
        return;
    const QString target = ParseDriveItem(drives->ItemText(index)).Target;
    if (target == QLatin1String("Drives") || platform::DirectoryExists(target)) {
        m_panels[side].Directory = target;
        RefreshPanel(side);
        return;
    }
    platform::ShowMessage(QStringLiteral("No access to ") + target + QStringLiteral("."));
    FillDriveList(side);
}
