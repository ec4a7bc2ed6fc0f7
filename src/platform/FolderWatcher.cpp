#include "platform/FolderWatcher.h"

#include "platform/FileNames.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>
#include <utility>

namespace platform
{

namespace
{

constexpr uint32_t kChanges = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY |
                              IN_ATTRIB | IN_CLOSE_WRITE;
constexpr uint32_t kSelf = IN_DELETE_SELF | IN_MOVE_SELF;
// Moves out of the folder remembered at most, waiting for a "moved to" that never comes.
constexpr qsizetype kMostMovesOut = 4096;

} // namespace

TFolderWatcher::TFolderWatcher(QObject* parent) : QObject(parent)
{
    m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    m_settle.setSingleShot(true);
    connect(&m_settle, &QTimer::timeout, this, &TFolderWatcher::OnSettleTimer);
    if (m_fd < 0)
        return; // no inotify: Watch says so, the panel shows no live changes
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    m_notifier->setEnabled(false);
    connect(m_notifier, &QSocketNotifier::activated, this, &TFolderWatcher::OnEvents);
}

TFolderWatcher::~TFolderWatcher()
{
    delete m_notifier; // before its descriptor closes
    if (m_fd >= 0)
        close(m_fd);
}

bool TFolderWatcher::Watch(const QString& folder, const QString& name)
{
    if (m_watch >= 0 && folder == m_folder && name == m_name)
        return true;
    Release();
    if (m_fd < 0)
        return false;
    const int watch = inotify_add_watch(m_fd, EncodeFileName(folder).constData(),
                                        kChanges | kSelf | IN_ONLYDIR);
    if (watch < 0)
        return false;
    m_watch = watch;
    m_folder = folder;
    m_name = name;
    m_encodedName = EncodeFileName(name);
    m_notifier->setEnabled(true);
    return true;
}

void TFolderWatcher::Release()
{
    m_settle.stop();
    if (m_notifier)
        m_notifier->setEnabled(false);
    if (m_watch >= 0)
        inotify_rm_watch(m_fd, m_watch);
    m_watch = -1;
    m_folder.clear();
    m_name.clear();
    Drain(); // what the old watch queued, its removal included, is of no interest now
    m_movedFrom.clear();
    m_renames.clear();
}

QHash<QString, QString> TFolderWatcher::TakeRenames()
{
    return std::exchange(m_renames, {});
}

void TFolderWatcher::NoteMove(const inotify_event& event)
{
    const QString name = DecodeFileName(QByteArray(event.name));
    if (event.mask & IN_MOVED_FROM) {
        // A rename's two halves come one right after the other: the halves of moves out
        // of the folder need not be kept for long.
        if (m_movedFrom.size() >= kMostMovesOut)
            m_movedFrom.clear();
        m_movedFrom.insert(event.cookie, name);
        return;
    }
    const QString from = m_movedFrom.take(event.cookie);
    if (from.isEmpty())
        return; // moved in from elsewhere
    // A name renamed before keeps its first name as the key.
    bool chained = false;
    for (QString& to : m_renames)
        if (to == from) {
            to = name;
            chained = true;
        }
    if (!chained)
        m_renames.insert(from, name);
}

int TFolderWatcher::Drain()
{
    int seen = seNothing;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t got = read(m_fd, buffer, sizeof buffer);
        if (got <= 0) {
            if (got < 0 && errno == EINTR)
                continue;
            return seen; // EAGAIN: the queue is empty
        }
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW)
                seen |= seChange; // events were lost: something changed
            if (m_watch < 0 || event->wd != m_watch)
                continue;
            if (event->mask & IN_UNMOUNT)
                seen |= seUnmount;
            else if (event->mask & (kSelf | IN_IGNORED))
                seen |= seGone;
            else if (m_encodedName.isEmpty() ||
                     (event->len > 0 && m_encodedName == event->name))
                seen |= seChange;
            if (m_encodedName.isEmpty() && event->len > 0 &&
                (event->mask & (IN_MOVED_FROM | IN_MOVED_TO)))
                NoteMove(*event);
        }
    }
}

bool TFolderWatcher::ReportGone(int seen)
{
    if (!(seen & (seGone | seUnmount)))
        return false;
    Release();
    emit Gone((seen & seUnmount) != 0);
    return true;
}

void TFolderWatcher::OnEvents()
{
    const int seen = Drain();
    if (ReportGone(seen) || !(seen & seChange))
        return;
    // Listening stops while the changes go on; the timer looks at the queue instead.
    m_notifier->setEnabled(false);
    m_firstChange.start();
    m_settle.start(SettleMs);
}

void TFolderWatcher::OnSettleTimer()
{
    const int seen = Drain();
    if (ReportGone(seen))
        return;
    if ((seen & seChange) && m_firstChange.elapsed() < MostWaitMs) {
        m_settle.start(SettleMs);
        return;
    }
    m_notifier->setEnabled(true);
    emit Settled();
}

} // namespace platform
