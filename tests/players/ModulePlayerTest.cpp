// The module player window: caption from the song name, the stopwatch, silent closing on
// a file that is not a module, requests while visible, and the sound stopping on close.
#include "ModuleTestFiles.h"
#include "WavFiles.h"
#include "controls/Display.h"
#include "platform/Messages.h"
#include "players/uModule.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <gtest/gtest.h>

using namespace modfiles;

namespace
{

class ModulePlayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previous = platform::SetMessageHandler([this](const QString& t) { messages << t; });
        recording = dir("module.wav");
        qputenv("TRAVODEX_AUDIO", ("wav:" + recording).toLocal8Bit());
    }
    void TearDown() override
    {
        player.close();
        platform::SetMessageHandler(previous);
        qputenv("TRAVODEX_AUDIO", "null");
    }

    void Show(const QString& name, const QByteArray& bytes)
    {
        player.FileName = dir.write(name, bytes);
        player.show();
        QApplication::processEvents();
    }

    QString ReadOut() const
    {
        return QString("%1%2%3%4%5")
            .arg(player.Min1->Digit())
            .arg(player.Min2->Digit())
            .arg(player.MinSec->Digit())
            .arg(player.Sec1->Digit())
            .arg(player.Sec2->Digit());
    }

    TempDir dir;
    QString recording;
    TfModule player;
    QStringList messages;
    platform::TMessageHandler previous;
};

} // namespace

TEST_F(ModulePlayerTest, CaptionIsTheSongNameUnlessItIsBlank)
{
    EXPECT_EQ(player.windowTitle(), "Module player");
    Show("tune.mod", ModFile("Tiny Tune"));
    ASSERT_TRUE(player.isVisible());
    EXPECT_NE(player.PlayHandle, 0u);
    EXPECT_EQ(player.windowTitle(), "Tiny Tune");
    player.close();

    Show("blank.mod", ModFile(QByteArray(20, ' ')));
    ASSERT_TRUE(player.isVisible());
    EXPECT_EQ(player.windowTitle(), "blank.mod");
    player.close();

    Show("untitled.s3m", S3mFile(""));
    EXPECT_EQ(player.windowTitle(), "untitled.s3m");
    player.close();

    Show("scream.s3m", S3mFile("Scream Song"));
    EXPECT_EQ(player.windowTitle(), "Scream Song");
}

TEST_F(ModulePlayerTest, SongNameIsTheRecordUpToItsFirstZero)
{
    ModModuleInfo info{};
    std::memcpy(info.SongName, "abcdefghijklmnopqrstuvwxyz012345", 32); // no zero byte
    std::memcpy(info.Type, "overrun?", 8); // what follows must not be read
    EXPECT_EQ(TfModule::SongName(info), "abcdefghijklmnopqrstuvwxyz012345");
    info.SongName[5] = '\0';
    EXPECT_EQ(TfModule::SongName(info), "abcde");
    std::memset(info.SongName, 0, 32);
    EXPECT_EQ(TfModule::SongName(info), "");
}

TEST_F(ModulePlayerTest, FileThatIsNotAModuleClosesTheWindowSilently)
{
    Show("readme.mod", "plain text, not a module at all; just a few words");
    EXPECT_FALSE(player.isVisible());
    EXPECT_EQ(player.Module, 0u);
    EXPECT_EQ(player.PlayHandle, 0u);
    EXPECT_FALSE(player.Timer->isActive());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(recording)); // nothing was played

    // A module that loads but finds no audio output it can open closes it too, saying why
    // in the sound player's words.
    qputenv("TRAVODEX_AUDIO", ("wav:" + dir("no-such-folder/x.wav")).toLocal8Bit());
    Show("tune.mod", ModFile("tiny"));
    EXPECT_FALSE(player.isVisible());
    EXPECT_EQ(messages, QStringList{"Failed to start audio, because : \n"
                                    "An unspecified error occurred on the audio output device."});

    // The library was shut down cleanly: the next showing plays.
    qputenv("TRAVODEX_AUDIO", ("wav:" + recording).toLocal8Bit());
    Show("tune.mod", ModFile("tiny"));
    EXPECT_TRUE(player.isVisible());
    EXPECT_NE(player.PlayHandle, 0u);
}

TEST_F(ModulePlayerTest, StopwatchCarriesSecondsIntoMinutes)
{
    Show("tune.mod", ModFile("tiny"));
    EXPECT_TRUE(player.Timer->isActive());
    EXPECT_EQ(player.Timer->interval(), 1000);
    EXPECT_EQ(ReadOut(), "00:00");
    const std::pair<int, const char*> marks[] = {
        {59, "00:59"}, {60, "01:00"}, {600, "10:00"}, {3599, "59:59"}, {6000, "100:00"}};
    int ticks = 0;
    for (const auto& [total, shown] : marks) {
        for (; ticks < total; ++ticks)
            player.TimerTimer();
        if (total < 6000)
            EXPECT_EQ(ReadOut(), shown) << total << " ticks";
    }
    // At 100 minutes the tens of minutes pass "9": the counter carries on, unbounded.
    EXPECT_EQ(player.MinuteTens, 10);
    EXPECT_EQ(player.Min1->Digit(), char('0' + 10));
    EXPECT_EQ(ReadOut().mid(1), "0:00");

    // A new showing starts again from zero.
    player.close();
    EXPECT_FALSE(player.Timer->isActive());
    Show("tune.mod", ModFile("tiny"));
    EXPECT_EQ(ReadOut(), "00:00");
    EXPECT_EQ(player.MinuteTens + player.MinuteUnits + player.SecondTens + player.SecondUnits, 0);
}

TEST_F(ModulePlayerTest, RequestWhileVisibleDoesNotRestartPlaying)
{
    Show("first.mod", ModFile("First"));
    const ModHandle module = player.Module, playback = player.PlayHandle;
    ASSERT_NE(playback, 0u);
    player.TimerTimer();

    player.FileName = dir.write("second.s3m", S3mFile("Second"));
    player.show(); // what the dispatch does for a request: the window is already visible
    player.raise();
    QApplication::processEvents();
    EXPECT_EQ(player.Module, module);
    EXPECT_EQ(player.PlayHandle, playback);
    EXPECT_EQ(ModIsPlaying(playback), 1);
    EXPECT_EQ(player.windowTitle(), "First");
    EXPECT_EQ(ReadOut(), "00:01");

    // Closed and shown again, the new file plays.
    player.close();
    player.show();
    QApplication::processEvents();
    EXPECT_EQ(player.windowTitle(), "Second");
}

TEST_F(ModulePlayerTest, PlaysSoundUntilTheWindowCloses)
{
    Show("tune.mod", ModFile("tiny"));
    const ModHandle playback = player.PlayHandle;
    ASSERT_TRUE(QTest::qWaitFor([&] { return FileSize(recording) > 44 + 4 * 22050; }, 3000));
    EXPECT_EQ(ModIsPlaying(playback), 1);
    player.close();
    EXPECT_EQ(ModIsPlaying(playback), 0);
    const qint64 closedSize = FileSize(recording);
    QTest::qWait(300);
    EXPECT_EQ(FileSize(recording), closedSize);
    const TWavData played = ReadWav(recording);
    ASSERT_EQ(played.Rate, 44100);
    EXPECT_GT(Peak(played.Samples16()), 1000);
}
