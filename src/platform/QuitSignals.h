#pragma once
// SIGTERM and SIGHUP (a logout, a shutdown) as a Qt signal on the user-interface thread,
// so that the program can end the way closing its window does. The signal handler only
// writes the signal's number into a pipe, which is async-signal-safe; a socket notifier
// reads it in the event loop. One instance at a time; the default handling comes back
// when it goes.

#include <QObject>

class QSocketNotifier;

namespace platform
{

class TQuitSignals final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TQuitSignals)

public:
    explicit TQuitSignals(QObject* parent = nullptr);
    ~TQuitSignals() override;

signals:
    // A quit signal arrived (its number).
    void Received(int signal);

private:
    void Read();

    QSocketNotifier* m_notifier{nullptr};
};

} // namespace platform
