#pragma once
// A fresh private folder "TRVX-XXXXXX" under the system's temporary folder, removed with
// everything in it when the object goes. Creating it never reuses an existing folder.

#include <QString>
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

// Size of the file at `path` (links followed), or -1 when there is none.
qint64 FileSize(const QString& path);

// Makes `path` the process's current directory unless it already is; false on failure.
bool SetCurrentDirectory(const QString& path);

// When the current directory is `folder` or lies below it, moves it to the system's
// temporary folder, so that the folder can go without leaving the process inside it.
void LeaveFolder(const QString& folder);

} // namespace platform
