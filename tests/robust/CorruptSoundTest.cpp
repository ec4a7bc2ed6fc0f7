// Damaged sounds, modules and MIDI sequences: the libraries read them or refuse them,
// and the players opened by View / Edit report, close silently or play, and stop.
#include "main/FileOpsFixture.h"
#include "players/AudioIO.h"
#include "players/ModuleTestFiles.h"
#include "players/PlayerWindows.h"
#include "players/WavFiles.h"
#include "players/uModule.h"
#include "players/uMusic.h"
#include "players/uSound.h"
#include "robust/RobustSupport.h"
#include "sequencer/MidiCheck.h"

#include <QTimer>
#include <cstring>

using namespace modfiles;

namespace
{

struct TDamaged {
    QString Name;
    QByteArray Bytes;
};

// `good` cut at each of `cuts` and with a byte flipped at each of `flips` (negative
// positions count from the end).
void Damage(std::vector<TDamaged>& out, const QString& ext, const QByteArray& good,
            std::initializer_list<int> cuts, std::initializer_list<int> flips)
{
    for (int cut : cuts)
        out.push_back({QString("cut%1-%2.%3").arg(out.size()).arg(cut).arg(ext),
                       good.left(cut < 0 ? good.size() + cut : cut)});
    for (int at : flips) {
        QByteArray b = good;
        const int i = at < 0 ? int(b.size()) + at : at;
        b[i] = char(~b[i]);
        out.push_back({QString("flip%1-%2.%3").arg(out.size()).arg(at).arg(ext), b});
    }
}

QByteArray Patched(QByteArray bytes, int at, const QByteArray& with)
{
    return bytes.replace(at, with.size(), with);
}

std::vector<TDamaged> DamagedSounds()
{
    QByteArray ramp;
    for (int i = 0; i < 2000; ++i)
        ramp.append(char(i));
    const QByteArray mono = WavBytes(11025, 1, 8, ramp);
    const QByteArray stereo = WavBytes(22050, 2, 16, ramp);
    std::vector<TDamaged> out;
    Damage(out, "wav", mono, {0, 8, 12, 20, 36, 43, 44, 45, -1}, {0, 8, 12, 20, 22, 34});
    Damage(out, "wav", stereo, {46, -3}, {32, 40});
    out.push_back({"long-data.wav", Patched(mono, 40, "\xf0\xff\xff\xff")});
    out.push_back({"no-channels.wav", Patched(mono, 22, QByteArray(2, '\0'))});
    out.push_back({"many-channels.wav", Patched(mono, 22, "\xff\x00")});
    out.push_back({"no-rate.wav", Patched(mono, 24, QByteArray(4, '\0'))});
    out.push_back({"odd-bits.wav", Patched(mono, 34, QByteArray("\x07\x00", 2))});
    out.push_back({"no-align.wav", Patched(stereo, 32, QByteArray(2, '\0'))});
    out.push_back({"text.wav", "RIFF but then only words"});
    return out;
}

std::vector<TDamaged> DamagedModules()
{
    const QByteArray mod = ModFile("tune", true);
    const QByteArray s3m = S3mFile("scream");
    std::vector<TDamaged> out;
    Damage(out, "mod", mod, {0, 20, 600, 1080, 1084, 1085, 1200, -1}, {20 + 22, 950, 951, 1080});
    Damage(out, "s3m", s3m, {0, 0x2C, 0x60, 0x70, 0xC0, 0x110, -1},
           {0x20, 0x22, 0x24, 0x62, 0x7E, 0xC0});
    out.push_back({"long-sample.mod", Patched(mod, 20 + 22, "\xff\xff")});
    out.push_back({"many-patterns.mod", Patched(mod, 952, "\x7f\x7f\x7f")});
    out.push_back({"text.mod", "plain text that is no module, however long it may be......."});
    return out;
}

// A format-0 sequence around `events` (an end-of-track is not added).
QByteArray Smf(const QByteArray& division, const QByteArray& events, int tracks = 1)
{
    QByteArray header = QByteArray::fromHex("4D546864000000060000");
    header.append(char(tracks >> 8)).append(char(tracks));
    QByteArray length(4, '\0');
    qToBigEndian<quint32>(quint32(events.size()), length.data());
    return header + division + "MTrk" + length + events;
}

std::vector<TDamaged> DamagedSequences()
{
    const QByteArray good = MidiFile(1);
    const QByteArray q = QByteArray::fromHex("0060");
    const QByteArray notes = QByteArray::fromHex("00903C64"
                                                 "6080"
                                                 "3C40");
    const QByteArray end = QByteArray::fromHex("00FF2F00");
    std::vector<TDamaged> out;
    Damage(out, "mid", good, {0, 4, 13, 14, 18, 22, 25, -1, -4},
           {0, 7, 9, 11, 12, 13, 18, 21, 22, 24});
    out.push_back({"long-track.mid", Patched(good, 18, "\xff\xff\xff\xff")});
    out.push_back({"no-tracks.mid", Smf(q, notes + end, 0)});
    out.push_back({"many-tracks.mid", Smf(q, notes + end, 0xFFFF)});
    out.push_back({"zero-division.mid", Smf(QByteArray(2, '\0'), notes + end)});
    out.push_back({"smpte.mid", Smf(QByteArray::fromHex("E728"), notes + end)});
    out.push_back({"no-status.mid", Smf(q, QByteArray::fromHex("003C64") + end)});
    out.push_back({"long-meta.mid", Smf(q, QByteArray::fromHex("00FF018FFFFF7F41") + end)});
    out.push_back({"long-delta.mid", Smf(q, QByteArray::fromHex("FFFFFFFF7F903C64") + end)});
    out.push_back({"far-delta.mid", Smf(q, QByteArray::fromHex("00903C64FFFFFF7F803C40") + end)});
    out.push_back({"zero-tempo.mid", Smf(q, QByteArray::fromHex("00FF5103000000") + notes + end)});
    out.push_back({"long-sysex.mid", Smf(q, QByteArray::fromHex("00F08FFFFF7F7E") + end)});
    out.push_back({"no-end.mid", Smf(q, notes)});
    out.push_back({"short-rmid.mid", RmidFile(good).left(30)});
    out.push_back({"long-rmid.mid", Patched(RmidFile(good), 16, "\xff\xff\xff\x0f")});
    return out;
}

class CorruptPlayerTest : public FileOpsTest
{
protected:
    void SetUp() override
    {
        FileOpsTest::SetUp();
        main->Categories.SetCategory(TExtensionCategory::Sound, "WAV");
        main->Categories.SetCategory(TExtensionCategory::Module, "MOD S3M");
        main->Categories.SetCategory(TExtensionCategory::Music, "MID");
    }
    // Writes the files into the left panel's folder and answers their paths.
    void WriteAll(const std::vector<TDamaged>& files)
    {
        for (const TDamaged& f : files)
            dir.write("left/" + f.Name, f.Bytes);
        Reload();
    }
    void ViewFile(const QString& name)
    {
        main->Left().Files->FocusItem(Row(sdLeft, name));
        main->FilesEnter(sdLeft);
        main->MenuViewFileClick();
        QApplication::processEvents();
    }
    void ExpectUnchanged(const std::vector<TDamaged>& files)
    {
        for (const TDamaged& f : files)
            EXPECT_EQ(readAll(left + f.Name), f.Bytes) << f.Name.toStdString();
    }
};

} // namespace

TEST(CorruptSound, AudioFileLibReadsOrRefusesEveryDamagedSound)
{
    TempDir dir;
    for (const TDamaged& s : DamagedSounds()) {
        SCOPED_TRACE(s.Name.toStdString());
        FileInfo info{};
        if (!AFL_open(&info, QFile::encodeName(dir.write(s.Name, s.Bytes)).constData(), 'r', 0)) {
            EXPECT_GT(std::strlen(AFL_ErrorMessage()), 0u);
            continue;
        }
        EXPECT_GT(info.Channels, 0);
        EXPECT_GT(info.SampleRate, 0);
        std::vector<qint16> buffer(size_t(4096) * size_t(info.BytesPerFrame) / 2);
        qint64 frames = 0;
        for (int32_t n; (n = AFL_read(&info, buffer.data(), 4096, int32_t(frames))) > 0;)
            frames += n;
        EXPECT_LE(frames, info.FrameCount);
        AFL_close(&info);
    }
}

TEST_F(CorruptPlayerTest, SoundPlayerReportsWhatItCannotOpenAndPlaysTheRest)
{
    const std::vector<TDamaged> sounds = DamagedSounds();
    WriteAll(sounds);
    TfSound* player = SoundPlayer(main.get());
    for (const TDamaged& s : sounds) {
        SCOPED_TRACE(s.Name.toStdString());
        FileInfo info{};
        // A sound without frames opens, but the engine then has nothing to start with.
        const bool plays = AFL_open(&info, QFile::encodeName(left + s.Name).constData(), 'r', 0) &&
                           info.FrameCount > 0;
        AFL_close(&info);
        messages.clear();
        ViewFile(s.Name);
        // Played to its end by the null device, or refused with one message.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return !player->AudioOut->DeviceOpen() && !player->Timer->isActive(); }, 5000));
        EXPECT_EQ(messages.size(), plays ? 0 : 1) << messages.join('\n').toStdString();
        if (!plays && !messages.isEmpty())
            EXPECT_TRUE(messages[0].startsWith("Failed to")) << messages[0].toStdString();
        player->close();
    }
    ExpectUnchanged(sounds);
}

TEST(CorruptModule, ModLibLoadsOrRefusesEveryDamagedModule)
{
    TempDir dir;
    ASSERT_EQ(ModStartup(), 1);
    ASSERT_EQ(ModInit(), 1);
    ASSERT_EQ(ModStartBackgroundPlay(0), 1);
    int loaded = 0;
    for (const TDamaged& m : DamagedModules()) {
        SCOPED_TRACE(m.Name.toStdString());
        const ModHandle module =
            ModLoadModule(QFile::encodeName(dir.write(m.Name, m.Bytes)).constData());
        if (!module)
            continue;
        ++loaded;
        ModModuleInfo info{};
        EXPECT_EQ(ModGetModuleInfo(module, &info), 1);
        const ModHandle playback = ModPlayModule(module, 0);
        QTest::qWait(20);
        if (playback)
            ModStopModule(playback);
        EXPECT_EQ(ModFreeModule(module), 1);
    }
    EXPECT_GT(loaded, 0);
    ModStopBackgroundPlay();
    ModClose();
}

TEST_F(CorruptPlayerTest, ModulePlayerClosesSilentlyOrPlaysUntilClosed)
{
    const std::vector<TDamaged> modules = DamagedModules();
    WriteAll(modules);
    TfModule* player = ModulePlayer(main.get());
    for (const TDamaged& m : modules) {
        SCOPED_TRACE(m.Name.toStdString());
        ViewFile(m.Name);
        EXPECT_EQ(player->isVisible(), player->PlayHandle != 0);
        QTest::qWait(20);
        player->close();
        EXPECT_EQ(player->PlayHandle, 0u);
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    ExpectUnchanged(modules);
}

TEST(CorruptMusic, SequencerChecksOpensOrRefusesEveryDamagedSequence)
{
    TempDir dir;
    int played = 0;
    for (const TDamaged& m : DamagedSequences()) {
        SCOPED_TRACE(m.Name.toStdString());
        const std::vector<std::uint8_t> checked = sequencer::ExtractMidi(
            reinterpret_cast<const std::uint8_t*>(m.Bytes.constData()), size_t(m.Bytes.size()));
        SeqDevice device = 0;
        const int result =
            SeqOpen(QFile::encodeName(dir.write(m.Name, m.Bytes)).constData(), &device);
        if (checked.empty()) {
            EXPECT_EQ(result, SeqErrNotMidi);
            continue;
        }
        ASSERT_EQ(result, SeqOk) << TfMusic::ErrorText(result).toStdString();
        EXPECT_EQ(SeqPlay(device), SeqOk);
        QTest::qWait(30);
        EXPECT_EQ(SeqClose(device), SeqOk); // stops whatever the sequence says
        ++played;
    }
    EXPECT_GT(played, 0);
}

TEST_F(CorruptPlayerTest, MusicPlayerRaisesTheSequencersErrorOrPlaysUntilClosed)
{
    const std::vector<TDamaged> sequences = DamagedSequences();
    WriteAll(sequences);
    TfMusic* player = MusicPlayer(main.get());
    for (const TDamaged& m : sequences) {
        SCOPED_TRACE(m.Name.toStdString());
        player->FileName = left + m.Name;
        try {
            player->FormShow();
            EXPECT_NE(player->MediaPlayer, 0u);
            QTest::qWait(30);
        } catch (const platform::EError& e) {
            EXPECT_FALSE(e.Message().isEmpty());
            EXPECT_EQ(player->MediaPlayer, 0u);
        }
        player->FormClose();
        EXPECT_EQ(player->MediaPlayer, 0u);
    }
    ExpectUnchanged(sequences);
}
