#pragma once
// A fresh private folder "TRVX-<owner tag>-XXXXXX" under the system's temporary folder,
// removed with everything in it when the object goes. Creating it never reuses an
// existing folder. The owner tag (process id, PID namespace and host, base/OwnerTag.h)
// lets a later start remove the folders of a process of this host and namespace that
// ended without removing them (RemoveStalePrivateFolders), and no other instance's.

#include <QString>
#include <QStringList>
#include <memory>

class QTemporaryDir;

namespace platform
{

class TPrivateFolder final
{
public:
    // Throws EInOutError when the folder cannot be created.
    TPrivateFolder();
    ~TPrivateFolder();
    TPrivateFolder(const TPrivateFolder&) = delete;
    TPrivateFolder& operator=(const TPrivateFolder&) = delete;

    // Absolute path ending in "/".
    QString Path() const;

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

// Removes this user's private folders that may go: of this host and PID namespace and of
// a process that ended, or older than a week (base/OwnerTag.h). Returns how many. Such a
// folder that holds an edited member not yet put back (PendingPutBack.h) is kept and
// added to `pendingPutBacks`, when given.
int RemoveStalePrivateFolders(QStringList* pendingPutBacks = nullptr);

// Whether `path` is the system's temporary folder or lies below it.
bool InTemporaryFolder(const QString& path);
// Whether `path` lies in a private folder (of this or another process).
bool InPrivateFolder(const QString& path);

// Size of the file at `path` (links followed), or -1 when there is none.
qint64 FileSize(const QString& path);

// Makes `path` the process's current directory unless it already is; false on failure.
bool SetCurrentDirectory(const QString& path);

// When the current directory is `folder` or lies below it, moves it to the system's
// temporary folder, so that the folder can go without leaving the process inside it.
void LeaveFolder(const QString& folder);

} // namespace platform
