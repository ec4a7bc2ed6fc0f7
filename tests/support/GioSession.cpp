#include "support/GioSession.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <csignal>
#include <unistd.h>

namespace testsession
{

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

QString Missing(std::initializer_list<const char*> programs)
{
    for (const char* program : programs) {
        const QString name = QLatin1String(program);
        if (name.startsWith(QLatin1Char('/')) ? !QFile::exists(name)
                                              : QStandardPaths::findExecutable(name).isEmpty())
            return QStringLiteral("%1 is not installed").arg(name);
    }
    return {};
}

} // namespace testsession

bool TGioSession::Fail(const QString& why)
{
    m_error = why;
    return false;
}

bool TGioSession::StartBus(const QString& firstInPath)
{
    const QString home = Path(QStringLiteral("home"));
    const QString run = Path(QStringLiteral("run"));
    QDir().mkpath(home);
    QDir().mkpath(run);
    QFile::setPermissions(run,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!firstInPath.isEmpty())
        environment.insert(QStringLiteral("PATH"), firstInPath + QLatin1Char(':') +
                                                       environment.value(QStringLiteral("PATH")));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), run);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    environment.insert(QStringLiteral("GVFS_DISABLE_FUSE"), QStringLiteral("1"));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    environment.remove(QStringLiteral("SSH_AUTH_SOCK"));
    const QString config = QStringLiteral(
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig><type>session</type><listen>unix:dir=%1</listen>\n"
        "<standard_session_servicedirs/>\n<policy context=\"default\">"
        "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
        "<allow own=\"*\"/></policy></busconfig>\n");
    QFile file(Path(QStringLiteral("bus.conf")));
    if (!file.open(QIODevice::WriteOnly) || file.write(config.arg(run).toUtf8()) < 0)
        return Fail(QStringLiteral("cannot write the bus's configuration"));
    file.close();
    m_bus.setProcessEnvironment(environment);
    // Its own process group, so that the daemons it starts can be stopped with it.
    m_bus.setChildProcessModifier([] { ::setsid(); });
    m_bus.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--config-file=") + file.fileName(), QStringLiteral("--nofork"),
                 QStringLiteral("--print-address=1")});
    if (!m_bus.waitForStarted(testsession::kStartMs))
        return Fail(QStringLiteral("dbus-daemon did not start"));
    m_busGroup = pid_t(m_bus.processId());
    QByteArray address;
    while (!address.contains('\n') && m_bus.waitForReadyRead(testsession::kStartMs))
        address += m_bus.readAllStandardOutput();
    if (!address.contains('\n'))
        return Fail(QStringLiteral("dbus-daemon gave no address"));
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.trimmed());
    qputenv("HOME", home.toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", run.toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/.local/share")).toLocal8Bit());
    qunsetenv("SSH_AUTH_SOCK");
    return true;
}

void TGioSession::StopBus()
{
    if (m_busGroup > 0) {
        // gvfsd and the backends it started share the bus's process group.
        ::kill(-m_busGroup, SIGTERM);
        m_bus.waitForFinished(10000);
        ::kill(-m_busGroup, SIGKILL);
        m_busGroup = 0;
    }
    testsession::StopProcess(m_bus);
}
