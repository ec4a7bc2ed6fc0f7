// The sequencer over FluidSynth: the structural check of MIDI files, the errors of open,
// the SoundFont lookup, and playing in the background into the recording null device.
#include "ModuleTestFiles.h"
#include "WavFiles.h"
#include "sequencer/MidiCheck.h"
#include "sequencer/Sequencer.h"
#include "support/TempDir.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace modfiles;

namespace
{

bool Readable(const QByteArray& bytes)
{
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    return !sequencer::ExtractMidi(data, size_t(bytes.size())).empty();
}

QString Text(int error)
{
    char buffer[4096];
    SeqGetErrorText(error, buffer, int(sizeof buffer));
    return QString::fromUtf8(buffer);
}

class MusicSequencerTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        qunsetenv("TRAVODEX_SOUNDFONT");
        qputenv("TRAVODEX_AUDIO", "null");
    }

    int Open(const QString& name, const QByteArray& bytes, SeqDevice& device)
    {
        return SeqOpen(QFile::encodeName(dir.write(name, bytes)).constData(), &device);
    }

    TempDir dir;
};

} // namespace

TEST_F(MusicSequencerTest, CheckAcceptsSequencesAndRefusesDamagedOnes)
{
    const QByteArray smf = MidiFile();
    EXPECT_TRUE(Readable(smf));
    EXPECT_TRUE(Readable(RmidFile(smf)));
    EXPECT_TRUE(Readable(RmidFile(smf + "x"))); // odd size: the data chunk is padded

    // The RMID payload is handed on alone.
    const QByteArray rmid = RmidFile(smf);
    const auto out = sequencer::ExtractMidi(reinterpret_cast<const std::uint8_t*>(rmid.data()),
                                            size_t(rmid.size()));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(out.data()), int(out.size())), smf);

    EXPECT_FALSE(Readable(""));
    EXPECT_FALSE(Readable("plain text, not a MIDI file"));
    EXPECT_FALSE(Readable(smf.left(14)));             // a header without tracks
    EXPECT_FALSE(Readable(smf.left(smf.size() - 2))); // the track chunk cut short
    QByteArray badFormat = smf;
    badFormat[9] = 3;
    EXPECT_FALSE(Readable(badFormat));
    QByteArray noDivision = smf;
    noDivision[12] = noDivision[13] = 0;
    EXPECT_FALSE(Readable(noDivision));
    QByteArray dataFirst = smf;
    dataFirst[23] = 0x3C; // the first event's status becomes a data byte: no status yet
    EXPECT_FALSE(Readable(dataFirst));
    QByteArray metaTooLong = smf;
    metaTooLong[metaTooLong.size() - 1] = 0x7F; // end-of-track meta claims 127 bytes
    EXPECT_FALSE(Readable(metaTooLong));
    QByteArray hugeLength = smf;
    hugeLength[18] = char(0xFF); // track length far beyond the file
    EXPECT_FALSE(Readable(hugeLength));
    EXPECT_FALSE(Readable(RmidFile(smf).left(20))); // RMID without its data
}

TEST_F(MusicSequencerTest, OpenReportsWhyAFileCannotBePlayed)
{
    SeqDevice device = 99;
    EXPECT_EQ(Open("readme.mid", "plain text, not a MIDI sequence", device), SeqErrNotMidi);
    EXPECT_EQ(device, 0u);
    EXPECT_EQ(Open("empty.mid", "", device), SeqErrNotMidi);
    EXPECT_EQ(SeqOpen(QFile::encodeName(dir("missing.mid")).constData(), &device),
              SeqErrFileNotFound);
    EXPECT_EQ(SeqOpen(QFile::encodeName(dir.mkdir("folder.mid")).constData(), &device),
              SeqErrCannotRead);
    EXPECT_EQ(SeqPlay(12345), SeqErrBadDevice);
    EXPECT_EQ(SeqClose(12345), SeqErrBadDevice);

    // Every code has a text of its own; an unknown code gets a general one.
    QStringList texts;
    for (int e = SeqErrFileNotFound; e <= SeqErrBadDevice; ++e) {
        char buffer[512];
        EXPECT_EQ(SeqGetErrorText(e, buffer, int(sizeof buffer)), 1);
        texts << QString::fromUtf8(buffer);
    }
    texts.removeDuplicates();
    EXPECT_EQ(texts.size(), SeqErrBadDevice);
    EXPECT_EQ(Text(SeqErrNotMidi), "The file is not a MIDI sequence, or it is damaged.");
    char small[8];
    EXPECT_EQ(SeqGetErrorText(SeqErrNotMidi, small, int(sizeof small)), 1);
    EXPECT_STREQ(small, "The fil"); // cut to the buffer, zero-ended
    char general[64];
    EXPECT_EQ(SeqGetErrorText(777, general, int(sizeof general)), 0);
    EXPECT_STREQ(general, "Unknown sequencer error 777.");
}

TEST_F(MusicSequencerTest, SoundFontIsFoundAtRunTimeOrReportedMissing)
{
    char path[1024];
    ASSERT_EQ(SeqFindSoundFont(path, int(sizeof path)), 1);
    EXPECT_STREQ(path, "/usr/share/sounds/sf2/TimGM6mb.sf2");

    SeqDevice device = 0;
    qputenv("TRAVODEX_SOUNDFONT", dir("none.sf2").toLocal8Bit());
    EXPECT_EQ(SeqFindSoundFont(path, int(sizeof path)), 0);
    EXPECT_EQ(Open("tune.mid", MidiFile(), device), SeqErrNoSoundFont);
    EXPECT_TRUE(Text(SeqErrNoSoundFont).contains("timgm6mb-soundfont"));
    EXPECT_TRUE(Text(SeqErrNoSoundFont).contains("TRAVODEX_SOUNDFONT"));

    qputenv("TRAVODEX_SOUNDFONT", dir.write("fake.sf2", "RIFF, but not a SoundFont").toLocal8Bit());
    EXPECT_EQ(Open("tune.mid", MidiFile(), device), SeqErrBadSoundFont);
    EXPECT_EQ(device, 0u);
}

TEST_F(MusicSequencerTest, PlaysInTheBackgroundUntilClosed)
{
    const QString recording = dir("music.wav");
    qputenv("TRAVODEX_AUDIO", ("wav:" + recording).toLocal8Bit());
    SeqDevice device = 0;
    ASSERT_EQ(Open("long.mid", MidiFile(8), device), SeqOk); // four seconds
    ASSERT_NE(device, 0u);
    EXPECT_FALSE(QFileInfo::exists(recording)); // opened, not yet playing
    ASSERT_EQ(SeqPlay(device), SeqOk);
    EXPECT_EQ(SeqIsPlaying(device), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return FileSize(recording) > 44 + 4 * 22050; }, 3000));
    EXPECT_EQ(SeqPlay(device), SeqOk); // playing already: goes on

    EXPECT_EQ(SeqClose(device), SeqOk);
    const qint64 closedSize = FileSize(recording);
    QTest::qWait(300);
    EXPECT_EQ(FileSize(recording), closedSize);
    const TWavData played = ReadWav(recording);
    ASSERT_EQ(played.Rate, 44100);
    EXPECT_EQ(played.Channels, 2);
    EXPECT_EQ(played.Data.size(), closedSize - 44);
    EXPECT_GT(Peak(played.Samples16()), 500);
    EXPECT_EQ(SeqIsPlaying(device), 0);
}

TEST_F(MusicSequencerTest, SequencePlaysToItsEndFollowingTheSamplesRendered)
{
    const QString recording = dir("music.wav");
    qputenv("TRAVODEX_AUDIO", ("wav:" + recording).toLocal8Bit());
    SeqDevice device = 0;
    ASSERT_EQ(Open("short.rmi", RmidFile(MidiFile(1)), device), SeqOk); // half a second
    ASSERT_EQ(SeqPlay(device), SeqOk);
    ASSERT_TRUE(QTest::qWaitFor([&] { return SeqIsPlaying(device) == 0; }, 5000));
    const std::vector<qint16> samples = ReadWav(recording).Samples16();
    const double seconds = samples.size() / 2.0 / 44100;
    EXPECT_GT(seconds, 0.5); // the chord, then its release
    EXPECT_LT(seconds, 1.5); // ends once the notes have faded, not after a fixed wait
    // The chord sounds over its half second and is released after it: the player kept
    // to the samples rendered.
    auto peakBetween = [&](double from, double to) {
        return Peak(std::vector<qint16>(samples.begin() + qsizetype(from * 88200),
                                        samples.begin() + qsizetype(to * 88200)));
    };
    EXPECT_GT(peakBetween(0.05, 0.45), 500);
    EXPECT_LT(peakBetween(seconds - 0.05, seconds), peakBetween(0.05, 0.45) / 4);
    EXPECT_EQ(SeqPlay(device), SeqOk); // a finished sequence stays finished
    EXPECT_EQ(SeqIsPlaying(device), 0);
    EXPECT_EQ(SeqClose(device), SeqOk);
}
