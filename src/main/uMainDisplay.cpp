// What the panels show: cells, icons, selection line, drive selector.
#include "controls/FontScale.h"
#include "controls/VirtualListView.h"
#include "listing/ArchiveFolders.h"
#include "main/uMain.h"
#include "panel/DriveSelector.h"
#include "panel/PanelText.h"
#include "panel/StatusLine.h"
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
    m_panels[side].ItemInfo(item, subItem, mask, image, text);
}

void TfMain::FilesODCacheHint(TSide side, int from, int to)
{
    IconLookupCount += m_panels[side].CacheHint(from, to);
}

void TfMain::FilesChange(TSide side)
{
    m_panels[side].FilesChange();
}

void TfMain::FitSizeColumn(TSide side)
{
    if (m_panels[side].FitSizeColumn())
        SplitterMoved(); // the Name column takes what is left
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
