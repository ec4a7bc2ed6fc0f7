#pragma once
// Long file work off the user-interface thread, with the progress window that shows it.
//
// RunFileWork runs a piece of pure file work on a worker thread and returns when it is
// done, so a command that calls it still completes before the next one starts. Meanwhile
// the calling (user-interface) thread keeps handling events: the windows keep painting.
// Work that takes under 400 ms shows nothing and takes no user input; longer work shows
// TfProgress, modal to the main window, until it ends.
//
// TfProgress shows the command, the entry at work, the entries and bytes done of their
// totals ("counting…" until known), a bar, the rate and the time left, read from the
// progress record at most ten times a second. Cancel, Escape and closing the window set
// the record's cancel flag; the window stays until the work has stopped.
//
// User-interface thread only; the work itself must not touch widgets or show messages.

#include "places/Place.h"
#include "platform/FileOpsProgress.h"
#include "platform/RemotePlaces.h"
#include "transfer/FileOpsSupport.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QThread;

class TfProgress final : public QDialog
{
    Q_OBJECT
public:
    TfProgress(QWidget* parent, const QString& command, const platform::TFileOpsProgress& progress,
               const std::function<void()>& onCancel);

    // Cancel, Escape and closing: asks the work to stop; the window stays until it has.
    void reject() override;
    // Reads the progress record again.
    void Update();

    QPushButton* ButtonCancel{nullptr};

private:
    const platform::TFileOpsProgress& m_progress;
    std::function<void()> m_onCancel;
    QElapsedTimer m_clock;
    QLabel* m_current{nullptr};
    QLabel* m_items{nullptr};
    QLabel* m_bytes{nullptr};
    QLabel* m_rate{nullptr};
    QProgressBar* m_bar{nullptr};
};

// Counts the totals of the work into the progress record; returns early once `stop` is
// set (the work ended or was cancelled).
using TCountTotals = std::function<void(const std::atomic<bool>& stop)>;

// Runs `work` on a worker thread as described above, and `count` (may be empty) on a
// second one at the same time, so counting never delays the work; `command` titles the
// window ("Copying", "Deleting", ...). Returns when both have returned.
void RunFileWork(const QString& command, platform::TFileOpsProgress& progress,
                 const std::function<void()>& work, const TCountTotals& count = {});

// RunFileWork for work that waits for a network (a remote place): the window's Cancel
// also presses `cancel`, which reaches the call under way at once.
void RunCancellableWork(const QString& command, platform::TFileOpsProgress& progress,
                        platform::TRemoteCancel& cancel, const std::function<void()>& work,
                        const TCountTotals& count = {});

// Where the places run their long work (places/Place.h): behind the progress window, as
// RunCancellableWork does.
class TProgressWork final : public places::TPlaceWork
{
public:
    void Run(const QString& command, platform::TFileOpsProgress& progress,
             places::TPlaceCancel& cancel, const std::function<void()>& work,
             const places::TPlaceCount& count) override
    {
        RunCancellableWork(command, progress, cancel, work, count);
    }
};

// Runs `work` behind the progress window as RunFileWork does, for work that cannot stop
// midway and changes no file (reading an archive's listing): Cancel, Escape, closing the
// window and quitting return at once and abandon it. It ends on its own and what it made
// is dropped, so it must own by shared pointers whatever it writes, and catch what it
// throws. True when the work has returned, false when it was abandoned.
bool RunAbandonableWork(const QString& command, platform::TFileOpsProgress& progress,
                        const std::function<void()>& work);

// Cancels the file work RunFileWork is running, if any; true when there was some.
bool CancelFileWork();
// True while RunFileWork runs a piece of work (its wait and its window included).
bool FileWorkRunning();

// The window every progress window is modal to: the main window, whichever window is
// active (another program's, a viewer's or none) when the window comes up. While one is
// shown, no key, click or drop reaches the main window or the windows it owns. Null
// (the default, and once that window is gone) falls back to the active window.
void SetProgressOwner(QWidget* window);

// Whether the work was cancelled, for the closing message (transfer/FileOpsSupport.h).
using platform::CancelledText;

// File work on a worker thread that nobody waits for, for work the user may leave
// running while the windows go on taking input (reading a large folder). The work gets
// the worker's progress record, counts into it and stops once its cancel flag is set,
// as RunFileWork's does; no window is shown. Made, waited for and destroyed on the
// user-interface thread.
//
// Destroying the worker never waits: work still under way is cancelled and abandoned.
// It returns on its own, maybe minutes later (a stat on a dead network mount), nobody
// hears of it, and the program may end meanwhile. So the work must own, by shared
// pointers, everything it writes; the progress record is kept alive for it.
class TFileWorker final : public QObject
{
    Q_OBJECT
public:
    using TWork = std::function<void(platform::TFileOpsProgress& progress)>;

    // Starts `work` on a worker thread at once.
    explicit TFileWorker(const TWork& work);
    // Cancels the work and abandons it, at once; OnDone is not called then.
    ~TFileWorker() override;

    // Waits up to `ms` for the work to return, handling events other than user input
    // meanwhile as RunFileWork's quiet wait does; true when it has returned, and then
    // OnDone is not called.
    bool Wait(int ms);
    // Sets the cancel flag; the work returns at its next check.
    void Cancel();
    const platform::TFileOpsProgress& Progress() const;
    // The works of all workers, abandoned ones included, that have not returned yet.
    static int Running();

    // Called on the user-interface thread once the work has returned, unless Wait has
    // said so first. It may delete the worker only by deleteLater.
    std::function<void()> OnDone;

signals:
    // The work has returned (emitted before OnDone is called).
    void Finished();

private:
    struct TShared;
    void Done();

    std::shared_ptr<TShared> m_shared;
    bool m_finished{false};
    bool m_waiting{false};
    bool m_collected{false};
};
