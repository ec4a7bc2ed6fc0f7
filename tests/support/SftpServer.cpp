#include "support/SftpServer.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTextStream>
#include <QUrl>
#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

using testsession::kStartMs;
using testsession::StopProcess;
const char* const kSshd = "/usr/sbin/sshd";

// A port free on 127.0.0.1 at this moment.
int FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool WriteText(const QString& path, const QString& text, QFileDevice::Permissions mode)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(text.toUtf8());
    file.close();
    return file.setPermissions(mode);
}

QByteArray ReadAllOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(kStartMs) || process.exitCode() != 0)
        return false;
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

pid_t ParentOf(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // "PID (NAME) STATE PPID ...": the name may hold spaces and brackets.
    const qsizetype close = text.lastIndexOf(')');
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    return fields.size() > 1 ? pid_t(fields[1].toInt()) : 0;
}

std::vector<pid_t> DescendantsOf(pid_t root)
{
    std::vector<pid_t> found{root};
    bool grew = true;
    std::vector<pid_t> all;
    for (const QString& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const pid_t pid = pid_t(name.toInt(&number));
        if (number)
            all.push_back(pid);
    }
    while (grew) {
        grew = false;
        for (pid_t pid : all) {
            if (std::find(found.begin(), found.end(), pid) != found.end())
                continue;
            if (std::find(found.begin(), found.end(), ParentOf(pid)) != found.end()) {
                found.push_back(pid);
                grew = true;
            }
        }
    }
    found.erase(found.begin());
    return found;
}

} // namespace

TSftpServer::TSftpServer()
{
    const passwd* user = ::getpwuid(::geteuid());
    m_user = user ? QString::fromLocal8Bit(user->pw_name) : QString();
}

TSftpServer::~TSftpServer()
{
    SignalSessions(SIGCONT);
    StopBus();
    QFile runs(Path(QStringLiteral("ssh-runs")));
    if (runs.open(QIODevice::ReadOnly))
        for (const QByteArray& line : runs.readAll().split('\n'))
            if (line.toInt() > 0)
                ::kill(pid_t(line.toInt()), SIGTERM);
    for (pid_t pid : Sessions())
        ::kill(pid, SIGKILL);
    StopProcess(m_sshd);
}

QString TSftpServer::Unavailable()
{
    return testsession::Missing({kSshd, "/usr/libexec/gvfsd-sftp", "ssh", "ssh-keygen", "dbus-daemon"});
}

QString TSftpServer::Folder() const
{
    return Path(QStringLiteral("served"));
}

QString TSftpServer::RootUri() const
{
    return QStringLiteral("sftp://%1@127.0.0.1:%2").arg(m_user).arg(m_port);
}

QString TSftpServer::Uri(const QString& localPath) const
{
    return RootUri() + QString::fromUtf8(QUrl::toPercentEncoding(localPath, "/"));
}

QString TSftpServer::HostFingerprint() const
{
    QByteArray output;
    Run(QStringLiteral("ssh-keygen"),
        {QStringLiteral("-l"), QStringLiteral("-f"), Path(QStringLiteral("host_key.pub"))},
        &output);
    return QString::fromLatin1(output.split(' ').value(1));
}

void TSftpServer::ForgetHostKey() const
{
    QFile::remove(Path(QStringLiteral("known_hosts")));
}

int TSftpServer::SshRuns() const
{
    QFile runs(Path(QStringLiteral("ssh-runs")));
    if (!runs.open(QIODevice::ReadOnly))
        return 0;
    return int(runs.readAll().count('\n'));
}

std::vector<pid_t> TSftpServer::Sessions() const
{
    if (m_sshd.state() == QProcess::NotRunning)
        return {};
    return DescendantsOf(pid_t(m_sshd.processId()));
}

void TSftpServer::UseLockedKey(bool locked) const
{
    const QString identity = Path(QStringLiteral("identity"));
    QFile::remove(identity);
    QFile::link(Path(locked ? QStringLiteral("locked_key") : QStringLiteral("user_key")), identity);
}

int TSftpServer::SftpBackends() const
{
    int running = 0;
    for (const QString& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const pid_t pid = pid_t(name.toInt());
        if (pid <= 0 || ::getpgid(pid) != m_busGroup)
            continue;
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!comm.open(QIODevice::ReadOnly) || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray state = stat.readAll();
        const bool zombie = state.mid(state.lastIndexOf(')') + 2, 1) == "Z";
        if (comm.readAll().trimmed() == "gvfsd-sftp" && !zombie)
            ++running;
    }
    return running;
}

void TSftpServer::SignalSessions(int signal) const
{
    for (pid_t pid : Sessions())
        ::kill(pid, signal);
}

bool TSftpServer::Start()
{
    if (!m_dir.isValid() || m_user.isEmpty())
        return Fail(QStringLiteral("no temporary folder or no user name"));
    const QString why = Unavailable();
    if (!why.isEmpty())
        return Fail(why);
    m_port = FreePort();
    if (m_port <= 0)
        return Fail(QStringLiteral("no free port on 127.0.0.1"));
    return WriteFiles() && StartSshd() && StartBus(Path(QStringLiteral("bin")));
}

bool TSftpServer::WriteFiles()
{
    const QDir dir(m_dir.path());
    for (const char* folder : {"served", "bin"})
        dir.mkpath(QLatin1String(folder));
    for (const char* key : {"host_key", "user_key"})
        if (!Run(QStringLiteral("ssh-keygen"),
                 {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                  QStringLiteral("-N"), QString(), QStringLiteral("-f"), Path(QLatin1String(key))}))
            return Fail(QStringLiteral("ssh-keygen failed"));
    if (!Run(QStringLiteral("ssh-keygen"),
             {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
              QStringLiteral("-N"), Passphrase(), QStringLiteral("-f"),
              Path(QStringLiteral("locked_key"))}))
        return Fail(QStringLiteral("ssh-keygen failed"));
    QFile keys(Path(QStringLiteral("authorized_keys")));
    if (!keys.open(QIODevice::WriteOnly))
        return Fail(QStringLiteral("cannot write the authorized keys"));
    keys.write(ReadAllOf(Path(QStringLiteral("user_key.pub"))) +
               ReadAllOf(Path(QStringLiteral("locked_key.pub"))));
    keys.close();
    UseLockedKey(false);
    const auto owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const QString sshd = QStringLiteral(
        "ListenAddress 127.0.0.1\nPort %1\nHostKey %2/host_key\n"
        "AuthorizedKeysFile %2/authorized_keys\nPidFile %2/sshd.pid\nStrictModes no\n"
        "UsePAM no\nPasswordAuthentication no\nKbdInteractiveAuthentication no\n"
        "PubkeyAuthentication yes\nPermitRootLogin prohibit-password\nMaxStartups 100\n"
        "Subsystem sftp internal-sftp\n");
    // HostKeyAlias makes ssh check the key of a server on the loopback address too (gvfsd-sftp
    // passes NoHostAuthenticationForLocalhost), so the question about a new key is asked.
    const QString ssh =
        QStringLiteral("Host *\n  IdentityFile %1/identity\n  IdentitiesOnly yes\n"
                       "  UserKnownHostsFile %1/known_hosts\n  GlobalKnownHostsFile /dev/null\n"
                       "  StrictHostKeyChecking ask\n  HostKeyAlias travodex-test-server\n"
                       "  PasswordAuthentication no\n  KbdInteractiveAuthentication no\n");
    const QString wrapper = QStringLiteral("#!/bin/sh\necho $$ >> %1/ssh-runs\n"
                                           "exec %2 -F %1/ssh_config \"$@\"\n")
                                .arg(m_dir.path(), QStandardPaths::findExecutable("ssh"));
    const bool written =
        WriteText(Path(QStringLiteral("sshd_config")), sshd.arg(m_port).arg(m_dir.path()), owner) &&
        WriteText(Path(QStringLiteral("ssh_config")), ssh.arg(m_dir.path()), owner) &&
        WriteText(Path(QStringLiteral("bin/ssh")), wrapper, owner | QFileDevice::ExeOwner);
    return written || Fail(QStringLiteral("cannot write the configuration files"));
}

bool TSftpServer::StartSshd()
{
    // sshd run by root needs its privilege separation folder.
    if (::geteuid() == 0)
        QDir().mkpath(QStringLiteral("/run/sshd"));
    m_sshd.setProcessChannelMode(QProcess::SeparateChannels);
    m_sshd.setReadChannel(QProcess::StandardError);
    m_sshd.start(QLatin1String(kSshd), {QStringLiteral("-D"), QStringLiteral("-e"),
                                        QStringLiteral("-f"), Path(QStringLiteral("sshd_config"))});
    QByteArray seen;
    while (m_sshd.waitForReadyRead(kStartMs)) {
        seen += m_sshd.readAllStandardError();
        if (seen.contains("Server listening on 127.0.0.1"))
            return true;
    }
    return Fail(QStringLiteral("sshd did not start: %1").arg(QString::fromLocal8Bit(seen)));
}
