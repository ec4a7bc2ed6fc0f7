#include "sync/SyncRemote.h"

#include "platform/FileNames.h"

#include <cerrno>

using platform::TRemoteResult;
using platform::TSeenEntry;
using platform::TSyncStep;

namespace
{

TSeenEntry SeenOf(const platform::TRemoteEntry& e)
{
    TSeenEntry seen;
    seen.Size = e.Folder ? 0 : e.Size;
    seen.Seconds = e.Modified;
    const quint32 bits = e.Mode & 07777;
    if (e.Symlink)
        seen.Mode = S_IFLNK | 0777;
    else
        seen.Mode = e.Folder ? (S_IFDIR | (bits ? bits : 0755)) : (S_IFREG | (bits ? bits : 0644));
    return seen;
}

struct TRemoteWalk {
    platform::TRemotePlaces& Places;
    bool Subfolders;
    platform::TFileOpsProgress* Progress;
    platform::TRemoteCancel* Cancel;
    platform::TFolderScan& Scan;

    // False when the folder could not be read (or the walk was cancelled).
    bool Folder(const QString& uri, const QByteArray& rel, int depth) const
    {
        const platform::TRemoteFolder read = Places.ReadFolder(uri, Cancel);
        if (read.Cancelled || platform::CancelRequested(Progress)) {
            Scan.Cancelled = true;
            return false;
        }
        if (!read.Error.isEmpty())
            return false;
        for (const platform::TRemoteEntry& e : read.Entries) {
            if (e.Name == QLatin1String(".") || e.Name == QLatin1String(".."))
                continue;
            if (Progress)
                Progress->AddItem();
            const size_t at = Scan.Entries.size();
            platform::TScannedEntry& entry = Scan.Entries.emplace_back();
            entry.Path = rel + platform::EncodeFileName(e.Name);
            entry.Seen = SeenOf(e);
            entry.Depth = depth;
            if (!entry.Seen.IsFolder() || !Subfolders)
                continue;
            const QByteArray below = entry.Path + '/';
            if (!Folder(Places.Child(uri, e.Name), below, depth + 1)) {
                if (Scan.Cancelled)
                    return false;
                Scan.Entries[at].Unread = true; // listed, without what it holds
                ++Scan.UnreadFolders;
            }
        }
        return true;
    }
};

} // namespace

platform::TFolderScan ScanRemote(const TRemoteSyncSide& side, bool subfolders,
                                 platform::TFileOpsProgress* progress,
                                 platform::TRemoteCancel* cancel)
{
    platform::TFolderScan scan;
    if (!TRemoteWalk{*side.Places, subfolders, progress, cancel, scan}.Folder(side.Uri, {}, 0) &&
        !scan.Cancelled) {
        scan.Entries.clear();
        scan.Error = EIO;
    }
    return scan;
}

QString TRemoteSyncer::UriOf(const QByteArray& relPath) const
{
    QString uri = m_side.Uri;
    for (const QByteArray& part : relPath.split('/'))
        uri = m_places.Child(uri, platform::DecodeFileName(part));
    return uri;
}

bool TRemoteSyncer::StillAsSeen(const QString& uri, const TSeenEntry& seen)
{
    const platform::TRemoteFileInfo now = m_places.Query(uri, &m_cancel);
    return now.Found && now.Folder == seen.IsFolder() &&
           (now.Folder || (now.Size == seen.Size && now.Modified == seen.Seconds));
}

bool TRemoteSyncer::Failed(const QString& shown, const TRemoteResult& result)
{
    if (!result.Cancelled && !m_progress.Cancelled())
        m_report.Failed(shown, result.Error);
    return false;
}

// One file through the part file of TRemotePlaces::Copy; a cancel of the run reaches
// the transfer under way.
bool TRemoteSyncer::CopyFile(const QString& source, const QString& folder, const QString& name,
                             const QString& shown)
{
    qint64 counted = 0;
    platform::TRemoteCopy copy{source, folder, name, [&](qint64 done, qint64) {
                                   m_progress.AddBytes(done - counted);
                                   counted = done;
                                   if (m_progress.Cancelled())
                                       m_cancel.Cancel();
                               }};
    const TRemoteResult result = m_places.Copy(copy, &m_cancel);
    if (result.Ok)
        return true;
    m_progress.AddBytes(-counted);
    return Failed(shown, result);
}

// Fills the new local folder `folder` with what the remote folder `uri` holds.
bool TRemoteSyncer::FillLocal(const QString& uri, const QString& folder, const QString& shown)
{
    const platform::TRemoteFolder read = m_places.ReadFolder(uri, &m_cancel);
    if (read.Cancelled || !read.Error.isEmpty())
        return Failed(shown, {.Cancelled = read.Cancelled, .Error = read.Error});
    for (const platform::TRemoteEntry& e : read.Entries) {
        if (m_progress.Cancelled())
            return false;
        if (e.Symlink || e.Name == QLatin1String(".") || e.Name == QLatin1String(".."))
            continue; // links are not copied, as a local synchronisation never enters them
        const QString child = m_places.Child(uri, e.Name);
        const QString target = m_places.Child(folder, e.Name);
        if (e.Folder) {
            const TRemoteResult made = m_places.MakeFolder(folder, e.Name, &m_cancel);
            if (!made.Ok)
                return Failed(shown, made);
            if (!FillLocal(child, target, shown))
                return false;
        } else if (!CopyFile(child, folder, e.Name, shown)) {
            return false;
        }
    }
    return true;
}

// Fills the new remote folder `uri` with what the local folder `path` holds.
bool TRemoteSyncer::FillRemote(const QString& path, const QString& uri, const QString& shown)
{
    // The local folder read through the same layer: one way of listing for both sides.
    return FillLocal(path, uri, shown);
}

TSyncStep TRemoteSyncer::CopyIn(const QString& localRoot, const QByteArray& relPath,
                                const TSeenEntry& from, const TSeenEntry* to, bool useTrash)
{
    const QString shown = m_side.Shown + platform::DecodeFileName(relPath);
    if (!from.IsFolder() && !from.IsFile()) {
        m_report.Failed(shown, QStringLiteral("links are not copied from a remote place"));
        return TSyncStep::Failed;
    }
    const QString uri = UriOf(relPath);
    if (!StillAsSeen(uri, from))
        return TSyncStep::Changed;
    platform::TSyncStaging staging(localRoot, relPath);
    const TSyncStep begun = staging.Begin(to, m_report);
    if (begun != TSyncStep::Done)
        return begun;
    const QByteArray name = relPath.mid(relPath.lastIndexOf('/') + 1);
    const QString decoded = platform::DecodeFileName(name);
    bool whole = false;
    if (from.IsFolder())
        whole =
            staging.MakeFolder(name, m_report) && FillLocal(uri, staging.Folder() + decoded, shown);
    else
        whole = CopyFile(uri, staging.Folder(), decoded, shown);
    if (!whole)
        return m_progress.Cancelled() || m_cancel.Cancelled() ? TSyncStep::Cancelled
                                                              : TSyncStep::Failed;
    // A file checked once more against the size compared: it changed while copied else.
    if (!from.IsFolder() && !staging.Holds(name, from.Size, nullptr))
        return TSyncStep::Changed;
    return staging.Place(name, to, useTrash, shown, m_report);
}

TSyncStep TRemoteSyncer::CopyOut(const QString& localRoot, const QByteArray& relPath,
                                 const TSeenEntry& from, const TSeenEntry* to, bool useTrash)
{
    const QString local =
        (localRoot.endsWith('/') ? localRoot : localRoot + '/') + platform::DecodeFileName(relPath);
    const QString shown = local;
    if (!from.IsFolder() && !from.IsFile()) {
        m_report.Failed(shown, QStringLiteral("links are not copied to a remote place"));
        return TSyncStep::Failed;
    }
    const qsizetype cut = relPath.lastIndexOf('/');
    const QString parent = cut < 0 ? m_side.Uri : UriOf(relPath.left(cut));
    const QString name = platform::DecodeFileName(relPath.mid(cut + 1));
    if (!StillAsSeen(local, from))
        return TSyncStep::Changed;
    const auto ended = [&](bool ok) {
        if (ok)
            return TSyncStep::Done;
        return m_progress.Cancelled() || m_cancel.Cancelled() ? TSyncStep::Cancelled
                                                              : TSyncStep::Failed;
    };
    if (!to) {
        // The name must still be free: neither the copy nor the new folder takes a name
        // that came meanwhile.
        const TRemoteResult made =
            from.IsFolder() ? m_places.MakeFolder(parent, name, &m_cancel) : TRemoteResult{true};
        if (made.Exists)
            return TSyncStep::Changed;
        if (!made.Ok)
            return ended(Failed(shown, made));
        if (from.IsFolder())
            return ended(FillRemote(local, m_places.Child(parent, name), shown));
        platform::TRemoteCopy copy{local, parent, name, {}};
        qint64 counted = 0;
        copy.Progress = [&](qint64 done, qint64) {
            m_progress.AddBytes(done - counted);
            counted = done;
            if (m_progress.Cancelled())
                m_cancel.Cancel();
        };
        const TRemoteResult copied = m_places.Copy(copy, &m_cancel);
        if (copied.Exists)
            return TSyncStep::Changed;
        if (!copied.Ok)
            m_progress.AddBytes(-counted);
        return ended(copied.Ok || Failed(shown, copied));
    }
    if (from.IsFolder())
        return TSyncStep::Changed; // a folder faces a folder: what they hold has rows
    // A replacement: the new file whole under a hidden name first; only then does it
    // take the old one's place (or, into the trash or where the server cannot rename
    // over a file, the old one go and the new one take its name).
    const QString temp = QStringLiteral(".%1.trvx-new").arg(name);
    const QString tempUri = m_places.Child(parent, temp);
    if (!CopyFile(local, parent, temp, shown))
        return ended(false);
    // The old entry goes only while it is still the one compared: the user's word was
    // about that one.
    const QString uri = UriOf(relPath);
    if (!StillAsSeen(uri, *to)) {
        m_places.Delete(tempUri, nullptr);
        return TSyncStep::Changed;
    }
    if (!useTrash) {
        // One rename over the old entry where the server can: the real name is never
        // left without a whole file.
        const TRemoteResult replaced = m_places.Replace(tempUri, uri, &m_cancel);
        if (replaced.Ok)
            return TSyncStep::Done;
        if (!replaced.NotSupported) {
            m_places.Delete(tempUri, nullptr);
            return ended(Failed(shown, replaced));
        }
    }
    const TRemoteResult gone =
        useTrash ? m_places.Trash(uri, &m_cancel) : m_places.Delete(uri, &m_cancel);
    if (!gone.Ok) {
        m_places.Delete(tempUri, nullptr);
        return ended(Failed(shown, gone));
    }
    const TRemoteResult named = m_places.Rename(tempUri, name, &m_cancel);
    if (!named.Ok) {
        m_report.Failed(shown,
                        QStringLiteral("%1; the new copy is kept as %2").arg(named.Error, temp));
        return TSyncStep::Failed;
    }
    return TSyncStep::Done;
}

bool TRemoteSyncer::RemoveTree(const QString& uri, bool folder, bool useTrash, const QString& shown)
{
    if (useTrash) {
        const TRemoteResult trashed = m_places.Trash(uri, &m_cancel);
        if (trashed.NotSupported) {
            // Deleting for good was not what the user chose: the entry stays.
            m_report.Failed(shown, QStringLiteral("the remote place has no trash, so it "
                                                  "was not deleted"));
            return false;
        }
        return trashed.Ok || Failed(shown, trashed);
    }
    if (folder) {
        const platform::TRemoteFolder read = m_places.ReadFolder(uri, &m_cancel);
        if (read.Cancelled || !read.Error.isEmpty())
            return Failed(shown, {.Cancelled = read.Cancelled, .Error = read.Error});
        for (const platform::TRemoteEntry& e : read.Entries) {
            if (m_progress.Cancelled())
                return false;
            if (e.Name == QLatin1String(".") || e.Name == QLatin1String(".."))
                continue;
            // A link goes itself, never what it leads to.
            if (!RemoveTree(m_places.Child(uri, e.Name), e.Folder && !e.Symlink, false, shown))
                return false;
        }
    }
    const TRemoteResult deleted = m_places.Delete(uri, &m_cancel);
    return deleted.Ok || Failed(shown, deleted);
}

TSyncStep TRemoteSyncer::Remove(const QByteArray& relPath, const TSeenEntry& seen, bool useTrash)
{
    const QString uri = UriOf(relPath);
    const QString shown = m_side.Shown + platform::DecodeFileName(relPath);
    if (!seen.IsFolder() && !seen.IsFile()) {
        const TRemoteResult deleted = m_places.Delete(uri, &m_cancel); // a link, not where it leads
        return deleted.Ok ? TSyncStep::Done : (Failed(shown, deleted), TSyncStep::Failed);
    }
    if (!StillAsSeen(uri, seen))
        return TSyncStep::Changed;
    if (RemoveTree(uri, seen.IsFolder(), useTrash, shown))
        return TSyncStep::Done;
    return m_progress.Cancelled() || m_cancel.Cancelled() ? TSyncStep::Cancelled
                                                          : TSyncStep::Failed;
}
