// Panel commands: navigation by double click, sorting, view styles, directory sizes,
// synchronisation and the tool-bar switch.
#include "archive/ReadOnlyArchive.h"
#include "controls/VirtualListView.h"
#include "controls/WaitCursor.h"
#include "fileops/uCommon.h"
#include "main/PanelText.h"
#include "main/StatusLine.h"
#include "main/uMain.h"
#include "platform/Drives.h"
#include "zip/ZipArchive.h"

#include <QApplication>
#include <QLabel>
#include <QToolBar>

void TfMain::FilesDblClick(TSide side)
{
    TPanel& p = m_panels[side];
    const int row = p.Files->GetFocusedIndex();
    if (row < 0 || row >= p.Listing.Count())
        return;
    const TFileObject& e = p.Listing[row];
    if (e.IsDirectory()) {
        p.Directory =
            e.IsParent() ? ParentLocation(p.Directory) : AddSeparator(p.Directory) + e.Name + '/';
        OpenLocation(side);
        return;
    }
    if (e.Kind == fkZipFile) {
        if (e.IsParent())
            OpenLocation(side);
        else
            OpenArchive(side, row);
        return;
    }
    if (e.Kind == fkDisk && OpenReadOnlyArchive(side, row))
        return;
    MenuViewFileClick();
}

void TfMain::OpenArchive(TSide side, int row)
{
    TPanel& p = m_panels[side];
    // Reading may raise the reader's error: nothing of the panel has changed then.
    p.Zip->SetZipFilename(AddSeparator(p.Directory) + p.Listing[row].Name);
    LoadZipListing(side, &p.Listing[row]);
    FocusFirstRow(side);
    p.DirectoryLabel->setText(p.Zip->ZipFilename());
    ShowTotals(side, QStringLiteral(" objects"), QStringLiteral(" bytes"));
}

void TfMain::LoadZipListing(TSide side, const TFileObject* archiveEntry)
{
    TPanel& p = m_panels[side];
    // The read-only component is open from its opening until the panel reads a folder.
    const bool readOnly = p.ReadOnly && p.ReadOnly->IsOpen();
    p.Listing.LoadArchiveMembers(readOnly ? p.ReadOnly->Members() : p.Zip->Members(), archiveEntry);
    p.Listing.Sort(p.SortOrder, true);
    p.Files->SetVirtualItemCount(p.Listing.Count(), cfNoScroll);
}

bool TfMain::ShowsArchive(TSide side) const
{
    return m_panels[side].Listing.IsArchiveListing();
}

void TfMain::OpenLocation(TSide side)
{
    TPanel& p = m_panels[side];
    ReadListing(side);
    FillDriveList(side);
    FocusFirstRow(side);
    p.DirectoryLabel->setText(p.Directory);
    ShowTotals(side, QStringLiteral(" objects"), QStringLiteral(" bytes"));
}

void TfMain::SetSortOrder(int columnIndex)
{
    if (ActivePanel != 1 && ActivePanel != 2)
        return;
    TPanel& p = m_panels[ActiveSide()];
    static const quint8 orders[4] = {soName, soExtension, soSize, soDateTime};
    if (columnIndex >= 0 && columnIndex < 4)
        p.SortOrder = orders[columnIndex];
    p.Listing.Sort(p.SortOrder, true);
    p.Files->ClearItemStates();
    p.Files->SetVirtualItemCount(p.Listing.Count(), cfNoScroll);
}

void TfMain::SetViewStyle(int style)
{
    if (style < vsIcon || style > vsReport)
        return;
    Actions.MenuView[style]->setChecked(true);
    if (ActivePanel != 1 && ActivePanel != 2)
        return;
    TPanel& p = m_panels[ActiveSide()];
    p.Files->SetViewStyle(TViewStyle(style));
    p.ViewStyle = quint8(style);
}

void TfMain::MenuToolbarClick()
{
    auto* bar = findChild<QToolBar*>(QStringLiteral("Toolbar"));
    bar->setVisible(!bar->isVisible());
    Actions.MenuToolbar->setChecked(bar->isVisible());
}

void TfMain::MenuDirectorySizeClick()
{
    const TWaitCursor wait;
    TPanel& p = m_panels[ActiveSide()];
    qint64 sum = 0;
    for (int i = 0; i < p.Listing.Count(); ++i) {
        TFileObject& e = p.Listing[i];
        if (!e.IsDirectory() || e.IsParent())
            continue;
        e.Size = DirectoryTreeSize(AddSeparator(p.Listing.Directory) + e.Name);
        sum += e.Size;
    }
    p.Files->ClearItemStates();
    p.Files->SetVirtualItemCount(p.Listing.Count(), cfNoScroll);
    p.Total->SetText(2, FormatSize(p.Listing.TotalSize + sum) + QStringLiteral(" bytes"));
}

void TfMain::MenuSynchronizeWindowsClick()
{
    const TSide target = ActivePanel == 1 ? sdRight : sdLeft;
    m_panels[target].Directory = m_panels[Other(target)].Directory;
    ReadListing(target);
    // The other panel also shows where it is now, without taking the focus.
    TPanel& p = m_panels[target];
    FillDriveList(target);
    p.DirectoryLabel->setText(p.Directory);
    p.LabelFree->setText(FormatSize(platform::FreeSpace(p.Directory)) +
                         QStringLiteral(" bytes free"));
    ShowTotals(target, QStringLiteral(" object(s)"), QStringLiteral(" byte(s)"));
}
