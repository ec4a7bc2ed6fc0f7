// CPU time per second of playing a 44.1 kHz stereo file through the sound player on the
// null device (decoding, panning and the engine's work), beside sox decoding the same
// file; and the latency from Start to the first buffer queued.
#include "audio/WaveDeviceNull.h"
#include "players/AudioIO.h"
#include "players/uSound.h"
#include "support/Bench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <sys/resource.h>
#include <vector>

namespace
{

QString WriteStereoFile(const QString& path, int seconds)
{
    const int frames = 44100 * seconds;
    QByteArray data(frames * 4, '\0');
    for (int i = 0; i < frames; ++i) {
        qToLittleEndian<qint16>(qint16(9000 * std::sin(i * 0.03)), data.data() + 4 * i);
        qToLittleEndian<qint16>(qint16(7000 * std::sin(i * 0.05)), data.data() + 4 * i + 2);
    }
    QByteArray h(44, '\0');
    h.replace(0, 4, "RIFF");
    qToLittleEndian<quint32>(36 + data.size(), h.data() + 4);
    h.replace(8, 8, "WAVEfmt ");
    qToLittleEndian<quint32>(16, h.data() + 16);
    qToLittleEndian<quint16>(1, h.data() + 20);
    qToLittleEndian<quint16>(2, h.data() + 22);
    qToLittleEndian<quint32>(44100, h.data() + 24);
    qToLittleEndian<quint32>(44100 * 4, h.data() + 28);
    qToLittleEndian<quint16>(4, h.data() + 32);
    qToLittleEndian<quint16>(16, h.data() + 34);
    h.replace(36, 4, "data");
    qToLittleEndian<quint32>(data.size(), h.data() + 40);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(h + data);
    return path;
}

double ChildCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
           u.ru_stime.tv_usec / 1e6;
}

// Percent of one core used per second of playback.
double PlaybackCpuPercent(const QString& file, int seconds)
{
    qputenv("TRAVODEX_AUDIO", "null");
    TfSound sound;
    sound.FileName = file;
    const double cpu0 = bench::CpuSeconds();
    sound.show();
    // Sleep in the event loop until the playback ends, so the waiting costs nothing.
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!sound.AudioOut->DeviceOpen())
            loop.quit();
    });
    poll.start(250);
    QTimer::singleShot((seconds + 5) * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = bench::CpuSeconds() - cpu0;
    sound.close();
    return 100.0 * cpu / seconds;
}

double SoxCpuPercent(const QString& file, int seconds)
{
    const double cpu0 = ChildCpuSeconds();
    QProcess sox;
    sox.start("sox", {file, "-n"});
    if (!sox.waitForFinished(60000) || sox.exitCode() != 0)
        return 0;
    return 100.0 * (ChildCpuSeconds() - cpu0) / seconds;
}

// Milliseconds from Start to the first buffer written to the device; the median of runs.
double StartLatencyMs()
{
    struct TTimedDevice final : audio::TWaveDevice {
        audio::TNullWaveDevice Inner;
        QElapsedTimer* Clock = nullptr;
        qint64* FirstWrite = nullptr;
        audio::TWaveResult Open(const audio::TWaveFormat& f, QObject* r,
                                audio::TWaveCallback c) override
        {
            return Inner.Open(f, r, std::move(c));
        }
        audio::TWaveResult Prepare(audio::TWaveHeader& h) override { return Inner.Prepare(h); }
        audio::TWaveResult Unprepare(audio::TWaveHeader& h) override { return Inner.Unprepare(h); }
        audio::TWaveResult Write(audio::TWaveHeader& h) override
        {
            if (*FirstWrite < 0)
                *FirstWrite = Clock->nsecsElapsed();
            return Inner.Write(h);
        }
        audio::TWaveResult Pause() override { return Inner.Pause(); }
        audio::TWaveResult Restart() override { return Inner.Restart(); }
        audio::TWaveResult Reset() override { return Inner.Reset(); }
        audio::TWaveResult Position(qint64& s) override { return Inner.Position(s); }
        audio::TWaveResult Close() override { return Inner.Close(); }
    };
    QElapsedTimer clock;
    qint64 firstWrite = -1;
    TAudioOut out;
    out.SetStereo(true);
    out.SetFrameRate(44100);
    out.SetDeviceFactory([&](int) {
        auto d = std::make_unique<TTimedDevice>();
        d->Clock = &clock;
        d->FirstWrite = &firstWrite;
        return d;
    });
    out.OnFillBuffer = [](char* buffer, qint32& size) {
        std::fill(buffer, buffer + size, 0);
        return true;
    };
    std::vector<double> runs;
    for (int i = 0; i < 51; ++i) {
        firstWrite = -1;
        clock.start();
        out.Start();
        runs.push_back(firstWrite / 1e6);
        out.StopNow();
        QApplication::processEvents();
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const int seconds = 5;
    const QString file = WriteStereoFile(dir.filePath("bench.wav"), seconds);
    bench::Report("sound: CPU per second of 44.1 kHz stereo playback",
                  PlaybackCpuPercent(file, seconds), SoxCpuPercent(file, seconds),
                  "sox decode to null", "% core");
    bench::Figure("sound: Start to first buffer queued (median)", StartLatencyMs(), "ms");
    return 0;
}
