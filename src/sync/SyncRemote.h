#pragma once
// A remote folder (TRemotePlaces) as one side of a comparison of folders, the other a
// local folder. Its tree is read folder by folder through ReadFolder into the scan the
// comparison uses (size and date, seconds only; links listed, never entered). Copies go
// through TRemotePlaces::Copy, which writes a hidden part file and gives it the real
// name only when whole and never over a name: into a local folder through a staging
// folder placed as any synchronised copy is; into the remote folder under a new hidden
// name first, and only once that is whole does the old entry go (to the trash when
// asked) and the new one take its name. An entry that changed since the comparison is
// left alone. No widgets; the worker's thread.

#include "platform/FileOpsProgress.h"
#include "platform/FolderScan.h"
#include "platform/RemotePlaces.h"
#include "transfer/FileOpsSupport.h"
#include "transfer/FileOpsSync.h"

#include <QString>

struct TRemoteSyncSide {
    QString Shown; // the folder as the user reads it
    QString Uri;   // the remote folder compared, ending in "/"
    platform::TRemotePlaces* Places{nullptr};
    bool Left{true}; // the remote folder is the left side of the comparison
};

// The remote tree as a scan, each folder before what it holds. `progress` (may be null)
// counts one item per entry; `cancel` reaches a read under way.
platform::TFolderScan ScanRemote(const TRemoteSyncSide& side, bool subfolders,
                                 platform::TFileOpsProgress* progress,
                                 platform::TRemoteCancel* cancel);

// The steps of a run with one side remote.
class TRemoteSyncer final
{
public:
    TRemoteSyncer(const TRemoteSyncSide& side, platform::TRemoteCancel& cancel,
                  platform::TFileOpsReport& report, platform::TFileOpsProgress& progress)
        : m_side(side), m_places(*side.Places), m_cancel(cancel), m_report(report),
          m_progress(progress)
    {
    }

    // The remote entry `relPath` (a file, or a folder with all it holds) to the same path
    // below the local folder `localRoot`; `to` the local entry as compared, or null.
    platform::TSyncStep CopyIn(const QString& localRoot, const QByteArray& relPath,
                               const platform::TSeenEntry& from, const platform::TSeenEntry* to,
                               bool useTrash);
    // The local entry `relPath` of `localRoot` to the remote folder; `to` the remote entry
    // as compared, or null.
    platform::TSyncStep CopyOut(const QString& localRoot, const QByteArray& relPath,
                                const platform::TSeenEntry& from, const platform::TSeenEntry* to,
                                bool useTrash);
    // Removes the remote entry `relPath`, still as `seen`, with all it holds.
    platform::TSyncStep Remove(const QByteArray& relPath, const platform::TSeenEntry& seen,
                               bool useTrash);

private:
    QString UriOf(const QByteArray& relPath) const;
    bool StillAsSeen(const QString& uri, const platform::TSeenEntry& seen);
    bool CopyFile(const QString& source, const QString& folder, const QString& name,
                  const QString& shown);
    bool FillLocal(const QString& uri, const QString& folder, const QString& shown);
    bool FillRemote(const QString& path, const QString& uri, const QString& shown);
    bool RemoveTree(const QString& uri, bool folder, bool useTrash, const QString& shown);
    bool Failed(const QString& shown, const platform::TRemoteResult& result);

    const TRemoteSyncSide& m_side;
    platform::TRemotePlaces& m_places;
    platform::TRemoteCancel& m_cancel;
    platform::TFileOpsReport& m_report;
    platform::TFileOpsProgress& m_progress;
};
