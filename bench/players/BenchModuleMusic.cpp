// CPU per second of playback of a 4-channel module through ModLib and of a General MIDI
// sequence through the sequencer, each played in real time on the null device (mixing,
// the output thread and the device's work), beside the library rendering the same sound
// alone, as fast as it can, in this process.
#include "modlib/ModLib.h"
#include "sequencer/Sequencer.h"
#include "support/Bench.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>
#include <fluidsynth.h>
#include <libopenmpt/libopenmpt.hpp>
#include <vector>

namespace
{

constexpr int kSeconds = 5;

// A 4-channel module: a looped sample on every channel, new notes on every row.
QByteArray BusyModule()
{
    QByteArray m("benchmark tune", 20);
    m.resize(20, '\0');
    QByteArray wave;
    for (int i = 0; i < 64; ++i)
        wave.append(char(i < 32 ? 90 - i : -60 + i));
    for (int s = 0; s < 31; ++s) {
        QByteArray h(30, '\0');
        if (s == 0) {
            qToBigEndian<quint16>(quint16(wave.size() / 2), h.data() + 22);
            h[25] = 64;
            qToBigEndian<quint16>(quint16(wave.size() / 2), h.data() + 28);
        }
        m += h;
    }
    m.append(char(1));
    m.append(char(127));
    m += QByteArray(128, '\0');
    m += "M.K.";
    const int periods[] = {428, 381, 339, 320, 285, 254, 226, 214};
    QByteArray pattern(1024, '\0');
    for (int row = 0; row < 64; ++row)
        for (int ch = 0; ch < 4; ++ch) {
            char* c = pattern.data() + (row * 4 + ch) * 4;
            const int period = periods[(row + 2 * ch) % 8];
            c[0] = char(period >> 8);
            c[1] = char(period & 0xFF);
            c[2] = char(0x10 | (ch == 3 ? 0x4 : 0)); // sample 1; vibrato on one channel
            c[3] = char(ch == 3 ? 0x46 : 0);
        }
    return m + pattern + wave;
}

void PutVarLen(QByteArray& t, quint32 v)
{
    QByteArray bytes(1, char(v & 0x7F));
    while (v >>= 7)
        bytes.prepend(char(0x80 | (v & 0x7F)));
    t += bytes;
}

// A General MIDI sequence: piano, strings, bass and drums, eighth notes for `seconds`.
QByteArray BusyMidi(int seconds)
{
    QByteArray t = QByteArray::fromHex("00C000"
                                       "00C130"
                                       "00C221");
    const int eighths = seconds * 4; // 120 bpm
    for (int i = 0; i < eighths; ++i) {
        const int root = 48 + (i / 8 % 4) * 2;
        const char on[][3] = {
            {char(0x90), char(root + 12), 90},        {char(0x90), char(root + 16), 80},
            {char(0x91), char(root + 19), 60},        {char(0x92), char(root - 12), 100},
            {char(0x99), char(i % 2 ? 38 : 36), 100}, {char(0x99), 42, 70}};
        for (const auto& e : on) {
            PutVarLen(t, 0);
            t.append(e, 3);
        }
        PutVarLen(t, 48);
        for (int k = 0; k < 6; ++k) {
            if (k)
                PutVarLen(t, 0);
            t.append(char(on[k][0] - 0x10));
            t.append(on[k][1]);
            t.append(char(0));
        }
    }
    t += QByteArray::fromHex("00FF2F00");
    QByteArray m = QByteArray::fromHex("4D546864000000060000000100604D54726B");
    QByteArray length(4, '\0');
    qToBigEndian<quint32>(quint32(t.size()), length.data());
    return m + length + t;
}

// Sleeps in the event loop for `seconds`, so that the waiting costs nothing.
void Wait(int seconds)
{
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
}

double ModulePlaybackPercent(const QString& path)
{
    const double cpu0 = bench::CpuSeconds();
    ModStartup();
    ModInit();
    ModStartBackgroundPlay(0);
    const ModHandle module = ModLoadModule(QFile::encodeName(path).constData());
    if (module == 0 || ModPlayModule(module, -1) == 0)
        return -1;
    Wait(kSeconds);
    ModFreeModule(module);
    ModStopBackgroundPlay();
    ModClose();
    return 100.0 * (bench::CpuSeconds() - cpu0) / kSeconds;
}

double ModuleRenderPercent(const QByteArray& bytes)
{
    const double cpu0 = bench::CpuSeconds();
    openmpt::module m(bytes.constData(), size_t(bytes.size()));
    m.set_repeat_count(-1);
    std::vector<std::int16_t> buffer(2 * 2048);
    for (int frames = 0; frames < kSeconds * 44100; frames += 2048)
        m.read_interleaved_stereo(44100, 2048, buffer.data());
    return 100.0 * (bench::CpuSeconds() - cpu0) / kSeconds;
}

double MidiPlaybackPercent(const QString& path)
{
    const double cpu0 = bench::CpuSeconds();
    SeqDevice device = 0;
    if (SeqOpen(QFile::encodeName(path).constData(), &device) != SeqOk || SeqPlay(device) != SeqOk)
        return -1;
    Wait(kSeconds);
    SeqClose(device);
    return 100.0 * (bench::CpuSeconds() - cpu0) / kSeconds;
}

double MidiRenderPercent(const QByteArray& bytes)
{
    const double cpu0 = bench::CpuSeconds();
    for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level)
        fluid_set_log_function(level, nullptr, nullptr);
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", 44100);
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    fluid_synth_t* synth = new_fluid_synth(settings);
    fluid_synth_sfload(synth, "/usr/share/sounds/sf2/TimGM6mb.sf2", 1);
    fluid_player_t* player = new_fluid_player(synth);
    fluid_player_add_mem(player, bytes.constData(), size_t(bytes.size()));
    fluid_player_play(player);
    std::vector<std::int16_t> buffer(2 * 2048);
    for (int frames = 0; frames < kSeconds * 44100; frames += 2048)
        fluid_synth_write_s16(synth, 2048, buffer.data(), 0, 2, buffer.data(), 1, 2);
    delete_fluid_player(player);
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return 100.0 * (bench::CpuSeconds() - cpu0) / kSeconds;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("TRAVODEX_AUDIO", "null");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QByteArray module = BusyModule();
    const QByteArray midi = BusyMidi(kSeconds + 2);
    for (const auto& [name, bytes] :
         {std::pair{"bench.mod", module}, std::pair{"bench.mid", midi}}) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }
    bench::Report("module: CPU per second of 4-channel playback",
                  ModulePlaybackPercent(dir.filePath("bench.mod")), ModuleRenderPercent(module),
                  "libopenmpt render alone", "% core");
    bench::Report("music: CPU per second of General MIDI playback",
                  MidiPlaybackPercent(dir.filePath("bench.mid")), MidiRenderPercent(midi),
                  "FluidSynth render alone", "% core");
    return 0;
}
