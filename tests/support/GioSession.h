#pragma once
// What the test servers of remote places share: a temporary folder, and a private D-Bus
// session in which GIO's daemons (gvfsd and its backends) start, its environment pointing
// HOME and the XDG folders into that folder. Starting the session points this process's
// DBUS_SESSION_BUS_ADDRESS and HOME at it, so GIO (which connects once per process) uses
// only the private session. Stopping it ends the bus and every daemon it started.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <sys/types.h>

namespace testsession
{

constexpr int kStartMs = 30000;

// Ends `process`, politely first.
void StopProcess(QProcess& process);
// The first missing one of `programs` (absolute paths, or names looked up in PATH), as
// "NAME is not installed"; empty when all are there.
QString Missing(std::initializer_list<const char*> programs);

} // namespace testsession

class TGioSession
{
public:
    TGioSession(const TGioSession&) = delete;
    TGioSession& operator=(const TGioSession&) = delete;

    QString Error() const { return m_error; }

protected:
    TGioSession() = default;
    ~TGioSession() { StopBus(); }

    bool Fail(const QString& why);
    QString Path(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }
    // Makes the folders "home" and "run" (the latter private) and starts dbus-daemon;
    // `firstInPath` (may be empty) comes first in the PATH of the daemons it starts.
    bool StartBus(const QString& firstInPath = {});
    // Ends the bus and the daemons it started; nothing when it is not running.
    void StopBus();

    QTemporaryDir m_dir;
    QString m_error;
    pid_t m_busGroup{0};

private:
    QProcess m_bus;
};
