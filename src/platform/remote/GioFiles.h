#pragma once
// The blocking file commands of the GIO layer, for worker threads: query, free space, read,
// copy through a part file, delete, trash, new folder, rename, a replacing rename for saves,
// a move within a place, digest.

#include "platform/RemotePlaces.h"

namespace platform::gio
{

TRemoteFileInfo QueryFile(const QString& uri, TRemoteCancel* cancel);
TRemoteSpace QuerySpace(const QString& uri, TRemoteCancel* cancel);
TRemoteResult ReadFileBlocks(const QString& uri, const TRemoteBlock& block, TRemoteCancel* cancel);
TRemoteResult CopyFile(const TRemoteCopy& copy, TRemoteCancel* cancel);
TRemoteResult DeleteFile(const QString& uri, TRemoteCancel* cancel);
TRemoteResult TrashFile(const QString& uri, TRemoteCancel* cancel);
TRemoteResult MakeFolder(const QString& folderUri, const QString& name, TRemoteCancel* cancel);
TRemoteResult RenameFile(const QString& uri, const QString& newName, TRemoteCancel* cancel);
TRemoteResult ReplaceFile(const QString& uri, const QString& targetUri, TRemoteCancel* cancel);
TRemoteResult MoveFile(const QString& uri, const QString& folderUri, const QString& name,
                       TRemoteCancel* cancel);
// RemotePlaces.h's DropPart.
void DropPartLeft(const QString& uri);
QByteArray DigestFile(const QString& uri, QString& error, TRemoteCancel* cancel);

} // namespace platform::gio
