#pragma once
// TFolderWatcher: follows one folder (or one entry of a folder, such as an archive's
// file) for changes made by any program, through an inotify instance of its own. A
// panel holds one; each Watch replaces the watch held before.
//
// Changes are reported once they settle, not one by one: after the first change the
// watcher stops listening, and every SettleMs looks whether more came meanwhile. Quiet
// for SettleMs, or changing for longer than MostWaitMs, gives one Settled; so a burst
// of any size costs one signal and a few reads of the event queue a second, and a
// folder that never stops changing is reported about once every MostWaitMs.
// User-interface thread only.

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;
struct inotify_event;

namespace platform
{

class TFolderWatcher final : public QObject
{
    Q_OBJECT

public:
    explicit TFolderWatcher(QObject* parent = nullptr);
    ~TFolderWatcher() override;
    Q_DISABLE_COPY_MOVE(TFolderWatcher)

    // Follows `folder` (absolute); with `name`, only that entry of it (its creation,
    // change, removal and replacement by a rename). Watching what is watched already
    // keeps the watch and the changes it has seen. False when the folder cannot be
    // watched (gone, no permission, no inotify); nothing is watched then.
    bool Watch(const QString& folder, const QString& name = {});
    // Stops following; no signal comes after it.
    void Release();
    bool Watching() const { return m_watch >= 0; }
    QString Folder() const { return m_folder; }
    QString Name() const { return m_name; }
    // The entries of the folder renamed within it that the watch has seen since the last
    // call or the last Watch: old name to new name (after a chain of renames, the first
    // name to the last). Empty while only one entry is followed.
    QHash<QString, QString> TakeRenames();

    int SettleMs{100};
    int MostWaitMs{1000};

signals:
    // What is followed changed, and the changes have settled.
    void Settled();
    // The folder itself was deleted, moved away or its file system unmounted; the watch
    // is released.
    void Gone(bool unmounted);

private:
    enum TSeen { seNothing = 0, seChange = 1, seGone = 2, seUnmount = 4 };
    // Reads every queued event; what they say about the watched place.
    int Drain();
    void OnEvents();
    void OnSettleTimer();
    // True when it reported the folder gone (and released the watch).
    bool ReportGone(int seen);
    // Pairs a "moved from" with its "moved to" into a rename.
    void NoteMove(const inotify_event& event);

    int m_fd{-1};
    int m_watch{-1};
    QString m_folder, m_name;
    QByteArray m_encodedName;
    QSocketNotifier* m_notifier{nullptr};
    QTimer m_settle;
    QElapsedTimer m_firstChange;
    // A rename is a "moved from" and a "moved to" with the same cookie.
    QHash<uint32_t, QString> m_movedFrom;
    QHash<QString, QString> m_renames;
};

} // namespace platform
