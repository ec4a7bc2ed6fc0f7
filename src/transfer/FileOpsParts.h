#pragma once
// Files being written, and folders being copied, take a hidden temporary name in their
// target folder and their real name only once they are complete, so that a program killed
// at any moment leaves either nothing or the whole file or folder under the real name:
//
//     .<NAME>.trvx<PID>.<PID NAMESPACE>.<HOST>-<6 random letters or digits>.part
//
// (base/PartName.h, base/OwnerTag.h). The owner tag tells whose file it is. Left-overs
// of this host and PID namespace whose process has ended are removed the next time the
// program writes into that folder; those of running processes and of other users are
// never touched, and those of other hosts or namespaces (another instance sharing the
// folder), or of the older name form (the process id alone), only once a week old.
// Any thread.

#include "platform/FileNames.h"

#include <QByteArray>
#include <QString>

namespace platform
{

// PartFileName, the temporary name itself, is in platform/FileNames.h.

// Removes from the open folder `dirFd` the temporary files and folders (regular files,
// and folders with everything in them, named as above; never links) that belong to the
// current user and may go (above). Returns how many went. Cost: one read of the folder
// and one lstat per matching name, and the walk of a folder that goes.
int RemoveStalePartFiles(int dirFd);
// The same for the folder `folder` (a full path); 0 when it cannot be opened.
int RemoveStalePartFiles(const QString& folder);

} // namespace platform
