// "Synchronise folders" with one panel on a remote place and the other on a local folder:
// the remote side the comparison and the run reach through the remote places.
#include "panel/RemoteLocation.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "platform/Messages.h"
#include "sync/SyncRemote.h"

bool TfMain::RemoteSyncSide(TSide side, std::shared_ptr<TRemoteSyncSide>& remote, QString& shown)
{
    if (!ShowsRemote(side))
        return true;
    const TSide other = Other(side);
    if (remote || ShowsFedResults(side) || ShowsRemote(other) || ShowsArchive(other)) {
        platform::ShowMessage(QStringLiteral("Synchronise folders takes one remote folder, with "
                                             "a local folder in the other panel."));
        return false;
    }
    platform::TRemotePlaces* places = RemotePlacesOrSay();
    if (!places)
        return false;
    remote = std::make_shared<TRemoteSyncSide>();
    remote->Uri = RemoteFolder(m_panels[side].Listing.Directory);
    remote->Shown = RemoteDisplayName(remote->Uri);
    if (!remote->Shown.endsWith('/'))
        remote->Shown += '/';
    remote->Places = places;
    remote->Left = side == sdLeft;
    shown = remote->Shown;
    return true;
}
