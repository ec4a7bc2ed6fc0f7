// Live folders: each panel follows what it shows (its folder, or the file of the archive
// it shows) through a watcher of its own, and re-reads it once changes made by other
// programs have settled, keeping the focused and marked names. A re-read never starts
// inside a command, a dialog or another read, nor during an in-place edit; it waits for
// them. A folder that goes away takes the panel to its nearest existing parent.
#include "archive/ReadOnlyArchive.h"
#include "controls/VirtualListView.h"
#include "fileops/uProgress.h"
#include "main/uMain.h"
#include "panel/PanelText.h"
#include "panel/StatusLine.h"
#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/FolderWatcher.h"
#include "platform/Messages.h"
#include "zip/ZipArchive.h"

#include <QApplication>
#include <QLabel>
#include <QSet>
#include <QThread>
#include <algorithm>

void TfMain::CreateWatcher(TSide side)
{
    TPanel& p = m_panels[side];
    p.CreateWatcher();
    connect(&p, &TFilePanel::LiveChange, this, [this, side] { LiveReread(side); });
}

void TfMain::WatchPanel(TSide side)
{
    TPanel& p = m_panels[side];
    QString folder = p.Directory, name;
    if (ShowsArchive(side)) {
        const QString file =
            ShowsReadOnlyArchive(side) ? p.ReadOnly->FileName() : p.Zip->ZipFilename();
        folder = file.left(file.lastIndexOf('/') + 1);
        name = file.mid(file.lastIndexOf('/') + 1);
    }
    p.Watch(folder, name, LiveFolders);
}

bool TfMain::LiveRereadMayStart(TSide side) const
{
    // Loops nested in the main one belong to a command's wait, a dialog or a folder
    // read's quiet wait: the re-read comes after them.
    return !m_commandRunning && !ReadingAny() && !FileWorkRunning() &&
           !QApplication::activeModalWidget() && QThread::currentThread()->loopLevel() <= 1 &&
           !m_panels[side].Files->IsEditing();
}

void TfMain::LiveReread(TSide side)
{
    m_panels[side].LiveReread();
}

bool TfMain::MayRereadChange(const TFilePanel& panel) const
{
    return LiveRereadMayStart(SideOf(panel));
}

void TfMain::RereadChange(TFilePanel& panel)
{
    RereadKeepingView(SideOf(panel), panel.Directory, {}, true, true);
}

bool TfMain::ReloadShownArchive(TFilePanel& panel)
{
    return ReloadArchive(SideOf(panel));
}

bool TfMain::ReloadArchive(TSide side)
{
    // A compressed tar is decompressed whole to be listed: that runs on a worker.
    if (ShowsReadOnlyArchive(side)) {
        ReloadReadOnlyArchive(side);
        return true;
    }
    TPanel& p = m_panels[side];
    const QString file = p.Zip->ZipFilename();
    if (!platform::FileExists(file))
        return false;
    try {
        KeepingArchiveRows(side, [&] { p.Zip->SetZipFilename(file); });
    } catch (const platform::EError&) {
        // still being written: the next change reads it again
    }
    return true;
}

void TfMain::KeepingArchiveRows(TSide side, const std::function<void()>& read)
{
    TPanel& p = m_panels[side];
    TVirtualListView& files = *p.Files;
    const int focused = files.GetFocusedIndex();
    const QString focusedName =
        focused >= 0 && focused < p.Listing.Count() ? p.Listing[focused].Name : QString();
    const bool marking = files.Marking();
    QSet<QString> marked;
    for (int row : files.SelectedRows())
        if (row < p.Listing.Count())
            marked.insert(p.Listing[row].Name);
    read();
    RefreshFromArchive(side);
    for (int row = 0; row < p.Listing.Count(); ++row) {
        if (p.Listing[row].Name == focusedName)
            files.FocusItem(row);
        files.SetItemSelected(row, marked.contains(p.Listing[row].Name));
    }
    files.SetMarking(marking); // marks stay marks, not a selection that follows the cursor
    FilesChange(side);
    ShowTotals(side, QStringLiteral(" objects"), QStringLiteral(" bytes"));
}

void TfMain::FollowGoneFolder(TSide side, bool unmounted)
{
    m_panels[side].FollowGoneFolder(unmounted);
}

void TfMain::SayGone(TSide side, const QString& gone)
{
    m_panels[side].SayGone(gone);
}

void TfMain::ForgetGoneIfBack(TSide side)
{
    m_panels[side].ForgetGoneIfBack();
}
