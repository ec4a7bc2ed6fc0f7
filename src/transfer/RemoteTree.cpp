#include "transfer/RemoteTree.h"

#include "transfer/RemoteTransfer.h"

namespace platform
{

namespace
{

bool Stopped(const TFileOpsProgress& progress, const TRemoteCancel& cancel)
{
    return progress.Cancelled() || cancel.Cancelled();
}

// Reads the folder `uri` into `read`; false, its error said unless stopped, when it cannot.
bool ReadFolder(TRemotePlaces& places, const QString& uri, TRemoteFolder& read,
                QStringList& errors, const TFileOpsProgress& progress, TRemoteCancel& cancel)
{
    read = places.ReadFolder(uri, &cancel);
    if (read.Error.isEmpty())
        return true;
    if (!Stopped(progress, cancel))
        errors << read.Error;
    return false;
}

// Deletes the entry `uri` itself (a folder emptied before); false, its error said unless
// stopped, when it stays.
bool DeleteEntry(TRemotePlaces& places, const QString& uri, QStringList& errors,
                 TFileOpsProgress& progress, TRemoteCancel& cancel)
{
    const TRemoteResult result = places.Delete(uri, &cancel);
    if (!result.Ok && !result.Cancelled && !Stopped(progress, cancel))
        errors << result.Error;
    if (result.Ok)
        progress.AddItem();
    return result.Ok;
}

// Deletes the entry `uri` for good, a folder with its tree; false when anything stays.
bool DeleteTree(TRemotePlaces& places, const QString& uri, bool folder, QStringList& errors,
                TFileOpsProgress& progress, TRemoteCancel& cancel)
{
    progress.SetCurrent(uri);
    if (folder) {
        TRemoteFolder read;
        if (!ReadFolder(places, uri, read, errors, progress, cancel))
            return false;
        progress.SetTotals(progress.TotalItems() + int(read.Entries.size()), -1);
        bool all = true;
        for (const TRemoteEntry& entry : read.Entries) {
            if (Stopped(progress, cancel))
                return false;
            all = DeleteTree(places, places.Child(uri, entry.Name), entry.Folder && !entry.Symlink,
                             errors, progress, cancel) &&
                  all;
        }
        if (!all)
            return false; // the folder keeps what could not go, and so stays
    }
    return DeleteEntry(places, uri, errors, progress, cancel);
}

// Deletes the original `uri` of the local copy `copy` once that reads back as it; a folder
// once each of its entries went so. False when anything stays.
bool DeleteCopied(TRemotePlaces& places, const QString& uri, const QString& copy, bool folder,
                  QStringList& errors, TFileOpsProgress& progress, TRemoteCancel& cancel)
{
    progress.SetCurrent(uri);
    if (folder) {
        TRemoteFolder read;
        if (!ReadFolder(places, uri, read, errors, progress, cancel))
            return false;
        bool all = true;
        for (const TRemoteEntry& entry : read.Entries) {
            if (Stopped(progress, cancel))
                return false;
            all = DeleteCopied(places, places.Child(uri, entry.Name), copy + '/' + entry.Name,
                               entry.Folder && !entry.Symlink, errors, progress, cancel) &&
                  all;
        }
        if (!all)
            return false; // the folder keeps what could not go, and so stays
    } else {
        const QString why = CompareCopy(places, uri, copy, cancel);
        if (!why.isEmpty()) {
            if (!Stopped(progress, cancel))
                errors << QStringLiteral("%1 was copied but not moved: %2").arg(uri, why);
            return false;
        }
    }
    return DeleteEntry(places, uri, errors, progress, cancel);
}

} // namespace

QStringList DeleteCopiedOriginals(TRemotePlaces& places, const QString& folder,
                                  const QString& copies, const std::vector<TRemoteName>& items,
                                  TFileOpsProgress& progress, TRemoteCancel& cancel)
{
    QStringList errors;
    progress.SetTotals(int(items.size()), -1);
    for (const TRemoteName& item : items)
        if (!Stopped(progress, cancel))
            DeleteCopied(places, places.Child(folder, item.Name),
                         copies + (copies.endsWith('/') ? QString() : QStringLiteral("/")) +
                             item.Name,
                         item.Folder, errors, progress, cancel);
    return errors;
}

QStringList DeleteRemoteItems(TRemotePlaces& places, const QString& folder,
                              const std::vector<TRemoteName>& items, bool toTrash,
                              TFileOpsProgress& progress, TRemoteCancel& cancel)
{
    QStringList errors;
    progress.SetTotals(int(items.size()), -1);
    for (const TRemoteName& item : items) {
        if (Stopped(progress, cancel))
            break;
        const QString uri = places.Child(folder, item.Name);
        if (!toTrash) {
            DeleteTree(places, uri, item.Folder, errors, progress, cancel);
            continue;
        }
        progress.SetCurrent(uri);
        const TRemoteResult result = places.Trash(uri, &cancel);
        if (result.Ok)
            progress.AddItem();
        else if (!result.Cancelled && !Stopped(progress, cancel))
            errors << result.Error;
    }
    return errors;
}

qint64 RemoteTreeSize(TRemotePlaces& places, const QString& uri, TFileOpsProgress& progress,
                      TRemoteCancel& cancel)
{
    progress.SetCurrent(uri);
    const TRemoteFolder read = places.ReadFolder(uri, &cancel);
    if (!read.Error.isEmpty() || Stopped(progress, cancel))
        return -1;
    qint64 total = 0;
    for (const TRemoteEntry& entry : read.Entries) {
        if (!entry.Folder || entry.Symlink) {
            total += entry.Size;
            continue;
        }
        const qint64 inner =
            RemoteTreeSize(places, places.Child(uri, entry.Name), progress, cancel);
        if (inner < 0)
            return -1;
        total += inner;
    }
    return total;
}

} // namespace platform
