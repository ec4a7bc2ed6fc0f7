// The listings of the kinds of place: a local folder and the drive list read on a worker,
// search results looked up again on a worker, a remote folder listed by GIO without one,
// an archive's folder level from its members' index.
#include "listing/ArchiveFolders.h"
#include "panel/FedResults.h"
#include "panel/RemoteLocation.h"
#include "places/PlaceKinds.h"
#include "platform/FileOpsFaults.h"
#include "platform/FileOpsProgress.h"

#include <QDateTime>
#include <QThread>

namespace places
{

namespace
{

// Local time as the panels keep it: days since 30 December 1899.
double PanelDateTime(qint64 secondsSinceEpoch)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch);
    return double(QDate(1899, 12, 30).daysTo(local.date())) +
           local.time().msecsSinceStartOfDay() / 86400000.0;
}

// The row of a result on disk, its name the path relative to the searched folder.
bool FedRow(const QString& root, const QString& name, TFileObject& row)
{
    platform::TFoundEntry found;
    if (!platform::StatEntry(root + name, found))
        return false;
    row = TFileObject();
    row.Name = name;
    row.Size = found.Size;
    row.DateTime = found.DateTime;
    row.Attr = quint16(found.Attr);
    if (name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive) && !row.IsDirectory())
        row.Kind = fkZipFile; // opens as an archive, as in a folder's listing
    return true;
}

// The row of a member result, while its archive is still there.
bool FedMemberRow(const QString& root, const QString& name, const TFedMember& member,
                  TFileObject& row)
{
    platform::TFoundEntry found;
    if (!platform::StatEntry(root + member.Archive, found) || (found.Attr & platform::faDirectory))
        return false;
    row = TFileObject();
    row.Name = name;
    row.Size = member.Size;
    row.DateTime = member.DateTime;
    row.Kind = fkZipMember;
    return true;
}

// The rows of remote results: ".." to leave them, then each result still there.
void RemoteFedRows(platform::TRemotePlaces* places, const TFedResults& fed,
                   std::vector<TFileObject>& rows, platform::TFileOpsProgress& progress)
{
    TFileObject& parent = rows.emplace_back(); // leads back out of the results
    parent.Name = QStringLiteral("..");
    parent.Attr = platform::faDirectory;
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

// A folder or the drive list: the other panel's read of the same folder is waited for
// first; sorted after the read, the hidden entries dropped after the sort (which keeps
// them all for the other panel).
TListWork ReadWork(const QString& directory, const TListRequest& request, const TListSink& sink)
{
    return [directory, options = request.Options, first = request.First, result = sink.Result,
            finished = sink.Finished](platform::TFileOpsProgress& progress) {
        while (first && !first->load() && !progress.Cancelled())
            QThread::msleep(5);
        if (directory == QLatin1String("Drives")) {
            result->Listing.LoadDrives(options.Drives);
        } else if (!progress.Cancelled()) {
            result->Stamped = platform::GetDirectoryStamp(directory, result->Stamp);
            result->Listing.ReadDirectory(directory, &progress);
        }
        if (!progress.Cancelled())
            result->Listing.Sort(options.Order, options.Ascending, options.Natural);
        if (!options.Hidden)
            result->Listing.DropHidden();
        finished->store(true);
    };
}

// Search results of a local folder, each looked up again; ".." leads out of them and
// carries the searched folder's date, as the ".." of a folder carries its parent's.
TListWork LocalFedWork(const TFedResults& fed, quint8 order, const TListSink& sink)
{
    return [root = fed.Root, names = fed.Names, members = fed.Members, result = sink.Result,
            finished = sink.Finished, order](platform::TFileOpsProgress& progress) {
        platform::FileOpsFault(platform::TFileOpsStep::OpenDirectory, root);
        std::vector<TFileObject> rows;
        TFileObject& parent = rows.emplace_back();
        FedRow(root, QStringLiteral("."), parent); // the folder itself
        parent.Name = QStringLiteral("..");
        parent.Size = 0;
        parent.Attr = platform::faDirectory;
        for (const QString& name : names) {
            if (progress.Cancelled())
                break;
            progress.AddItem();
            const auto member = members.constFind(name);
            if (!(member == members.constEnd()
                      ? FedRow(root, name, rows.emplace_back())
                      : FedMemberRow(root, name, *member, rows.emplace_back())))
                rows.pop_back(); // deleted or moved away since
        }
        result->Listing.Directory = root;
        result->Listing.LoadRows(std::move(rows));
        if (!progress.Cancelled())
            result->Listing.Sort(order, true);
        finished->store(true);
    };
}

// Search results of a remote place, each looked up again on the worker: a stale mount
// holds it, not the window.
TListWork RemoteFedWork(platform::TRemotePlaces* places, const TFedResults& fed, quint8 order,
                        const TListSink& sink)
{
    return [places, fed, result = sink.Result, finished = sink.Finished,
            order](platform::TFileOpsProgress& progress) {
        std::vector<TFileObject> rows;
        RemoteFedRows(places, fed, rows, progress);
        result->Listing.Directory = fed.Root;
        result->Listing.LoadRows(std::move(rows));
        if (!progress.Cancelled())
            result->Listing.Sort(order, true);
        finished->store(true);
    };
}

// One folder level of an archive, from the index of its members made when it was read;
// hidden names stay, as the archive holds them.
TListWork ArchiveLevelWork(const TPlaceState& state, const TListOptions& options,
                           const TListSink& sink)
{
    return [folders = state.Folders, folder = state.ArchiveFolder, entry = state.ArchiveEntry,
            options, result = sink.Result, finished = sink.Finished](platform::TFileOpsProgress&) {
        result->Listing.LoadArchiveFolder(*folders, folder, entry ? &*entry : nullptr);
        result->Listing.Sort(options.Order, options.Ascending, options.Natural);
        finished->store(true);
    };
}

} // namespace

TListing TFolderPlace::StartList(const TListRequest& request, const TListSink& sink)
{
    if (m_state.Results && m_state.Fed)
        return {LocalFedWork(*m_state.Fed, request.Options.Order, sink), {}, {}};
    return {ReadWork(m_state.Directory, request, sink), {}, {}};
}

TListing TRefusingPlace::StartList(const TListRequest& request, const TListSink& sink)
{
    if (m_kind == TPlaceKind::Results && m_state.Fed)
        return {
            RemoteFedWork(m_state.RemotePlaces, *m_state.Fed, request.Options.Order, sink), {}, {}};
    if (m_kind == TPlaceKind::Drives)
        return {ReadWork(m_state.Directory, request, sink), {}, {}};
    if ((m_kind == TPlaceKind::Zip || m_kind == TPlaceKind::ReadOnlyArchive) && m_state.Folders)
        return {ArchiveLevelWork(m_state, request.Options, sink), {}, {}};
    return {{}, {}, QStringLiteral("%1 is not listed here.").arg(ShownAddress())};
}

TListing TRemotePlace::StartList(const TListRequest& request, const TListSink& sink)
{
    if (!m_state.RemotePlaces)
        return {{}, {}, m_state.RemoteFailure};
    const QString folder = m_state.Directory;
    const double folderDate = request.Shown ? KnownFolderDate(*request.Shown, folder) : 0;
    auto entries = std::make_shared<std::vector<platform::TRemoteEntry>>();
    TListing listing;
    listing.Async = m_state.RemotePlaces->List(
        folder,
        [entries, arrived = sink.Arrived](std::vector<platform::TRemoteEntry>&& batch) {
            *arrived += qint64(batch.size());
            std::move(batch.begin(), batch.end(), std::back_inserter(*entries));
        },
        [entries, sink, folder, folderDate, options = request.Options,
         shown = ShownAddress()](const QString& error) {
            if (!error.isEmpty()) {
                sink.Ended(QStringLiteral("The folder %1 cannot be read: %2").arg(shown, error));
                return;
            }
            TFileListing& rows = sink.Result->Listing;
            rows.LoadRows(RemoteRows(folder, std::move(*entries), folderDate));
            rows.Directory = folder;
            rows.Sort(options.Order, options.Ascending, options.Natural);
            if (!options.Hidden)
                rows.DropHidden();
            sink.Finished->store(true);
            sink.Ended({});
        });
    return listing;
}

} // namespace places
