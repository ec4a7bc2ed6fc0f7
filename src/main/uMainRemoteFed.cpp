// Search results from a remote place fed to a panel: each result is looked up again
// through TRemotePlaces::Query on the panel's read worker (one gone since is left out),
// Enter on a folder goes into it and on a file opens it as in its folder, F5 copies the
// marked files to a local folder through the remote copy, and the commands that would
// change the results say in one message that they are not done.
#include "controls/VirtualListView.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "panel/FedResults.h"
#include "panel/RemoteLocation.h"
#include "platform/Messages.h"

#include <QDateTime>

namespace
{

// Local time as the panels keep it: days since 30 December 1899.
double PanelDateTime(qint64 secondsSinceEpoch)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch);
    return double(QDate(1899, 12, 30).daysTo(local.date())) +
           local.time().msecsSinceStartOfDay() / 86400000.0;
}

} // namespace

bool TfMain::ShowsRemoteFed(TSide side) const
{
    return ShowsRemote(side) && ShowsFedResults(side) && !m_panels[side].Fed->Remote.isEmpty();
}

void TfMain::ReadRemoteFedRows(const TFedResults& fed, std::vector<TFileObject>& rows,
                               platform::TFileOpsProgress& progress)
{
    TFileObject& parent = rows.emplace_back(); // leads back out of the results
    parent.Name = QStringLiteral("..");
    parent.Attr = platform::faDirectory;
    QString failure;
    platform::TRemotePlaces* places = RemotePlacesOf(failure);
    if (!places)
        return;
    for (const QString& name : fed.Names) {
        if (progress.Cancelled())
            break;
        progress.AddItem();
        const platform::TRemoteFileInfo info = places->Query(fed.Remote.value(name), nullptr);
        if (!info.Found)
            continue; // deleted or moved away since
        TFileObject& row = rows.emplace_back();
        row.Name = name;
        row.Size = info.Folder ? 0 : info.Size;
        row.DateTime = info.Modified > 0 ? PanelDateTime(info.Modified) : 0;
        row.Attr = quint16(info.Folder ? platform::faDirectory : platform::faArchive);
    }
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
