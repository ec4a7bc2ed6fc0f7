// ModLib over libopenmpt: loading and describing modules, refusing what is not one,
// playing in the background into the recording null device, and the closing orders.
#include "ModuleTestFiles.h"
#include "WavFiles.h"
#include "modlib/ModLib.h"
#include "support/TempDir.h"

#include <QTest>
#include <cstring>
#include <gtest/gtest.h>

using namespace modfiles;

namespace
{

class ModuleLibraryTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        ModClose();
        qputenv("TRAVODEX_AUDIO", "null");
    }

    ModHandle Load(const QString& name, const QByteArray& bytes)
    {
        return ModLoadModule(QFile::encodeName(dir.write(name, bytes)).constData());
    }

    // Brings the library up, recording what it plays to a WAV file.
    QString StartRecording()
    {
        const QString recording = dir("module.wav");
        qputenv("TRAVODEX_AUDIO", ("wav:" + recording).toLocal8Bit());
        EXPECT_EQ(ModStartup(), 1);
        EXPECT_EQ(ModInit(), 1);
        EXPECT_EQ(ModStartBackgroundPlay(0), 1);
        return recording;
    }

    TempDir dir;
};

} // namespace

TEST_F(ModuleLibraryTest, DescribesModModulesAndS3mModules)
{
    const ModHandle mod = Load("tune.mod", ModFile("tiny tune"));
    ASSERT_NE(mod, 0u);
    ModModuleInfo info;
    std::memset(&info, 0x55, sizeof info);
    ASSERT_EQ(ModGetModuleInfo(mod, &info), 1);
    EXPECT_EQ(QByteArray(info.SongName, 32), QByteArray("tiny tune") + QByteArray(23, '\0'));
    EXPECT_STREQ(info.Type, "mod");
    EXPECT_EQ(info.Channels, 4);
    EXPECT_GT(info.LengthSeconds, 7.0); // 64 rows at speed 6: 7.68 s
    EXPECT_LT(info.LengthSeconds, 8.5);

    const ModHandle s3m = Load("tune.s3m", S3mFile("scream tune"));
    ASSERT_NE(s3m, 0u);
    ASSERT_NE(s3m, mod);
    ASSERT_EQ(ModGetModuleInfo(s3m, &info), 1);
    EXPECT_STREQ(info.SongName, "scream tune");
    EXPECT_STREQ(info.Type, "s3m");

    // A short song: the pattern break on row 3 ends it.
    const ModHandle shortSong = Load("short.mod", ModFile("short", true));
    ASSERT_EQ(ModGetModuleInfo(shortSong, &info), 1);
    EXPECT_LT(info.LengthSeconds, 0.6);

    EXPECT_EQ(ModFreeModule(mod), 1);
    EXPECT_EQ(ModGetModuleInfo(mod, &info), 0); // freed: unknown from now on
    EXPECT_EQ(info.SongName[0], '\0');
    EXPECT_EQ(ModFreeModule(mod), 0);
}

TEST_F(ModuleLibraryTest, RefusesFilesThatAreNotModulesAndUnknownHandles)
{
    EXPECT_EQ(Load("readme.mod", "plain text, not a module at all; just a few words"), 0u);
    EXPECT_EQ(Load("empty.mod", ""), 0u);
    EXPECT_EQ(Load("cut.mod", ModFile("cut").left(600)), 0u); // cut inside the sample table
    EXPECT_EQ(ModLoadModule(QFile::encodeName(dir("missing.mod")).constData()), 0u);
    EXPECT_EQ(ModLoadModule(QFile::encodeName(dir.path()).constData()), 0u); // a folder
    EXPECT_EQ(ModLoadModule(nullptr), 0u);

    ModModuleInfo info{};
    EXPECT_EQ(ModGetModuleInfo(12345, &info), 0);
    EXPECT_EQ(ModStopModule(12345), 0);
    EXPECT_EQ(ModFreeModule(0), 0);
    EXPECT_EQ(ModIsPlaying(0), 0);

    // Playing needs the mixer running.
    const ModHandle mod = Load("tune.mod", ModFile("tiny"));
    ASSERT_NE(mod, 0u);
    EXPECT_EQ(ModPlayModule(mod, 0), 0u);
    ModStartup();
    EXPECT_EQ(ModPlayModule(mod, 0), 0u);
    ModStartBackgroundPlay(0);
    EXPECT_EQ(ModPlayModule(12345, 0), 0u);
}

TEST_F(ModuleLibraryTest, PlaysInTheBackgroundAndStopsInThePlayersClosingOrder)
{
    const QString recording = StartRecording();
    const ModHandle mod = Load("tune.mod", ModFile("tiny tune"));
    const ModHandle playback = ModPlayModule(mod, 0);
    ASSERT_NE(playback, 0u);
    EXPECT_EQ(ModIsPlaying(playback), 1);
    // The device records as it plays; this thread only waits.
    ASSERT_TRUE(QTest::qWaitFor([&] { return FileSize(recording) > 44 + 44100; }, 3000));

    // The player's order: the module is freed while it plays, then the mixer stops.
    EXPECT_EQ(ModFreeModule(mod), 1);
    EXPECT_EQ(ModIsPlaying(playback), 0);
    EXPECT_EQ(ModStopBackgroundPlay(), 1);
    EXPECT_EQ(ModClose(), 1);
    const qint64 closedSize = FileSize(recording);
    QTest::qWait(300);
    EXPECT_EQ(FileSize(recording), closedSize); // nothing more is played

    const TWavData played = ReadWav(recording);
    ASSERT_EQ(played.Rate, 44100);
    EXPECT_EQ(played.Channels, 2);
    EXPECT_EQ(played.Bits, 16);
    EXPECT_EQ(played.Data.size(), closedSize - 44); // the recording was completed
    EXPECT_GT(Peak(played.Samples16()), 1000);

    // The library comes up again after closing.
    StartRecording();
    const ModHandle again = Load("again.s3m", S3mFile("again"));
    EXPECT_NE(ModPlayModule(again, 0), 0u);
    ModStopBackgroundPlay(); // modules still loaded stay loaded, silenced
    ModModuleInfo info{};
    EXPECT_EQ(ModGetModuleInfo(again, &info), 1);
}

TEST_F(ModuleLibraryTest, SongEndClosesTheDeviceAndReplayStartsOver)
{
    const QString recording = StartRecording();
    const ModHandle mod = Load("short.mod", ModFile("short", true));
    const ModHandle first = ModPlayModule(mod, 0);
    ASSERT_NE(first, 0u);
    // 4 rows of 120 ms: the song ends, the last buffers play out and the device closes,
    // which completes the recording's header.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadWav(recording).Data.size() > 0; }, 3000));
    EXPECT_EQ(ModIsPlaying(first), 0);
    const TWavData played = ReadWav(recording);
    const double seconds = played.Data.size() / 4.0 / 44100;
    ModModuleInfo info{};
    ModGetModuleInfo(mod, &info);
    EXPECT_GT(seconds, info.LengthSeconds); // 0.48 s, and the last notes' fading
    EXPECT_LT(seconds, info.LengthSeconds + 0.2);
    EXPECT_GT(Peak(played.Samples16()), 1000);

    // Playing again starts from the beginning on a new opening of the device.
    const ModHandle second = ModPlayModule(mod, 0);
    ASSERT_NE(second, 0u);
    EXPECT_NE(second, first);
    EXPECT_EQ(ModStopModule(first), 0); // the old playback is gone
    ASSERT_TRUE(QTest::qWaitFor([&] { return ModIsPlaying(second) == 0; }, 3000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadWav(recording).Data.size() > 0; }, 3000));
    EXPECT_NEAR(ReadWav(recording).Data.size() / 4.0 / 44100, seconds, 0.001);
}

TEST_F(ModuleLibraryTest, DeviceThatCannotOpenFailsThePlay)
{
    qputenv("TRAVODEX_AUDIO", ("wav:" + dir("no-such-folder/x.wav")).toLocal8Bit());
    ModStartup();
    ModStartBackgroundPlay(0);
    const ModHandle mod = Load("tune.mod", ModFile("tiny"));
    ASSERT_NE(mod, 0u);
    EXPECT_EQ(ModPlayModule(mod, 0), 0u);
    EXPECT_EQ(ModFreeModule(mod), 1);
}
