// F5 and F6 between a ZIP archive's panel and a remote panel, through private folders on
// this machine that go at the end. Out of the archive: the members are extracted and
// checked (size and CRC-32), then sent by the remote transfer (a part file, never
// replacing: a taken name asks Skip, Rename or Cancel); a move deletes from the archive
// only the members whose remote copies read back as they were. Into the archive: the
// remote files are fetched, then added as local files are (a name the archive holds is
// left out and named); a move deletes a remote original only once the archive holds its
// copy, checked, and that copy still reads back as the original.
#include "fileops/TransferPlan.h"
#include "fileops/uCollision.h"
#include "listing/ArchiveFolders.h"
#include "main/RemoteWork.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "platform/FileOpsFaults.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "platform/TempFolder.h"
#include "transfer/RemoteTransfer.h"
#include "transfer/RemoteTree.h"
#include "transfer/ShellFileOperation.h"
#include "zip/ZipArchive.h"

#include <QDateTime>
#include <QDir>
#include <QSet>
#include <algorithm>

namespace
{

QDateTime PanelTime(double days)
{
    const qint64 ms = qint64(days * 86400000.0);
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0)).addMSecs(ms);
}

// A path without a final "/" or doubled ones, so that paths of one file compare alike.
QString Bare(const QString& path)
{
    return QDir::cleanPath(path);
}

} // namespace

bool TfMain::ZipRemoteTransfer(bool move)
{
    const TSide a = ActiveSide(), b = Other(a);
    const bool out = ShowsArchive(a) && !ShowsReadOnlyArchive(a) && ShowsRemote(b);
    const bool in = ShowsRemote(a) && ShowsArchive(b) && !ShowsReadOnlyArchive(b);
    if (!out && !in)
        return false;
    platform::TRemotePlaces* places = RemotePlacesOrSay();
    if (!places)
        return true;
    KeepingActive([&] {
        WithZipMessages([&] {
            if (out)
                MembersToRemote(*places, a, b, move);
            else
                RemoteToMembers(*places, a, b, move);
        });
    });
    return true;
}

void TfMain::MembersToRemote(platform::TRemotePlaces& places, TSide a, TSide b, bool move)
{
    const std::vector<int> rows = m_commands.Selection(a);
    if (rows.empty())
        return; // no member chosen: the library would read no names as "every member"
    const TPanel& from = m_panels[a];
    const std::vector<TArchiveMember> planned = from.Zip->Members();
    const platform::TPrivateFolder scratch;
    const QString files = scratch.Path() + QStringLiteral("files/");
    const QString trees = scratch.Path() + QStringLiteral("trees/");
    platform::CreateDirectory(files);
    platform::CreateDirectory(trees);
    bool done = false;
    const QHash<QString, QString> extracted = m_commands.ExtractRows(a, rows, files, trees, done);
    if (!done)
        return; // cancelled or refused, said so: nothing goes to the remote place
    // The files from one private folder, each folder row's tree from its parent there.
    std::vector<std::pair<QString, std::vector<platform::TRemoteTransferItem>>> groups;
    groups.emplace_back(files, std::vector<platform::TRemoteTransferItem>{});
    QList<QPair<QString, QString>> folders; // a folder row's copy there, and its name
    for (int row : rows) {
        const TFileObject& e = from.Listing[row];
        if (!e.IsDirectory()) {
            const QString path = files + BareName(e.Name);
            if (extracted.contains(path))
                groups.front().second.push_back(
                    {BareName(e.Name), false, platform::FileSize(path), PanelTime(e.DateTime)});
            continue;
        }
        const QString path = Bare(trees + MemberPath(e.Name).toString());
        if (!platform::DirectoryExists(path))
            continue;
        folders.append({path, e.Name});
        const qsizetype slash = path.lastIndexOf('/');
        groups.emplace_back(path.left(slash + 1), std::vector<platform::TRemoteTransferItem>{});
        groups.back().second.push_back({path.mid(slash + 1), true, 0, PanelTime(e.DateTime)});
    }
    // A taken name's question shows the member, not its private copy.
    platform::TFileOpsProgress progress;
    TCollisionAsker asker;
    const platform::TCollisionAsk handler = asker.Handler(progress);
    const QString shownIn = from.Zip->ZipFilename() + '/';
    const auto ask = [&](const platform::TCollision& collision) {
        platform::TCollision shown = collision;
        const QString path = collision.Incoming.Path;
        if (extracted.contains(path))
            shown.Incoming.Path = shownIn + extracted.value(path);
        else if (path.startsWith(trees))
            shown.Incoming.Path = shownIn + path.mid(trees.size());
        return handler(shown);
    };
    platform::TRemoteCancel cancel;
    platform::TRemoteTransfer transfer(places, progress, ask, cancel, move);
    const QString target = m_panels[b].Directory;
    RunRemoteWork(move ? QStringLiteral("Moving") : QStringLiteral("Copying"), progress, cancel,
                  [&] {
                      for (const auto& [source, items] : groups)
                          if (!items.empty())
                              transfer.Run(source, target, items);
                  });
    m_zipMessages << transfer.Errors();
    if (move)
        DropMovedMembers(a, planned, extracted, folders, transfer.Moved());
    RecordRemote(TUndoKind::None, {},
                 move ? QStringLiteral("a move out of an archive to a remote place")
                      : QStringLiteral("a copy out of an archive to a remote place"));
    if (!transfer.Lost())
        RereadKeepingView(b);
    RefreshFromArchive(a);
}

void TfMain::DropMovedMembers(TSide side, const std::vector<TArchiveMember>& planned,
                              const QHash<QString, QString>& extracted,
                              const QList<QPair<QString, QString>>& folders,
                              const QStringList& moved)
{
    // The move deleted the private copies whose remote copies it verified: those
    // members, and no other, leave the archive.
    QSet<QString> gone;
    for (const QString& path : moved)
        gone.insert(Bare(path));
    QStringList names;
    for (auto at = extracted.cbegin(); at != extracted.cend(); ++at)
        if (gone.contains(Bare(at.key())))
            names << at.value();
    // A folder's own members only when the folder went whole, every file below it too.
    const QSet<QString> leaving(names.cbegin(), names.cend());
    const TArchiveFolders index(planned);
    for (const auto& [path, folder] : folders) {
        if (!gone.contains(path))
            continue;
        const QStringList below = index.NamesBelow(folder + '/');
        const bool whole = std::all_of(below.cbegin(), below.cend(), [&](const QString& name) {
            return name.endsWith('/') || leaving.contains(name);
        });
        if (whole)
            for (const QString& name : below)
                if (name.endsWith('/'))
                    names << name;
    }
    m_commands.DeleteMovedMembers(side, planned, names);
}

void TfMain::RemoteToMembers(platform::TRemotePlaces& places, TSide a, TSide b, bool move)
{
    const TPanel& from = m_panels[a];
    std::vector<platform::TRemoteTransferItem> items;
    for (const int row : m_commands.Selection(a)) {
        const TFileObject& e = from.Listing[row];
        if (!e.IsParent())
            items.push_back({e.Name, e.IsDirectory(), e.Size, PanelTime(e.DateTime)});
    }
    if (items.empty())
        return;
    // Fetched into an empty private folder: no name there is taken.
    const platform::TPrivateFolder scratch;
    platform::TFileOpsProgress progress;
    TCollisionAsker asker;
    platform::TRemoteCancel cancel;
    platform::TRemoteTransfer fetch(places, progress, asker.Handler(progress), cancel, false);
    RunRemoteWork(QStringLiteral("Copying"), progress, cancel,
                  [&] { fetch.Run(from.Directory, scratch.Path(), items); });
    m_zipMessages << fetch.Errors();
    if (progress.Cancelled() || cancel.Cancelled()) {
        m_zipMessages << QStringLiteral("Cancelled: nothing was added to %1")
                             .arg(BareName(m_panels[b].Zip->ZipFilename()));
        return;
    }
    std::vector<std::pair<QString, bool>> entries;
    for (const platform::TRemoteTransferItem& item : items) {
        const QString path = scratch.Path() + item.Name;
        if (item.Folder ? platform::DirectoryExists(path) : platform::FileExists(path))
            entries.emplace_back(item.Name, item.Folder);
    }
    if (!entries.empty()) {
        const std::vector<TTransferPlan::TItem> arrived =
            m_commands.AddToArchive(b, scratch.Path(), entries, move);
        if (move)
            DropCopiedOriginals(places, from.Directory, scratch.Path(), entries, arrived);
    }
    RecordRemote(TUndoKind::None, {},
                 move ? QStringLiteral("a move from a remote place into an archive")
                      : QStringLiteral("a copy from a remote place into an archive"));
    RefreshFromArchive(b);
    if (move && !fetch.Lost())
        RereadKeepingView(a);
}

void TfMain::DropCopiedOriginals(platform::TRemotePlaces& places, const QString& folder,
                                 const QString& copies,
                                 const std::vector<std::pair<QString, bool>>& entries,
                                 const std::vector<TTransferPlan::TItem>& arrived)
{
    // Only what the archive was found to hold, each original once it still reads back as
    // the copy the archive took.
    QSet<QString> held;
    for (const TTransferPlan::TItem& item : arrived)
        held.insert(QDir::cleanPath(item.Path));
    std::vector<platform::TRemoteName> names;
    for (const auto& [name, folder] : entries)
        if (held.contains(QDir::cleanPath(copies + name)))
            names.push_back({name, folder});
    if (names.empty())
        return;
    platform::FileOpsFault(platform::TFileOpsStep::BeforeRemoveSources, folder);
    platform::TFileOpsProgress progress;
    platform::TRemoteCancel cancel;
    QStringList stayed;
    RunRemoteWork(QStringLiteral("Deleting"), progress, cancel, [&] {
        stayed = platform::DeleteCopiedOriginals(places, folder, copies, names, progress, cancel);
    });
    m_zipMessages << stayed;
}
