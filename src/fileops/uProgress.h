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

#include "platform/FileOpsProgress.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>
#include <atomic>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

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

// Cancels the file work RunFileWork is running, if any; true when there was some.
bool CancelFileWork();

// Whether the work was cancelled, for the closing message: "Copied 412 of 1,000 items;
// cancelled" (`verb` is "Copied", "Moved", "Deleted"); empty when it was not cancelled.
// `done`, when not negative, is the count of entries completed, for work whose record
// counts an entry when it starts.
QString CancelledText(const QString& verb, const platform::TFileOpsProgress& progress,
                      int done = -1);
