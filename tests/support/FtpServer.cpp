#include "support/FtpServer.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUrl>
#include <csignal>
#include <unistd.h>

namespace
{

constexpr int kStartMs = 30000;
// The system's Python, where the Debian package puts pyftpdlib.
const char* const kPython = "/usr/bin/python3";

// Serves on 127.0.0.1 on a port of its own choosing and prints it; pyftpdlib binds its
// passive data connections to the control connection's address, 127.0.0.1.
const char* const kServer = R"(import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
logging.basicConfig(level=logging.WARNING)
user, password, home, public, port = sys.argv[1:6]
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, home, perm="elradfmwMT")
authorizer.add_anonymous(public)
FTPHandler.authorizer = authorizer
server = FTPServer(("127.0.0.1", int(port)), FTPHandler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
)";

void StopProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(10000);
    }
}

QString Encoded(const QString& path)
{
    return QString::fromUtf8(
        QUrl::toPercentEncoding(path.isEmpty() ? QStringLiteral("/") : path, "/"));
}

} // namespace

TFtpServer::~TFtpServer()
{
    if (m_busGroup > 0) {
        // gvfsd and the backends it started share the bus's process group.
        ::kill(-m_busGroup, SIGTERM);
        m_bus.waitForFinished(10000);
        ::kill(-m_busGroup, SIGKILL);
    }
    StopProcess(m_bus);
    Stop();
}

QString TFtpServer::Unavailable()
{
    for (const char* program : {kPython, "/usr/libexec/gvfsd-ftp"})
        if (!QFile::exists(QLatin1String(program)))
            return QStringLiteral("%1 is not installed").arg(QLatin1String(program));
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
        return QStringLiteral("dbus-daemon is not installed");
    QProcess probe;
    probe.start(QLatin1String(kPython), {QStringLiteral("-c"), QStringLiteral("import pyftpdlib")});
    if (!probe.waitForFinished(kStartMs) || probe.exitCode() != 0)
        return QStringLiteral("pyftpdlib is not installed (Debian package python3-pyftpdlib)");
    return {};
}

bool TFtpServer::Fail(const QString& why)
{
    m_error = why;
    return false;
}

QString TFtpServer::RootUri() const
{
    return QStringLiteral("ftp://%1@127.0.0.1:%2").arg(User()).arg(m_port);
}

QString TFtpServer::Uri(const QString& localPath) const
{
    return RootUri() + Encoded(localPath.mid(Folder().size()));
}

QString TFtpServer::PublicUri(const QString& localPath) const
{
    return QStringLiteral("ftp://127.0.0.1:%1").arg(m_port) +
           Encoded(localPath.mid(PublicFolder().size()));
}

void TFtpServer::Stop()
{
    StopProcess(m_ftp);
}

void TFtpServer::Signal(int signal) const
{
    if (Running())
        ::kill(pid_t(m_ftp.processId()), signal);
}

int TFtpServer::Connections() const
{
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray port = QByteArray::number(m_port, 16).toUpper().rightJustified(4, '0');
    int established = 0;
    // "sl local_address rem_address st ...": addresses as HEXIP:HEXPORT, state 01 established.
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields[3] == "01" &&
            (fields[1].endsWith(':' + port) || fields[2].endsWith(':' + port)))
            ++established;
    }
    return established;
}

bool TFtpServer::Restart()
{
    Stop();
    return Serve();
}

bool TFtpServer::Start(bool ownSession)
{
    if (!m_dir.isValid())
        return Fail(QStringLiteral("no temporary folder"));
    const QString why = Unavailable();
    if (!why.isEmpty())
        return Fail(why);
    return StartFtp() && (!ownSession || StartBus());
}

bool TFtpServer::StartFtp()
{
    const QDir dir(m_dir.path());
    for (const char* folder : {"served", "public", "home", "run"})
        dir.mkpath(QLatin1String(folder));
    QFile::setPermissions(Path(QStringLiteral("run")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile script(Path(QStringLiteral("ftp_server.py")));
    if (!script.open(QIODevice::WriteOnly) || script.write(kServer) < 0)
        return Fail(QStringLiteral("cannot write the server's script"));
    script.close();
    m_ftp.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    return Serve();
}

bool TFtpServer::Serve()
{
    const QString script = Path(QStringLiteral("ftp_server.py"));
    m_ftp.start(QLatin1String(kPython),
                {script, User(), Password(), Folder(), PublicFolder(), QString::number(m_port)});
    QByteArray port;
    while (!port.contains('\n') && m_ftp.waitForReadyRead(kStartMs))
        port += m_ftp.readAllStandardOutput();
    m_port = port.trimmed().toInt();
    return m_port > 0 || Fail(QStringLiteral("the FTP server did not start"));
}

bool TFtpServer::StartBus()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString home = Path(QStringLiteral("home"));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), Path(QStringLiteral("run")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    environment.insert(QStringLiteral("GVFS_DISABLE_FUSE"), QStringLiteral("1"));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    const QString config = QStringLiteral(
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig><type>session</type><listen>unix:dir=%1/run</listen>\n"
        "<standard_session_servicedirs/>\n<policy context=\"default\">"
        "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
        "<allow own=\"*\"/></policy></busconfig>\n");
    QFile file(Path(QStringLiteral("bus.conf")));
    if (!file.open(QIODevice::WriteOnly) || file.write(config.arg(m_dir.path()).toUtf8()) < 0)
        return Fail(QStringLiteral("cannot write the bus's configuration"));
    file.close();
    m_bus.setProcessEnvironment(environment);
    // Its own process group, so that the daemons it starts can be stopped with it.
    m_bus.setChildProcessModifier([] { ::setsid(); });
    m_bus.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--config-file=") + file.fileName(), QStringLiteral("--nofork"),
                 QStringLiteral("--print-address=1")});
    if (!m_bus.waitForStarted(kStartMs))
        return Fail(QStringLiteral("dbus-daemon did not start"));
    m_busGroup = pid_t(m_bus.processId());
    QByteArray address;
    while (!address.contains('\n') && m_bus.waitForReadyRead(kStartMs))
        address += m_bus.readAllStandardOutput();
    if (!address.contains('\n'))
        return Fail(QStringLiteral("dbus-daemon gave no address"));
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.trimmed());
    qputenv("HOME", home.toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", Path(QStringLiteral("run")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/.local/share")).toLocal8Bit());
    return true;
}
