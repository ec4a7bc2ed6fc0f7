// F5 and F6 between a remote place and a local folder (either way) and between two remote
// folders, also of different servers: the marked files and folders go through
// TRemoteTransfer on the file-work worker behind the progress window. A taken name asks
// first (Skip, Rename or Cancel: a remote copy never replaces); a move deletes only
// originals whose copies were verified. Both panels are read again afterwards.
#include "fileops/uCollision.h"
#include "fileops/uProgress.h"
#include "main/RemoteWork.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "panel/RemoteLocation.h"
#include "platform/Messages.h"
#include "transfer/RemoteTransfer.h"

#include <QDateTime>

namespace
{

QDateTime PanelTime(double days)
{
    const qint64 ms = qint64(days * 86400000.0);
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0)).addMSecs(ms);
}

} // namespace

bool TfMain::RemoteTransfer(bool move)
{
    const TSide a = ActiveSide(), b = Other(a);
    if (!ShowsRemote(a) && !ShowsRemote(b))
        return false;
    if (ShowsRemoteFed(a) || ShowsRemoteFed(b))
        return TransferRemoteFed(move);
    TPanel& from = m_panels[a];
    const TPanel& to = m_panels[b];
    if (ReadingAny() || ZipRemoteTransfer(move))
        return true;
    // An archive of another format, search results or the drive list on either side are
    // not places for a remote transfer.
    if (ShowsArchive(a) || ShowsArchive(b) || ShowsFedResults(a) || ShowsFedResults(b) ||
        (!ShowsRemote(b) && !to.Directory.startsWith('/')) ||
        (!ShowsRemote(a) && !from.Directory.startsWith('/'))) {
        platform::ShowMessage(QStringLiteral("Files are copied and moved between remote places, "
                                             "local folders and ZIP archives only."));
        return true;
    }
    std::vector<TRemoteItem> items;
    for (const int row : m_commands.Selection(a)) {
        const TFileObject& e = from.Listing[row];
        if (!e.IsParent())
            items.push_back({e.Name, e.Size, e.DateTime, e.IsDirectory()});
    }
    platform::TRemotePlaces* places = RemotePlacesOrSay();
    if (!places)
        return true;
    if (items.empty())
        return true;
    bool whole = true, lost = false;
    KeepingActive([&] {
        whole = CopyRemoteItems(*places, items, from.Directory, to.Directory, move, &lost);
    });
    // The source panel too after a move or a failure. After a lost connection only the
    // local panels: the one message has said what arrived, and a remote folder is read
    // again by Ctrl+R once its server answers.
    if (!lost || !ShowsRemote(b))
        RereadKeepingView(b);
    if ((move || !whole) && (!lost || !ShowsRemote(a)))
        RereadKeepingView(a);
    return true;
}

bool TfMain::CopyRemoteItems(platform::TRemotePlaces& places, const std::vector<TRemoteItem>& items,
                             const QString& source, const QString& target, bool move, bool* lost)
{
    platform::TFileOpsProgress progress;
    TCollisionAsker asker;
    platform::TRemoteCancel cancel;
    platform::TRemoteTransfer transfer(places, progress, asker.Handler(progress), cancel, move);
    std::vector<platform::TRemoteTransferItem> work;
    for (const TRemoteItem& item : items)
        work.push_back({item.Name, item.Folder, item.Size, PanelTime(item.DateTime)});
    RunRemoteWork(move ? QStringLiteral("Moving") : QStringLiteral("Copying"), progress, cancel,
                  [&] { transfer.Run(source, target, work); });
    // Moves made by the place's own rename can go back; copies through a remote place
    // are not taken back.
    std::vector<TUndoItem> renamed;
    for (const auto& [now, was] : transfer.Renamed())
        renamed.push_back({now, was});
    if (move && !renamed.empty() && renamed.size() == size_t(transfer.Arrived().size()))
        RecordRemote(TUndoKind::Move, std::move(renamed));
    else if (!transfer.Arrived().isEmpty())
        RecordRemote(TUndoKind::None, {},
                     move ? QStringLiteral("a move by copying to or from a remote place")
                          : QStringLiteral("a copy to or from a remote place"));
    if (lost)
        *lost = transfer.Lost();
    QStringList said = transfer.Errors();
    // A cancel says so and how far it got, as a local copy does; a file it stopped in the
    // middle of has no name of its own.
    if (!transfer.Lost())
        if (const QString cancelled =
                CancelledText(move ? QStringLiteral("Moved") : QStringLiteral("Copied"), progress);
            !cancelled.isEmpty())
            said << cancelled;
    if (!said.isEmpty())
        platform::ShowMessage(said.join('\n'));
    return transfer.Errors().isEmpty();
}

bool TfMain::PasteIntoRemote(TSide side, const QStringList& paths, bool cut)
{
    if (!ShowsRemote(side))
        return false;
    platform::TRemotePlaces* places = RemotePlacesOrSay();
    if (!places)
        return true;
    // The files by the folders they are in, each told a file or a folder by the worker.
    std::vector<std::pair<QString, std::vector<TRemoteItem>>> groups;
    platform::TFileOpsProgress progress;
    platform::TRemoteCancel cancel;
    RunRemoteWork(QStringLiteral("Copying"), progress, cancel, [&] {
        for (const QString& path : paths) {
            const qsizetype slash = path.lastIndexOf('/');
            const QString folder = path.left(slash + 1), name = path.mid(slash + 1);
            const platform::TRemoteFileInfo info = places->Query(path, &cancel);
            if (!info.Found || name.isEmpty())
                continue;
            if (groups.empty() || groups.back().first != folder)
                groups.emplace_back(folder, std::vector<TRemoteItem>{});
            groups.back().second.push_back({name, info.Size, 0, info.Folder});
        }
    });
    if (progress.Cancelled())
        return true;
    const QString target = m_panels[side].Directory;
    KeepingActive([&] {
        for (const auto& [folder, items] : groups)
            CopyRemoteItems(*places, items, folder, target, cut);
    });
    RereadKeepingView(side);
    return true;
}

QString TfMain::RemoteOrLocalPath(TSide side, const QString& name)
{
    const TPanel& p = m_panels[side];
    QString failure;
    platform::TRemotePlaces* places = ShowsRemote(side) ? RemotePlacesOf(failure) : nullptr;
    return places ? places->Child(p.Directory, name) : AddSeparator(p.Directory) + name;
}
