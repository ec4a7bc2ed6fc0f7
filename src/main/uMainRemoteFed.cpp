// Search results from a remote place fed to a panel (their place lists them again, each
// through TRemotePlaces::Query on the panel's read worker, one gone since left out):
// Enter on a folder goes into it and on a file opens it as in its folder, F5 copies the
// marked files to a local folder through the remote copy, and the commands that would
// change the results say in one message that they are not done.
#include "controls/VirtualListView.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "panel/FedResults.h"
#include "panel/RemoteLocation.h"
#include "platform/Messages.h"

bool TfMain::ShowsRemoteFed(TSide side) const
{
    return ShowsRemote(side) && ShowsFedResults(side) && !m_panels[side].Fed->Remote.isEmpty();
}

bool TfMain::RemoteFedDblClick(TSide side)
{
    if (!ShowsRemoteFed(side))
        return false;
    TPanel& p = m_panels[side];
    const int row = p.Files->GetFocusedIndex();
    if (row < 0 || row >= p.Listing.Count())
        return true;
    const TFileObject& e = p.Listing[row];
    if (e.IsParent()) {
        LeaveFedResults(side);
        return true;
    }
    if (!e.IsDirectory()) // opened as Enter opens it in its own folder
        return OpenRemoteFile(e, TRemoteOpen::Enter);
    p.Directory = RemoteFolder(p.Fed->Remote.value(e.Name)); // the results are left
    OpenLocation(side);
    return true;
}

bool TfMain::TransferRemoteFed(bool move)
{
    const TSide a = ActiveSide(), b = Other(a);
    const TPanel& from = m_panels[a];
    const TPanel& to = m_panels[b];
    if (ReadingAny())
        return true;
    if (move || !ShowsRemoteFed(a) || ShowsArchive(b) || ShowsFedResults(b) ||
        !to.Directory.startsWith('/')) {
        platform::ShowMessage(QStringLiteral("Search results from a remote place are only "
                                             "copied (F5) to a local folder: nothing was done."));
        return true;
    }
    // The hits by the remote folders they are in: each group copies as F5 does from there.
    std::vector<std::pair<QString, std::vector<TRemoteItem>>> groups;
    for (const int row : m_commands.Selection(a)) {
        const TFileObject& e = from.Listing[row];
        if (e.IsParent())
            continue;
        if (e.IsDirectory()) {
            platform::ShowMessage(QStringLiteral("Folders among search results are not copied "
                                                 "from a remote place: %1 is a folder.")
                                      .arg(e.Name));
            return true;
        }
        QString name;
        const QString folder = RemoteParent(from.Fed->Remote.value(e.Name), &name);
        if (groups.empty() || groups.back().first != folder)
            groups.emplace_back(folder, std::vector<TRemoteItem>{});
        groups.back().second.push_back({name, e.Size, e.DateTime});
    }
    platform::TRemotePlaces* places = RemotePlacesOrSay();
    if (!places)
        return true;
    KeepingActive([&] {
        for (const auto& [folder, items] : groups)
            if (!CopyRemoteItems(*places, items, folder, to.Directory, false))
                break;
    });
    RereadKeepingView(b);
    return true;
}
