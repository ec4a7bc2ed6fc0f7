#pragma once
// Whole trees of a remote place on the worker thread: deleting items (to the trash where
// the place has one, else for good, a folder with everything in it) and measuring folders.

#include "platform/FileOpsProgress.h"
#include "platform/RemotePlaces.h"

#include <QString>
#include <QStringList>

namespace platform
{

// One entry of a folder as its panel lists it: a name and whether it is a folder.
struct TRemoteName {
    QString Name;
    bool Folder{false};
};

// Deletes `items` of the folder `folder`: each to the trash with `toTrash`, else for good,
// a folder's entries first and the folder last (one with an entry left stays). Returns a
// sentence for each entry that did not go; stops at Cancel.
QStringList DeleteRemoteItems(TRemotePlaces& places, const QString& folder,
                              const std::vector<TRemoteName>& items, bool toTrash,
                              TFileOpsProgress& progress, TRemoteCancel& cancel);

// Deletes the originals `items` of the remote folder `folder` whose copies lie under the
// same names in the local folder `copies`: a file only when its copy reads back with the
// same size and SHA-256, a folder only once everything in it went so. Returns a sentence
// for each entry that stays; stops at Cancel.
QStringList DeleteCopiedOriginals(TRemotePlaces& places, const QString& folder,
                                  const QString& copies, const std::vector<TRemoteName>& items,
                                  TFileOpsProgress& progress, TRemoteCancel& cancel);

// The bytes of the files in the folder `uri` and below; -1 when a folder could not be
// read whole or Cancel was pressed.
qint64 RemoteTreeSize(TRemotePlaces& places, const QString& uri, TFileOpsProgress& progress,
                      TRemoteCancel& cancel);

} // namespace platform
