// What the panels show: cells, icons, selection line, drive selector.
#include "controls/FontScale.h"
#include "controls/VirtualListView.h"
#include "listing/ArchiveFolders.h"
#include "main/DriveSelector.h"
#include "main/PanelText.h"
#include "main/StatusLine.h"
#include "main/uMain.h"
#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/IconList.h"
#include "platform/Messages.h"

#include <QLabel>
#include <QStyle>
#include <algorithm>

using fontscale::Scaled;

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
    if (mask & omCaption)
        text = e.Kind == fkZipMember ? ShownMemberName(e.Name) : e.Name;
    if (mask & omEdit) // the whole name; bytes that are not UTF-8 as U+FFFD
        text = platform::DisplayName(e.Name);
}

void TfMain::FilesODCacheHint(TSide side, int from, int to)
{
    TPanel& p = m_panels[side];
    platform::TIconList& icons = platform::TIconList::instance();
    for (int row = std::max(0, from); row <= to && row < p.Listing.Count(); ++row) {
        TFileObject& e = p.Listing[row];
        if (e.IsParent() || e.Kind == fkDrive || (e.Kind == fkZipMember && e.IsDirectory()))
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
    p.Files->FirstRowUnmarkable = p.Listing.Count() > 0 && p.Listing[0].IsParent();
    qint64 sum = 0, count = 0;
    for (int row : MarkedRows(side))
        if (row < p.Listing.Count() && !p.Listing[row].IsParent()) {
            sum += p.Listing[row].Size;
            ++count;
        }
    p.Selected->SetText(1, FormatSize(count) + QStringLiteral(" object(s)"));
    p.Selected->SetText(2, FormatSize(sum) + QStringLiteral(" byte(s)"));
    QuickFollowSoon(side);
}

void TfMain::FitSizeColumn(TSide side)
{
    TPanel& p = m_panels[side];
    qint64 largest = 0;
    for (int row = 0; row < p.Listing.Count(); ++row)
        largest = std::max(largest, p.Listing[row].Size);
    // Every digit as wide as the widest one: no size of as many digits is wider.
    const QFontMetrics metrics(p.Files->font());
    int digit = 0;
    for (char c = '0'; c <= '9'; ++c)
        digit = std::max(digit, metrics.horizontalAdvance(QLatin1Char(c)));
    QString text = FormatSize(largest);
    int width = 0;
    for (const QChar c : text)
        width += c.isDigit() ? digit : metrics.horizontalAdvance(c);
    const int margin =
        p.Files->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, p.Files);
    const int needed = std::max(Scaled(75), width + 2 * (margin + 1) + Scaled(4));
    if (needed != p.Files->ColumnWidth(pcSize)) {
        p.Files->SetColumnWidth(pcSize, needed);
        SplitterMoved(); // the Name column takes what is left
    }
}

void TfMain::FillDriveList(TSide side)
{
    TPanel& p = m_panels[side];
    int selected = -1;
    QStringList items = DriveListItems(p.Directory, LogicalDrives, &selected);
    QHash<QString, QString> names;
    AddRemoteDriveItems(side, items, selected, names);
    static_cast<TDriveSelector*>(p.Drives)->SetItems(items, selected, names);
}

void TfMain::DrivesChange(TSide side, int index)
{
    auto* drives = static_cast<TDriveSelector*>(m_panels[side].Drives);
    if (drives->IsDroppedDown() || index < 0)
        return;
    const QString target = ParseDriveItem(drives->ItemText(index)).Target;
    if (RemoteDriveChosen(side, target))
        return;
    if (target == QLatin1String("Drives") || platform::DirectoryExists(target)) {
        LeaveLockedTab(side);
        if (target == QLatin1String("Drives") && m_panels[side].Directory != target)
            m_panels[side].BeforeDrives = m_panels[side].Directory;
        m_panels[side].Directory = target;
        RefreshPanel(side);
        return;
    }
    platform::ShowMessage(QStringLiteral("No access to ") + target + QStringLiteral("."));
    FillDriveList(side);
}
