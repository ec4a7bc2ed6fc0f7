#pragma once
// Files being written take a hidden temporary name in their target folder and their real
// name only once they are complete, so that a program killed at any moment leaves either
// nothing or the whole file under the real name:
//
//     .<NAME>.trvx<PID>.<PID NAMESPACE>.<HOST>-<6 random letters or digits>.part
//
// (base/PartName.h, base/OwnerTag.h). The owner tag tells whose file it is. Left-overs
// of this host and PID namespace whose process has ended, and any older than a week, are
// removed the next time the program writes into that folder; files of processes still
// running, of other hosts or namespaces (another instance sharing the folder), and files
// of other users are never touched. Names of the older form (the process id alone) go
// only once older than a week. Any thread.

#include <QByteArray>
#include <QString>

namespace platform
{

// A fresh temporary name for the file `name` (file-system bytes) of this process. NAME is
// shortened, at a character boundary, where the whole would pass the 255-byte limit.
QByteArray PartFileName(const QByteArray& name);

// Removes from the open folder `dirFd` the temporary files (regular files named as above)
// that belong to the current user and may go (above). Returns how many went. Cost: one read of the folder and one lstat per matching name.
int RemoveStalePartFiles(int dirFd);
// The same for the folder `folder` (a full path); 0 when it cannot be opened.
int RemoveStalePartFiles(const QString& folder);

} // namespace platform
