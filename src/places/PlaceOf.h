#pragma once
// The place a panel shows, made from what the panel holds: its location, caption and
// ".." target, and the archive or search results it shows. The window fills the state on
// its thread; the place made keeps pointers to the panel's archive components, so it
// lives no longer than the command that asked for it.

#include "places/Place.h"

#include <memory>
#include <optional>

class TZipArchive;
class TReadOnlyArchive;
class TArchiveFolders;
struct TFedResults;

namespace places
{

struct TPlaceState {
    QString Directory;          // the panel's location: "Drives", a folder ending in "/", or a URI
    QString Shown;              // the caption
    QString Parent;             // where ".." leads; empty at the top
    bool Remote{false};         // Directory is a URI of a remote place
    bool ArchiveListing{false}; // the panel lists an archive's members
    TZipArchive* Zip{nullptr};  // the ZIP archive shown, when it is one
    const TReadOnlyArchive* ReadOnly{nullptr}; // the read-only archive shown, when it is one
    // The archive's members indexed by folder, the folder level to list ("" the top) and
    // the archive's own row, whose values the ".." row carries.
    std::shared_ptr<const TArchiveFolders> Folders;
    QString ArchiveFolder;
    std::optional<TFileObject> ArchiveEntry;
    bool Results{false};                    // search results fed to the panel (Directory: the root)
    std::shared_ptr<const TFedResults> Fed; // those results, to be listed again
    // The remote places, when Remote; null with `RemoteFailure` saying why they cannot be
    // used.
    platform::TRemotePlaces* RemotePlaces{nullptr};
    QString RemoteFailure;
};

std::unique_ptr<TPlace> PlaceOf(const TPlaceState& state);

// The messages the window gives for a place that refuses.
QString DriveListFolderRefusal();
QString RemoteResultsRefusal();
QString RemoteRefusal();

} // namespace places
