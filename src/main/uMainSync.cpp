// "Synchronise folders" in the main window: the Commands menu's entry, the two panels'
// folders (or an archive as the source side) it is given, and the panels read again
// after a run.
#include "main/uMain.h"
#include "platform/Messages.h"
#include "sync/SyncArchiveSources.h"
#include "sync/SyncRemote.h"
#include "sync/uSync.h"
#include "zip/ZipArchive.h"

#include <QMenu>

void TfMain::CreateSyncItem(QMenu* commands)
{
    Actions.MenuSyncFolders = new QAction(QStringLiteral("&Synchronise folders…"), this);
    commands->addAction(Actions.MenuSyncFolders);
    connect(Actions.MenuSyncFolders, &QAction::triggered, this,
            Command(&TfMain::MenuSyncFoldersClick));
}

void TfMain::MenuSyncFoldersClick()
{
    if (ReadingAny())
        return;
    std::shared_ptr<TArchiveSide> archive;
    std::shared_ptr<TRemoteSyncSide> remote;
    QString places[2];
    for (const TSide side : {sdLeft, sdRight}) {
        const TPanel& p = m_panels[side];
        places[side] = AddSeparator(p.Listing.Directory);
        if (!RemoteSyncSide(side, remote, places[side]))
            return;
        if (remote && ShowsRemote(side))
            continue;
        if (p.Directory == QLatin1String("Drives")) {
            platform::ShowMessage(QStringLiteral("Synchronise folders does not work on the "
                                                 "drive list."));
            return;
        }
        if (!p.Listing.IsArchiveListing())
            continue;
        if (archive || remote) {
            platform::ShowMessage(QStringLiteral("Synchronise folders takes one archive at "
                                                 "most, as the source: the other panel must "
                                                 "show a folder."));
            return;
        }
        const QString folder = PanelArchiveFolder(side);
        archive =
            ShowsReadOnlyArchive(side)
                ? ReadOnlyArchiveSide(*p.ReadOnly, folder, side == sdLeft)
                : ZipArchiveSide(p.Zip->ZipFilename(), folder, p.Zip->Members(), side == sdLeft);
        places[side] = archive->Shown;
    }
    auto* window = new TfSync(this, places[sdLeft], places[sdRight], ActiveSide() == sdLeft,
                              UseRecycleBin, archive, remote);
    window->OnSynchronised = [this](const TSyncOutcome&) {
        // Nothing of it can be undone; the history says so rather than undo an older
        // command over the changed folders.
        m_commands.History().Add(
            TUndoRecord{TUndoKind::None, QStringLiteral("a synchronisation of folders")});
        for (const TSide side : {sdLeft, sdRight})
            if (!m_panels[side].Listing.IsArchiveListing()) // the archive is never changed
                RereadKeepingView(side);
    };
    window->show();
    window->raise();
    window->activateWindow();
}
