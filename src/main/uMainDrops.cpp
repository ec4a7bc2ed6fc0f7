// Files dropped from other programs on a panel's list or tab: file:// URLs and the
// addresses of remote places, copied (moved when the drop says so) into the place the
// panel shows as F5 copies between those kinds of place. And what a drag of a panel's
// rows carries out of the window: their addresses, as Copy puts them on the clipboard.
#include "archive/ReadOnlyArchive.h"
#include "main/FedResults.h"
#include "main/FileClipboard.h"
#include "main/RemoteWork.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "panel/RemoteLocation.h"
#include "platform/Messages.h"

#include <QMimeData>
#include <QTimer>

TDroppedFiles SortDroppedUrls(const QList<QUrl>& urls)
{
    TDroppedFiles files;
    for (const QUrl& url : urls) {
        if (url.isLocalFile() && url.toLocalFile().startsWith('/'))
            files.Local << url.toLocalFile();
        else if (url.isValid() && IsRemoteLocation(url.toString()) &&
                 url.scheme() != QStringLiteral("http") && url.scheme() != QStringLiteral("https"))
            files.Remote << url.toString(QUrl::FullyEncoded);
    }
    return files;
}

void TfMain::PostDrop(const std::function<void()>& drop)
{
    // After the drop event: the program that dragged is told at once that it is taken,
    // and the copy's questions and progress window come in this window's own turn.
    QTimer::singleShot(0, this, [this, drop] { RunCommand(drop); });
}

void TfMain::DropUrls(TSide side, const QList<QUrl>& urls, bool move)
{
    if (ReadingAny())
        return;
    const TDroppedFiles files = SortDroppedUrls(urls);
    if (files.Local.isEmpty() && files.Remote.isEmpty()) {
        platform::ShowMessage(QStringLiteral("Nothing was dropped: only files and folders, "
                                             "local or of a remote place, are taken."));
        return;
    }
    const TPanel& p = m_panels[side];
    if (ShowsRemote(side) && !ShowsRemoteFed(side)) {
        PasteIntoRemote(side, files.Local + files.Remote, move);
        return;
    }
    QString refusal;
    if (ShowsFedResults(side))
        refusal = QStringLiteral("Nothing was dropped: search results are no folder.");
    else if (ShowsReadOnlyArchive(side))
        refusal = p.ReadOnly->ReadOnlyText();
    else if (ShowsArchive(side) && !files.Remote.isEmpty())
        refusal = QStringLiteral("Files are copied and moved between remote places and local "
                                 "folders only.");
    else if (!ShowsArchive(side) && !p.Directory.startsWith('/'))
        refusal = QStringLiteral("Nothing was dropped: the drive list is not a folder.");
    if (!refusal.isEmpty()) {
        platform::ShowMessage(refusal);
        return;
    }
    if (ShowsArchive(side)) {
        KeepingActive([&] {
            WithZipMessages([&] { m_commands.AddPathsToArchive(move, files.Local, side); });
        });
        return;
    }
    DropIntoFolder(AddSeparator(p.Directory), files, move);
}

void TfMain::DropIntoFolder(const QString& folder, const TDroppedFiles& files, bool move)
{
    if (!files.Local.isEmpty())
        KeepingActive(
            [&] { WithZipMessages([&] { m_commands.PasteFiles(move, files.Local, folder); }); });
    if (files.Remote.isEmpty())
        return;
    platform::TRemotePlaces* places = RemotePlacesOrSay();
    if (!places)
        return;
    // The files by the folders they are in, each told a file or a folder by the server.
    std::vector<std::pair<QString, std::vector<TRemoteItem>>> groups;
    platform::TFileOpsProgress progress;
    platform::TRemoteCancel cancel;
    QStringList missing;
    RunRemoteWork(QStringLiteral("Copying"), progress, cancel, [&] {
        for (const QString& uri : files.Remote) {
            const QString folderUri = uri.left(uri.lastIndexOf('/') + 1);
            const QString name = QUrl::fromPercentEncoding(uri.mid(folderUri.size()).toUtf8());
            const platform::TRemoteFileInfo info = places->Query(uri, &cancel);
            if (!info.Found || name.isEmpty()) {
                missing << RemoteDisplayName(uri);
                continue;
            }
            if (groups.empty() || groups.back().first != folderUri)
                groups.emplace_back(folderUri, std::vector<TRemoteItem>{});
            groups.back().second.push_back({name, info.Size, 0, info.Folder});
        }
    });
    if (progress.Cancelled())
        return;
    KeepingActive([&] {
        for (const auto& [from, items] : groups)
            CopyRemoteItems(*places, items, from, folder, move);
    });
    for (const TSide side : {sdLeft, sdRight})
        if (AddSeparator(m_panels[side].Directory) == folder && !ShowsArchive(side))
            RereadKeepingView(side);
    if (!missing.isEmpty())
        platform::ShowMessage(
            QStringLiteral("Not found, so not dropped: %1").arg(missing.join(", ")));
}

QMimeData* TfMain::DragOutData(TSide side)
{
    const TPanel& p = m_panels[side];
    // Members of an archive have no address of their own, nor have drives.
    if (Reading(side) || ShowsArchive(side) || (!p.Directory.startsWith('/') && !ShowsRemote(side)))
        return nullptr;
    QStringList paths;
    for (const int row : m_commands.Selection(side)) {
        if (FedMemberAt(side, row))
            return nullptr;
        const QString& name = p.Listing[row].Name;
        paths << (ShowsRemoteFed(side) ? p.Fed->Remote.value(name) : RemoteOrLocalPath(side, name));
    }
    return paths.isEmpty() ? nullptr : FilesToClipboard(paths, false).release();
}
