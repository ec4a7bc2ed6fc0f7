// "Synchronise folders" in the main window: the Commands menu's entry, the two panels'
// folders it is given, and the panels read again after a run.
#include "main/uMain.h"
#include "platform/Messages.h"
#include "sync/uSync.h"

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
    for (const TPanel& p : m_panels) {
        if (p.Listing.IsArchiveListing() || p.Directory == QLatin1String("Drives")) {
            platform::ShowMessage(QStringLiteral("Synchronise folders works on folders only: "
                                                 "both panels must show a folder, not an "
                                                 "archive or the drive list."));
            return;
        }
    }
    auto* window = new TfSync(this, AddSeparator(m_panels[sdLeft].Listing.Directory),
                              AddSeparator(m_panels[sdRight].Listing.Directory),
                              ActiveSide() == sdLeft, UseRecycleBin);
    window->OnSynchronised = [this](const TSyncOutcome&) {
        // Nothing of it can be undone; the history says so rather than undo an older
        // command over the changed folders.
        m_commands.History().Add(
            TUndoRecord{TUndoKind::None, QStringLiteral("a synchronisation of folders")});
        RereadKeepingView(sdLeft);
        RereadKeepingView(sdRight);
    };
    window->show();
    window->raise();
    window->activateWindow();
}
