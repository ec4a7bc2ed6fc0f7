#pragma once
// A real FTP server for the tests of remote places, and a private D-Bus session in which
// GIO's daemons (gvfsd, gvfsd-ftp) start, all in a temporary folder:
//   - pyftpdlib (python3-pyftpdlib) on 127.0.0.1 on a port it picks itself, its passive
//     data connections on 127.0.0.1 too, with one user and password (full rights in
//     Folder()) and an anonymous login that may only read PublicFolder();
//   - dbus-daemon with its own configuration, its environment pointing HOME and the XDG
//     folders into the temporary folder;
//   - this process's DBUS_SESSION_BUS_ADDRESS and HOME pointed at them, so GIO (which
//     connects once per process) uses only the private session.
// Stopping it (the destructor) ends everything it started, failed tests included.

#include "support/GioSession.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <sys/types.h>

class TFtpServer final : public TGioSession
{
public:
    TFtpServer() = default;
    ~TFtpServer();

    // Starts the server and, unless `ownSession` is false (the process uses a session set up
    // already), the session; false with Error() saying why.
    bool Start(bool ownSession = true);
    // Why the set-up cannot run on this machine (a program or module missing); empty when
    // it can.
    static QString Unavailable();

    // The user's folder (a local path served as the user's top) and the anonymous one.
    QString Folder() const { return Path(QStringLiteral("served")); }
    QString PublicFolder() const { return Path(QStringLiteral("public")); }
    static QString User() { return QStringLiteral("tester"); }
    static QString Password() { return QStringLiteral("open ftp"); }
    int Port() const { return m_port; }
    // "ftp://tester@127.0.0.1:PORT", the user's place.
    QString RootUri() const;
    // The ftp URI of a local path under Folder(), as the user sees it.
    QString Uri(const QString& localPath) const;
    // The anonymous ftp URI of a local path under PublicFolder().
    QString PublicUri(const QString& localPath) const;
    // Stops the server (the session stays), and starts it again on the same port.
    void Stop();
    bool Restart();
    bool Running() const { return m_ftp.state() != QProcess::NotRunning; }
    // Sends `signal` to the server's process (SIGSTOP: connections are taken by the system
    // but never answered).
    void Signal(int signal) const;
    // How many connections to the server's port are established (either end counted).
    int Connections() const;

private:
    bool StartFtp();
    bool Serve();

    int m_port{0};
    QProcess m_ftp;
};
