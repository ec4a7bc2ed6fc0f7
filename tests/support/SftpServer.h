#pragma once
// A real SSH server for the tests of remote places, and a private D-Bus session in which
// GIO's daemons (gvfsd, gvfsd-sftp) start, all in a temporary folder:
//   - sshd on 127.0.0.1 on a free port (never another address), with a generated host key
//     and a generated key of the user running the test (root included: then with
//     PermitRootLogin prohibit-password);
//   - dbus-daemon with its own configuration, its environment pointing HOME and the XDG
//     folders into the temporary folder, and a wrapper named `ssh` first in its PATH that
//     calls the real ssh with a configuration of the test (identity, known hosts file),
//     since ssh reads ~/.ssh from the password database rather than $HOME;
//   - this process's DBUS_SESSION_BUS_ADDRESS and HOME pointed at them, so GIO (which
//     connects once per process) uses only the private session.
// Stopping it (the destructor) ends everything it started, failed tests included.

#include "support/GioSession.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <sys/types.h>
#include <vector>

class TSftpServer final : public TGioSession
{
public:
    TSftpServer();
    ~TSftpServer();

    // Starts the server and the session; false with Error() saying why.
    bool Start();
    // Why the set-up cannot run on this machine (a program missing); empty when it can.
    static QString Unavailable();

    // The folder the tests' files live in (a local path; the server serves it as is).
    QString Folder() const;
    // The sftp URI of a local path under Folder().
    QString Uri(const QString& localPath) const;
    QString RootUri() const;
    int Port() const { return m_port; }
    QString User() const { return m_user; }
    // The ssh configuration the session's ssh uses (for scp beside it).
    QString SshConfig() const { return Path(QStringLiteral("ssh_config")); }
    // The host key's fingerprint as ssh shows it ("SHA256:…").
    QString HostFingerprint() const;
    // Removes the known hosts file, so that the next connection asks about the key again.
    void ForgetHostKey() const;
    // Makes ssh log in with a second key of the user, one with a passphrase (which ssh then
    // asks for), or again with the first one.
    void UseLockedKey(bool locked) const;
    static QString Passphrase() { return QStringLiteral("open sesame"); }
    // How many times the ssh wrapper ran (each run of ssh by gvfsd-sftp).
    int SshRuns() const;

    // How many gvfsd-sftp backends run in the session.
    int SftpBackends() const;

    // The server's processes serving connections (the listener's descendants).
    std::vector<pid_t> Sessions() const;
    void SignalSessions(int signal) const;

private:
    bool WriteFiles();
    bool StartSshd();

    QString m_user;
    int m_port{0};
    QProcess m_sshd;
};
