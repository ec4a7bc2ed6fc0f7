// The records of what the file commands did, and taking back the last of them.
#include "fileops/FileCommands.h"
#include "fileops/PanelHost.h"
#include "places/Place.h"
#include "fileops/uProgress.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "platform/StartPath.h"
#include "transfer/FileOpsMoves.h"
#include "transfer/FileOpsRecord.h"
#include "transfer/FileOpsSupport.h"
#include "transfer/FileOpsTrash.h"
#include "zip/ZipArchive.h"

#include <QSet>
#include <cerrno>

namespace
{

// The folder holding `path`, ending in "/".
QString FolderOf(const QString& path)
{
    return path.left(path.lastIndexOf('/') + 1);
}

// Where a panel at `location` (gone now) belongs after the undo of `items`: inside an
// item that went back, at its old place; else the nearest folder left.
QString FollowedBack(const QString& location, TUndoKind kind, const std::vector<TUndoItem>& items)
{
    if (kind == TUndoKind::Rename || kind == TUndoKind::Move)
        for (const TUndoItem& item : items) {
            const QString tree = item.Now + '/';
            const QString back = item.Was + '/' + location.mid(tree.size());
            if (location.startsWith(tree) && platform::DirectoryExists(back))
                return back;
        }
    return platform::NearestExistingFolder(location);
}

// The items of a copy or move that arrived one by one: the entries of a folder merged
// into one of the same name, or an item put over an old one.
void RecordParts(TUndoRecord& record, const std::vector<platform::TShellPart>& parts)
{
    for (const platform::TShellPart& part : parts) {
        TUndoItem item{part.Target, part.Source};
        if (record.Kind == TUndoKind::Copy) {
            if (!part.Copied)
                continue;
            item.Record = *part.Copied;
        } else if (platform::RecordEntry(item.Now, item.Record) != 0) {
            continue;
        }
        item.Trashed = part.Trashed;
        if (part.TrashedRecord)
            item.TrashedRecord = *part.TrashedRecord;
        item.ReplacedForGood = part.ReplacedForGood;
        item.InMerged = part.InMerged;
        record.Items.push_back(std::move(item));
    }
}

// Makes the missing folders of `folder` again (a move that merged a folder into another
// removed its emptied source folder), so that its entries can go back there.
void MakeFolderAgain(const QString& folder)
{
    if (folder.size() <= 1 || platform::DirectoryExists(folder))
        return;
    QString parent = folder;
    while (parent.endsWith('/'))
        parent.chop(1);
    MakeFolderAgain(parent.left(parent.lastIndexOf('/') + 1));
    try {
        platform::CreateDirectory(folder);
    } catch (const platform::EError&) {
        // The move back says why it cannot go there.
    }
}

// After an item went back: the entry it had replaced comes back from the trash, or the
// message says that it cannot.
void BringBackReplaced(const TUndoItem& item, const platform::TShellFailureHandler& collect)
{
    if (item.ReplacedForGood) {
        collect(QStringLiteral("The old \"%1\" that this replaced cannot be brought back: it was "
                               "replaced for good, as the trash was not in use.")
                    .arg(item.Now));
        return;
    }
    if (item.Trashed.isEmpty())
        return;
    const QString reason = platform::RestoreFromTrash(item.Trashed, item.Now, item.TrashedRecord);
    if (!reason.isEmpty())
        collect(QStringLiteral("The old \"%1\" that this replaced stays in the trash as \"%2\": "
                               "%3.")
                    .arg(item.Now, item.Trashed, reason));
}

} // namespace

TFileCommands::TItemDone TFileCommands::Recorder(TUndoRecord& record)
{
    return [&record](const QString& path, const platform::TShellResult& result,
                     const platform::TFileOpsProgress&) {
        if (!result.Parts.empty()) {
            RecordParts(record, result.Parts);
            return;
        }
        if (result.Target.isEmpty())
            return; // it did not arrive, or a move across file systems was taken back
        TUndoItem item{result.Target, path};
        if (record.Kind == TUndoKind::Copy) {
            // As the copy made it, from the bytes it wrote: what another program changed
            // meanwhile is not taken for the copy's content.
            if (!result.Copied)
                return;
            item.Record = *result.Copied;
        } else if (platform::RecordEntry(item.Now, item.Record) != 0) {
            return; // gone already: nothing to take back
        }
        record.Items.push_back(std::move(item));
    };
}

void TFileCommands::RecordPlaceChanges(const places::TPlace& place, TUndoKind kind,
                                       const TNameChanges& changes)
{
    TUndoRecord record{kind};
    record.Remote = place.UndoneByAddress();
    for (const auto& [from, to] : changes) {
        TUndoItem item{place.Child(to), from.isEmpty() ? QString() : place.Child(from)};
        if (record.Remote || platform::RecordEntry(item.Now, item.Record) == 0)
            record.Items.push_back(std::move(item));
    }
    m_history.Add(std::move(record));
}

void TFileCommands::RecordNotUndoable(const QString& what)
{
    m_history.Add(TUndoRecord{TUndoKind::None, what});
}

void TFileCommands::RecordDelete(const places::TPlace& place, const places::TDeleteResult& result)
{
    TUndoRecord record = result.NotUndoable.isEmpty()
                             ? TUndoRecord{TUndoKind::Trash}
                             : TUndoRecord{TUndoKind::None, result.NotUndoable};
    record.Remote = place.UndoneByAddress();
    for (const places::TTrashedEntry& trashed : result.Trashed)
        record.Items.push_back({trashed.Now, trashed.Was, trashed.Record});
    m_history.Add(std::move(record));
}

bool TFileCommands::UndoItem(TUndoKind kind, const TUndoItem& item,
                             const platform::TShellFailureHandler& collect,
                             platform::TFileOpsProgress& progress,
                             platform::TMoveRemovals& removals)
{
    // An item a cancel cut short (neither taken back nor reported) can be tried again.
    const auto whole = [&progress](const platform::TShellResult& result) {
        return !progress.Cancelled() || result.Items > 0 || result.Failures > 0;
    };
    QString reason;
    platform::TShellResult result;
    switch (kind) {
    case TUndoKind::Rename:
        return whole(
            platform::MoveBack(item.Now, item.Record, item.Was, collect, &progress, &removals));
    case TUndoKind::Move:
        if (item.InMerged)
            MakeFolderAgain(FolderOf(item.Was));
        result = platform::MoveBack(item.Now, item.Record, item.Was, collect, &progress, &removals);
        if (result.Items > 0)
            BringBackReplaced(item, collect);
        return whole(result);
    case TUndoKind::Copy:
    case TUndoKind::NewFile:
        result = platform::RemoveCopy(item.Now, item.Record, collect, &progress);
        if (result.Items > 0)
            BringBackReplaced(item, collect);
        return whole(result);
    case TUndoKind::Trash:
        progress.SetCurrent(item.Was);
        reason = platform::RestoreFromTrash(item.Now, item.Was, item.Record);
        if (!reason.isEmpty())
            collect(QStringLiteral("\"%1\" stays in the trash: %2.").arg(item.Was, reason));
        break;
    case TUndoKind::CreateDirectory:
        progress.SetCurrent(item.Now);
        reason = platform::RemoveMadeFolder(item.Now, item.Record);
        if (!reason.isEmpty())
            collect(QStringLiteral("The folder \"%1\" stays: %2.").arg(item.Now, reason));
        break;
    case TUndoKind::None:
        break;
    }
    if (reason.isEmpty())
        progress.AddItem();
    return true;
}

void TFileCommands::Undo()
{
    const TUndoRecord* last = m_history.Last();
    if (!last)
        return;
    if (!last->Undoable()) {
        platform::ShowMessage(last->MenuText() + '.');
        return;
    }
    TUndoRecord record = m_history.TakeLast();
    const TUndoKind kind = record.Kind;
    const size_t total = record.Items.size();
    size_t left = total; // the items not taken back yet: the first `left` ones
    platform::TFileOpsProgress progress;
    progress.SetTotals(int(total), -1);
    RunFileWork(QStringLiteral("Undoing"), progress, [&] {
        const auto collect = [this](const QString& message) { m_host.Report(message); };
        platform::TMoveRemovals removals; // one flush for the moves back across file systems
        // The last item made goes back first: a chain of renames unwinds in order.
        while (left > 0 && !progress.Cancelled() &&
               UndoItem(record.Kind, record.Items[left - 1], collect, progress, removals))
            --left;
        removals.Finish();
    });
    const std::vector<TUndoItem> undone(record.Items.begin() + qsizetype(left), record.Items.end());
    if (left > 0) {
        m_host.Report(QStringLiteral("The undo was cancelled after %1 of %2 items; the others "
                                     "can still be undone.")
                          .arg(total - left)
                          .arg(total));
        record.Items.resize(left);
        m_history.Add(std::move(record));
    }
    ShowUndone(kind, undone);
}

void TFileCommands::ShowUndone(TUndoKind kind, const std::vector<TUndoItem>& items)
{
    if (items.empty())
        return;
    QSet<QString> folders;
    for (const TUndoItem& item : items) {
        folders.insert(FolderOf(item.Now));
        if (!item.Was.isEmpty())
            folders.insert(FolderOf(item.Was));
    }
    for (int panel = 0; panel < 2; ++panel) {
        const QString location = m_host.PanelDirectory(panel);
        if (!location.startsWith('/'))
            continue; // the drive list
        if (!platform::DirectoryExists(location)) {
            m_host.RereadKeepingRows(panel, FollowedBack(location, kind, items));
            continue;
        }
        // An archive panel shows the same members unless its archive file went.
        const bool changed = m_host.PanelListing(panel).IsArchiveListing()
                                 ? !platform::FileExists(m_host.PanelZip(panel).ZipFilename())
                                 : folders.contains(location);
        if (changed)
            m_host.RereadKeepingRows(panel, location);
    }
}
