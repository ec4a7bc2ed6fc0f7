#pragma once
// Copies and moves where either side is a remote place (or both are, also on different
// servers), through TRemotePlaces on the worker thread: files through the backend's copy
// into a part file, folders made with MakeFolder and walked with ReadFolder.
//
// - A taken file name asks (Skip, Rename or Cancel): nothing is ever replaced. A folder
//   meeting a folder merges into it; a folder meeting a file asks Skip or Rename.
// - A connection lost midway stops the transfer; one message says which files arrived
//   whole and which did not (a copy leaves no partial file under a real name).
// - A move deletes an original only after its copy is verified: the same size, and the
//   same content read back through both backends (SFTP has no checksum to ask for). A
//   skipped, failed or unverified file stays where it was, and so does every folder
//   around it; a source folder goes only when everything in it went. Within one place
//   (same scheme, user, host and port) a move is the backend's rename where it can.

#include "platform/FileOpsProgress.h"
#include "platform/RemotePlaces.h"
#include "transfer/FileOpsCollision.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace platform
{

// One entry of the source folder, as the source panel lists it.
struct TRemoteTransferItem {
    QString Name;
    bool Folder{false};
    qint64 Size{0};
    QDateTime Modified;
};

// Empty when the file `copy` holds what the file `original` holds: the same size, and the
// same SHA-256 read through both backends; else why not.
QString CompareCopy(TRemotePlaces& places, const QString& original, const QString& copy,
                    TRemoteCancel& cancel);

class TRemoteTransfer
{
public:
    // `ask` answers a taken name on the worker; `cancel` stops the GIO call under way.
    TRemoteTransfer(TRemotePlaces& places, TFileOpsProgress& progress, TCollisionAsk ask,
                    TRemoteCancel& cancel, bool move);

    // Copies (moves) `items` of the folder `source` into the folder `target` (URIs or
    // local paths). Counts them into the progress totals as it finds them.
    void Run(const QString& source, const QString& target,
             const std::vector<TRemoteTransferItem>& items);
    // The items a move within one place gave their new folder by the backend's rename, as
    // (new URI, old URI): these can be moved back.
    const std::vector<std::pair<QString, QString>>& Renamed() const { return m_renamed; }
    // What arrived whole, relative to the target folder.
    const QStringList& Arrived() const { return m_arrived; }
    // The originals a move deleted (files after their copies were verified, folders once
    // emptied so) or gave their new place by a rename, as URIs or local paths.
    const QStringList& Moved() const { return m_moved; }
    // Whether the transfer stopped at a lost connection.
    bool Lost() const { return m_lost; }
    // One sentence for each file or folder that did not go; after a lost connection, one
    // message that names the files that arrived whole and those that did not.
    const QStringList& Errors() const { return m_errors; }

private:
    bool Stopped() const;
    // A move within one place: the backend's rename, when it can and the name is free.
    bool MovedByRename(const QString& source, const QString& target,
                       const TRemoteTransferItem& item);
    // True (and the transfer stops) when the folder `source` or `target` no longer answers
    // after a call failed with `error`, or the call `known` it lost the connection.
    bool Lost(const QString& source, const QString& target, const QString& error,
              bool known = false);
    // Counts `items` from `from` on as not arrived.
    void NotArrived(const std::vector<TRemoteTransferItem>& items, size_t from);
    QString LostText() const;
    // Each returns true when the item went whole (and, for a move, its original is gone).
    bool Transfer(const QString& source, const QString& target, const TRemoteTransferItem& item);
    bool TransferFile(const QString& source, const QString& target,
                      const TRemoteTransferItem& item);
    bool TransferFolder(const QString& source, const QString& target,
                        const TRemoteTransferItem& item);
    // The user's answer to `name` being taken in `target` by `existing`.
    TCollisionAnswer AskAbout(const QString& target, const QString& name,
                              const TRemoteFileInfo& existing, const QString& source,
                              const TRemoteTransferItem& item);
    // Empty when the file `copy` holds what `original` holds; else why not.
    QString Verify(const QString& original, const QString& copy);
    // Deletes the original of a verified copy.
    bool DropOriginal(const QString& uri);

    TRemotePlaces& m_places;
    TFileOpsProgress& m_progress;
    TCollisionAsk m_ask;
    TRemoteCancel& m_cancel;
    bool m_move;
    QStringList m_errors;
    std::vector<std::pair<QString, QString>> m_renamed;
    QString m_prefix;      // the folder being walked, relative to the command's, ending in "/"
    QStringList m_arrived; // what arrived whole, relative to the target folder
    QStringList m_moved;   // originals gone after their copies were verified
    QStringList m_missed;  // what did not, after a lost connection
    bool m_lost{false};
    QString m_lostError;
};

} // namespace platform
