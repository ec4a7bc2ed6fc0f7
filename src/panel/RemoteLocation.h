#pragma once
// A panel's remote location: the URI of a folder of a remote place, escaped as GIO gives
// it and ending in "/" ("sftp://ann@nas:22/home/ann/"). Plain text work, no I/O: what is
// remote, the folder above and the name left, the form shown to the user, and the panel
// rows made from a remote folder's entries.

#include "listing/FileListing.h"
#include "platform/RemotePlaces.h"

#include <QString>
#include <vector>

// The drive list's item that asks for a server to connect to.
inline constexpr char kConnectServerItem[] = "Connect to server…";

// One file or folder a copy to or from a remote place takes, as the source panel lists it.
struct TRemoteItem {
    QString Name;
    qint64 Size{0};
    double DateTime{0};
    bool Folder{false};
};

// True for a location of a remote place: a URI of a scheme other than "file".
bool IsRemoteLocation(const QString& location);
// True for an address of a scheme the user may type (sftp, smb, ftp, dav, davs; any
// case): the path line and the start arguments take it as a remote place.
bool IsRemoteAddress(const QString& typed);
// `uri` ending in "/".
QString RemoteFolder(const QString& uri);
// True when the folder is the top of its place (nothing above it).
bool IsRemoteTop(const QString& folderUri);
// The folder above `folderUri` (a folder URI), and the name of the folder left, decoded.
QString RemoteParent(const QString& folderUri, QString* left = nullptr);
// The location for the user to read: user and path decoded, no password.
QString RemoteDisplayName(const QString& uri);
// The panel rows of a remote folder: ".." first unless the folder is the top of its
// place, dated `folderDate` (the folder's own date; 0 when unknown), then `entries` as
// listed.
std::vector<TFileObject> RemoteRows(const QString& folderUri,
                                    std::vector<platform::TRemoteEntry>&& entries,
                                    double folderDate = 0);
// The date of the folder `folderUri` as the listing `shown` knows it: the folder's row when
// `shown` is its parent, the ".." row when it is the folder itself; 0 when unknown.
double KnownFolderDate(const TFileListing& shown, const QString& folderUri);
