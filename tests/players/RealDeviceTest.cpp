// The engine on the system's audio output, against a private PulseAudio server with a
// null sink. Skips when no server can be started here.
#include "audio/WaveDeviceSink.h"
#include "players/AudioIO.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cmath>
#include <gtest/gtest.h>

namespace
{

// A PulseAudio server of our own, in a private runtime folder; stopped by its PID.
class PulseServer final
{
public:
    bool Start(QString& why)
    {
        const QString program = QStandardPaths::findExecutable("pulseaudio");
        if (program.isEmpty() || !m_runtime.isValid()) {
            why = "pulseaudio is not installed";
            return false;
        }
        QFile::setPermissions(m_runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", m_runtime.path());
        m_server.setProcessEnvironment(env);
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.start(program, {"--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-n",
                                 "--realtime=no", "--high-priority=no", "--load=module-null-sink",
                                 "--load=module-native-protocol-unix"});
        if (!m_server.waitForStarted(5000)) {
            why = "pulseaudio did not start";
            return false;
        }
        const QString socket = m_runtime.path() + "/pulse/native";
        QDeadlineTimer deadline(10000);
        while (!QFile::exists(socket) && !deadline.hasExpired() &&
               m_server.state() == QProcess::Running)
            QThread::msleep(50);
        if (!QFile::exists(socket)) {
            why = "pulseaudio gave no socket: " + QString::fromLocal8Bit(m_server.readAll());
            return false;
        }
        m_previousRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        return true;
    }

    ~PulseServer()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        m_server.terminate(); // SIGTERM to the server's own PID
        if (!m_server.waitForFinished(5000))
            m_server.kill();
        qputenv("XDG_RUNTIME_DIR", m_previousRuntime);
    }

private:
    QTemporaryDir m_runtime;
    QProcess m_server;
    QByteArray m_previousRuntime;
};

} // namespace

TEST(RealDeviceTest, PlaysThroughPulseAudioNullSink)
{
    PulseServer server;
    QString why;
    if (!server.Start(why))
        GTEST_SKIP() << "no PulseAudio server for the real device: " << why.toStdString();

    TAudioOut out;
    out.SetDeviceFactory([](int n) { return std::make_unique<platform::TSinkWaveDevice>(n); });
    out.SetFrameRate(22050);
    out.SetBufferSize(4096);
    int starts = 0, stops = 0, fills = 0;
    out.OnStart = [&](QObject*) { ++starts; };
    out.OnStop = [&](QObject*) { ++stops; };
    out.OnFillBuffer = [&](char* buffer, qint32& size) {
        if (fills == 6) // 6 x 2048 frames: about 0.56 s
            return false;
        auto* s = reinterpret_cast<qint16*>(buffer);
        for (int i = 0; i < size / 2; ++i)
            s[i] = qint16(8000 * std::sin((fills * 2048 + i) * 0.06));
        ++fills;
        return true;
    };
    ASSERT_TRUE(out.Start()) << out.LastError().toStdString();

    // The server's first second can stall; allow for it.
    double elapsed = 0;
    QDeadlineTimer deadline(15000);
    while (stops == 0 && !deadline.hasExpired()) {
        QTest::qWait(20);
        elapsed = std::max(elapsed, out.ElapsedSeconds());
    }
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(fills, 6);
    EXPECT_FALSE(out.DeviceOpen());
    EXPECT_GT(elapsed, 0.1); // the position followed what the server consumed
    EXPECT_LE(elapsed, 0.6);
}
