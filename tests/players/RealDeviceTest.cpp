// The engine and the render output on the system's audio output, against a private
// PulseAudio server with a null sink whose monitor is recorded: every frame written must be
// heard before the device closes. Fails when no server can be started (pulseaudio is one
// of the build's dependencies).
#include "audio/WaveDeviceSink.h"
#include "audiofilelib/AudioFileLib.h"
#include "modlib/RenderOutput.h"
#include "players/AudioIO.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

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

// Records the null sink's monitor with parec, 44.1 kHz 16-bit stereo like the sink.
class MonitorRecording final
{
public:
    explicit MonitorRecording(QString path) : m_path(std::move(path)) {}
    ~MonitorRecording()
    {
        m_parec.terminate();
        m_parec.waitForFinished(5000);
    }

    bool Start()
    {
        m_parec.start("parec", {"-d", "null.monitor", "--rate=44100", "--channels=2",
                                "--format=s16le", "--file-format=wav", m_path});
        if (!m_parec.waitForStarted(5000))
            return false;
        // The server's first second can stall: wait until the recording runs.
        QDeadlineTimer deadline(10000);
        while (QFileInfo(m_path).size() < 44 + 44100 && !deadline.hasExpired())
            QTest::qWait(50);
        return !deadline.hasExpired();
    }

    // Stops parec (by its PID) and answers the level of each recorded frame's left channel
    // with the count of frames that carried it.
    std::map<int, int> StopAndCountLevels()
    {
        QTest::qWait(300); // what the sink rendered last reaches the monitor
        m_parec.terminate();
        m_parec.waitForFinished(5000);
        std::map<int, int> levels;
        FileInfo info{};
        if (!AFL_open(&info, QFile::encodeName(m_path).constData(), 'r', 0))
            return levels;
        std::vector<qint16> frames(2 * 4096);
        qint32 read = 0;
        while (const qint32 n = AFL_read(&info, frames.data(), 4096, read)) {
            for (qint32 i = 0; i < n; ++i)
                ++levels[frames[size_t(2 * i)]];
            read += n;
        }
        AFL_close(&info);
        return levels;
    }

private:
    QString m_path;
    QProcess m_parec;
};

constexpr int kFrames = 2048; // per buffer: 8192 bytes of 16-bit stereo

// The level of buffer `index`: each buffer is one constant level, told apart in the recording.
qint16 Level(int index)
{
    return qint16(1000 * (index + 1));
}

void FillLevel(qint16* out, int frames, int index)
{
    std::fill(out, out + 2 * frames, Level(index));
}

// Frames recorded at the level of buffer `index` (the sink passes one stream unchanged).
int FramesAt(const std::map<int, int>& levels, int index)
{
    const auto it = levels.find(Level(index));
    return it == levels.end() ? 0 : it->second;
}

// One server for the whole suite: Qt Multimedia keeps its connection to the first server
// it meets for the life of the process.
class RealDeviceTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_server = new PulseServer;
        if (!s_server->Start(s_why)) {
            delete s_server;
            s_server = nullptr;
        }
    }
    static void TearDownTestSuite()
    {
        delete s_server;
        s_server = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(s_server, nullptr) << "no PulseAudio server: " << s_why.toStdString();
        ASSERT_TRUE(Recording.Start()) << "parec recorded nothing from null.monitor";
    }

    static std::unique_ptr<audio::TWaveDevice> RealDevice(int n)
    {
        return std::make_unique<audio::TSinkWaveDevice>(n);
    }

    TempDir Dir;
    MonitorRecording Recording{Dir("monitor.wav")};

private:
    static inline PulseServer* s_server = nullptr;
    static inline QString s_why;
};

// Plays `count` buffers through the engine, buffer i at Level(first + i), and waits for the
// device to close; answers the largest read-out seen meanwhile.
double PlayLevels(TAudioOut& out, int first, int count, int& stops)
{
    int fills = 0;
    out.OnStop = [&stops](QObject*) { ++stops; };
    out.OnFillBuffer = [&fills, first, count](char* buffer, qint32& size) {
        if (fills == count)
            return false;
        FillLevel(reinterpret_cast<qint16*>(buffer), size / 4, first + fills++);
        return true;
    };
    const int stopsBefore = stops;
    EXPECT_TRUE(out.Start()) << out.LastError().toStdString();
    double elapsed = 0;
    QDeadlineTimer deadline(15000); // allows for the server's stalls
    while (stops == stopsBefore && !deadline.hasExpired()) {
        QTest::qWait(5);
        elapsed = std::max(elapsed, out.ElapsedSeconds());
    }
    EXPECT_EQ(fills, count);
    return elapsed;
}

} // namespace

TEST_F(RealDeviceTest, EveryBufferIsHeardBeforeTheEngineClosesTheDevice)
{
    TAudioOut out;
    out.SetDeviceFactory(RealDevice);
    out.SetFrameRate(44100);
    out.SetStereo(true);
    out.SetBufferSize(kFrames * 4);
    int starts = 0, stops = 0;
    out.OnStart = [&](QObject*) { ++starts; };

    // Six buffers (0.28 s), then a sound of one buffer (46 ms).
    const double longest = PlayLevels(out, 0, 6, stops);
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(out.DeviceOpen());
    // The read-out follows what was heard, up to the end of the sound.
    EXPECT_GT(longest, 6 * kFrames / 44100.0 - 0.05);
    EXPECT_LE(longest, 6 * kFrames / 44100.0 + 0.001);
    PlayLevels(out, 9, 1, stops);
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(stops, 2);

    // Stopping by the user is immediate.
    out.OnFillBuffer = [](char* buffer, qint32& size) {
        std::fill_n(reinterpret_cast<qint16*>(buffer), size / 2, qint16(-500));
        return true;
    };
    ASSERT_TRUE(out.Start());
    EXPECT_TRUE(QTest::qWaitFor([&] { return out.ElapsedSeconds() > 0.1; }, 10000));
    out.StopNow();
    EXPECT_FALSE(out.DeviceOpen());
    QTest::qWait(20);
    EXPECT_EQ(stops, 3);

    const std::map<int, int> levels = Recording.StopAndCountLevels();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(FramesAt(levels, i), kFrames) << "buffer " << i << " of six";
    EXPECT_EQ(FramesAt(levels, 9), kFrames) << "the sound of one buffer";
}

TEST_F(RealDeviceTest, ModuleAndMusicOutputPlaysOutItsLastBuffers)
{
    int rendered = 0;
    TRenderOutput output(
        44100,
        [&](qint16* out, int frames) {
            if (rendered == 3)
                return 0;
            FillLevel(out, frames, 20 + rendered++);
            return frames;
        },
        RealDevice);
    QString error;
    ASSERT_TRUE(output.Start(&error)) << error.toStdString();
    QDeadlineTimer deadline(15000);
    while (output.Running() && !deadline.hasExpired())
        QTest::qWait(5);
    EXPECT_FALSE(output.Running());

    const std::map<int, int> levels = Recording.StopAndCountLevels();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(FramesAt(levels, 20 + i), TRenderOutput::BufferFrames) << "buffer " << i;
}
