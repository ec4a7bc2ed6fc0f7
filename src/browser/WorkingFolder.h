#pragma once
// The process's current directory as the HTML viewer sets it: the folder of the document it
// shows, as the program's other commands (ZIP extraction) also expect. The viewer must never
// leave the process in a folder that has been removed, so the folder it entered is watched:
// once it is gone and the process is still inside it, the current directory moves to the
// nearest folder above it that still exists.
//
// User-interface thread only. The watch reports through the event loop; Mend() checks at
// once (the viewer calls it when it hides, the moment private copies of archive members
// are removed).

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

class TWorkingFolder final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TWorkingFolder)
public:
    explicit TWorkingFolder(QObject* parent = nullptr);

    // Makes `folder` (absolute) the current directory and watches it. Throws
    // platform::EInOutError with the system's error number when that fails; the current
    // directory and the watch then stay as they were.
    void Enter(const QString& folder);

    // The folder last entered; empty before the first Enter.
    QString Folder() const { return m_folder; }

    // When the current directory no longer exists, moves it to the nearest existing folder
    // above the one entered (the root at worst). Returns true when it moved.
    bool Mend();

private:
    QFileSystemWatcher m_watcher;
    QString m_folder;
};
