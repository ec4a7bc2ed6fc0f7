#pragma once
// A remote file opened through a private copy: fetching the copy, and putting an edited
// copy back only while the remote file is still the one fetched. No widgets: the calls
// block and belong on a worker thread.

#include "platform/RemotePlaces.h"

#include <QString>

namespace remote
{

// A remote file and the private copy fetched from it.
struct TFetchedFile {
    QString Folder; // the remote folder's URI
    QString Name;   // the file's name in it
    QString Copy;   // the private copy's path
    // The remote file as it was when fetched (or last put back): what a put-back checks.
    platform::TRemoteFileInfo Fetched;
};

// Empty when `now` is the remote file `then` recorded: the same version tag where the
// backend gives one, else the same modification time; and the same size. Otherwise what
// changed, in words.
QString RemoteChanges(const platform::TRemoteFileInfo& then, const platform::TRemoteFileInfo& now);

// Copies `file.Folder`/`file.Name` into the local folder `folder` (a fresh private
// folder) under its name and records the remote file as it was. A file that changed while
// it was copied is recorded as unknown, so that no put-back can trust it.
platform::TRemoteResult FetchCopy(platform::TRemotePlaces& places, TFetchedFile& file,
                                  const QString& folder, const platform::TRemoteProgress& progress,
                                  platform::TRemoteCancel* cancel);

// Puts the copy back in place of the remote file, only while that file is unchanged
// since it was fetched: the copy is written whole under a hidden name in the remote
// folder, checked again, and only then takes the real name. Afterwards `file.Fetched`
// records the file put back. A refusal leaves the remote file as it was.
platform::TRemoteResult PutBack(platform::TRemotePlaces& places, TFetchedFile& file,
                                platform::TRemoteCancel* cancel);

// Copies the local file `file` into the local folder `folder` under its name, or the
// first free "NAME (N).EXT", never replacing one. The path kept, or empty (`why` says).
QString KeepCopy(platform::TRemotePlaces& places, const QString& file, const QString& folder,
                 QString& why);

} // namespace remote
