#include "fileops/uProgress.h"

#include "platform/FileNames.h"
#include "platform/Locale.h"

#include <QApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>
#include <mutex>
#include <thread>

namespace
{

constexpr int kShowAfterMs = 400;

// The record of the work running now; user-interface thread only.
platform::TFileOpsProgress* g_running = nullptr;
std::atomic<int> g_workersRunning{0};
constexpr int kUpdateMs = 100;

QString Count(qint64 done, qint64 total)
{
    return platform::FormatNumber(done) + QStringLiteral(" of ") +
           (total < 0 ? QStringLiteral("counting…") : platform::FormatNumber(total));
}

QString TimeText(qint64 seconds)
{
    return seconds >= 3600
               ? QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(seconds / 60 % 60)
               : QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
}

QPointer<QWidget> g_owner;

// The main window, which the progress window is modal to.
QWidget* MainWindow()
{
    if (g_owner)
        return g_owner;
    QWidget* active = QApplication::activeWindow();
    return active ? active->window() : nullptr;
}

// Runs `loop` until the work is `done` or the program quits.
void WaitForWork(QEventLoop& loop, const bool& done, const QString& command,
                 platform::TFileOpsProgress& progress)
{
    // First the quiet wait: windows paint, but no key or click can start another command.
    bool timedOut = false;
    QTimer::singleShot(kShowAfterMs, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!done && timedOut) {
        const QPointer<QWidget> before = QApplication::activeWindow();
        {
            TfProgress window(MainWindow(), command, progress, [&progress] { progress.Cancel(); });
            // A command's wait cursor would hide that Cancel can be clicked.
            QApplication::setOverrideCursor(Qt::ArrowCursor);
            window.show();
            loop.exec();
            QApplication::restoreOverrideCursor();
        }
        // The window that had the keys (an editor saving, say) takes them again, also
        // where no window manager hands them back or hands them to the main window.
        if (before && before->isVisible())
            before->activateWindow();
    }
}

} // namespace

TfProgress::TfProgress(QWidget* parent, const QString& command,
                       const platform::TFileOpsProgress& progress,
                       const std::function<void()>& onCancel)
    : QDialog(parent), m_progress(progress), m_onCancel(onCancel)
{
    setWindowTitle(command);
    setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(command, this);
    layout->addWidget(heading);
    for (QLabel** label : {&m_current, &m_items, &m_bytes, &m_rate}) {
        *label = new QLabel(this);
        layout->addWidget(*label);
    }
    m_current->setMinimumWidth(420);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 1000);
    layout->addWidget(m_bar);
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(ButtonCancel, &QPushButton::clicked, this, &TfProgress::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonCancel);
    layout->addLayout(buttons);
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &TfProgress::Update);
    timer->start(kUpdateMs);
    m_clock.start();
    Update();
}

void TfProgress::reject()
{
    m_onCancel();
    ButtonCancel->setEnabled(false);
    ButtonCancel->setText(QStringLiteral("Cancelling…"));
}

void TfProgress::Update()
{
    const qint64 bytes = m_progress.Bytes(), totalBytes = m_progress.TotalBytes();
    m_current->setText(platform::DisplayName(m_progress.Current()));
    m_items->setText(Count(m_progress.Items(), m_progress.TotalItems()) + QStringLiteral(" items"));
    m_bytes->setText(Count(bytes, totalBytes) + QStringLiteral(" bytes"));
    m_bar->setValue(totalBytes > 0 ? int(bytes * 1000 / totalBytes) : 0);
    const qint64 ms = std::max<qint64>(1, m_clock.elapsed());
    const qint64 rate = bytes * 1000 / ms;
    QString text = platform::FormatNumber(rate / 1024) + QStringLiteral(" KiB/s");
    if (rate > 0 && totalBytes >= bytes)
        text +=
            QStringLiteral(", ") + TimeText((totalBytes - bytes) / rate) + QStringLiteral(" left");
    m_rate->setText(text);
}

void RunFileWork(const QString& command, platform::TFileOpsProgress& progress,
                 const std::function<void()>& work, const TCountTotals& count)
{
    std::atomic<bool> stop{false};
    const std::unique_ptr<QThread> counter(QThread::create([&] {
        if (count)
            count(stop);
    }));
    counter->start(QThread::LowPriority);
    const std::unique_ptr<QThread> worker(QThread::create(work));
    platform::TFileOpsProgress* const outer = std::exchange(g_running, &progress);
    const auto restore = qScopeGuard([outer] { g_running = outer; });
    QEventLoop loop;
    bool done = false;
    QObject::connect(worker.get(), &QThread::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    worker->start();
    WaitForWork(loop, done, command, progress);
    // Ended otherwise, the program is quitting: the work stops as on Cancel.
    if (!done)
        progress.Cancel();
    worker->wait();
    stop.store(true);
    counter->wait();
}

bool RunAbandonableWork(const QString& command, platform::TFileOpsProgress& progress,
                        const std::function<void()>& work)
{
    TFileWorker worker([work](platform::TFileOpsProgress&) { work(); });
    platform::TFileOpsProgress* const outer = std::exchange(g_running, &progress);
    const auto restore = qScopeGuard([outer] { g_running = outer; });
    QEventLoop loop;
    bool done = false;
    QObject::connect(&worker, &TFileWorker::Finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    // The work never looks at the cancel flag: the wait does.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (progress.Cancelled())
            loop.quit();
    });
    poll.start(kUpdateMs / 2);
    WaitForWork(loop, done, command, progress);
    return done; // else the worker goes with this scope: abandoned
}

bool FileWorkRunning()
{
    return g_running != nullptr;
}

void SetProgressOwner(QWidget* window)
{
    g_owner = window;
}

bool CancelFileWork()
{
    if (!g_running)
        return false;
    g_running->Cancel();
    return true;
}

// What the worker thread shares with its TFileWorker, kept alive by whichever of the two
// ends last.
struct TFileWorker::TShared {
    platform::TFileOpsProgress Progress;
    std::mutex Mutex;
    TFileWorker* Owner{nullptr}; // null once abandoned; guarded by Mutex
};

TFileWorker::TFileWorker(const TWork& work) : m_shared(std::make_shared<TShared>())
{
    m_shared->Owner = this;
    // A plain thread, detached: a QThread may not be destroyed while it runs, and an
    // abandoned read has nobody left to wait for it.
    ++g_workersRunning;
    std::thread([shared = m_shared, work] {
        work(shared->Progress);
        --g_workersRunning;
        const std::lock_guard lock(shared->Mutex);
        // Posted while the owner is alive; an owner destroyed later drops the call with
        // its other posted events.
        if (TFileWorker* owner = shared->Owner)
            QMetaObject::invokeMethod(
                owner, [owner] { owner->Done(); }, Qt::QueuedConnection);
    }).detach();
}

TFileWorker::~TFileWorker()
{
    m_shared->Progress.Cancel();
    const std::lock_guard lock(m_shared->Mutex);
    m_shared->Owner = nullptr;
}

int TFileWorker::Running()
{
    return g_workersRunning.load();
}

void TFileWorker::Cancel()
{
    m_shared->Progress.Cancel();
}

const platform::TFileOpsProgress& TFileWorker::Progress() const
{
    return m_shared->Progress;
}

void TFileWorker::Done()
{
    m_finished = true;
    emit Finished();
    if (!m_waiting && !std::exchange(m_collected, true) && OnDone)
        OnDone(); // last: it may delete the worker
}

bool TFileWorker::Wait(int ms)
{
    // The quiet wait of RunFileWork: windows paint and timers fire, no input is taken.
    if (!m_finished) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        connect(this, &TFileWorker::Finished, &loop, &QEventLoop::quit);
        m_waiting = true;
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        m_waiting = false;
    }
    if (!m_finished)
        return false;
    m_collected = true;
    return true;
}

void RunCancellableWork(const QString& command, platform::TFileOpsProgress& progress,
                        platform::TRemoteCancel& cancel, const std::function<void()>& work,
                        const TCountTotals& count)
{
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        if (progress.Cancelled())
            cancel.Cancel();
    });
    watch.start(50);
    RunFileWork(command, progress, work, count);
}
