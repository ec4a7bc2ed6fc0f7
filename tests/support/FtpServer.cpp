#include "support/FtpServer.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUrl>
#include <csignal>
#include <unistd.h>

namespace
{

using testsession::kStartMs;
using testsession::StopProcess;
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

QString Encoded(const QString& path)
{
    return QString::fromUtf8(
        QUrl::toPercentEncoding(path.isEmpty() ? QStringLiteral("/") : path, "/"));
}

} // namespace

TFtpServer::~TFtpServer()
{
    StopBus();
    Stop();
}

QString TFtpServer::Unavailable()
{
    if (const QString missing =
            testsession::Missing({kPython, "/usr/libexec/gvfsd-ftp", "dbus-daemon"});
        !missing.isEmpty())
        return missing;
    QProcess probe;
    probe.start(QLatin1String(kPython), {QStringLiteral("-c"), QStringLiteral("import pyftpdlib")});
    if (!probe.waitForFinished(kStartMs) || probe.exitCode() != 0)
        return QStringLiteral("pyftpdlib is not installed (Debian package python3-pyftpdlib)");
    return {};
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
    for (const char* folder : {"served", "public"})
        dir.mkpath(QLatin1String(folder));
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
