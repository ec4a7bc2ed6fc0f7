// The music player window: the error raised for a file that is not MIDI, the stopwatch,
// requests while visible, and the music stopping when the window closes.
#include "ModuleTestFiles.h"
#include "WavFiles.h"
#include "controls/Display.h"
#include "platform/Messages.h"
#include "players/uMusic.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace modfiles;

namespace
{

class MusicPlayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recording = dir("music.wav");
        qputenv("TRAVODEX_AUDIO", ("wav:" + recording).toLocal8Bit());
    }
    void TearDown() override
    {
        player.close();
        qputenv("TRAVODEX_AUDIO", "null");
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
    TfMusic player;
};

} // namespace

TEST_F(MusicPlayerTest, FileThatIsNotMidiRaisesTheSequencersError)
{
    player.FileName = dir.write("readme.mid", "plain text, not a MIDI sequence");
    player.TimerTimer(); // a read-out left from before
    try {
        player.FormShow();
        FAIL() << "no error raised";
    } catch (const platform::EError& e) {
        EXPECT_EQ(e.Message(), "The file is not a MIDI sequence, or it is damaged.");
    }
    EXPECT_EQ(player.MediaPlayer, 0u);
    EXPECT_FALSE(player.Timer->isActive());
    EXPECT_EQ(ReadOut(), "00:00");
    EXPECT_EQ(player.windowTitle(), "Music player");
    EXPECT_FALSE(QFileInfo::exists(recording)); // no sound
    player.FormClose();                         // harmless

    player.FileName = dir("missing.mid");
    EXPECT_THROW(player.FormShow(), platform::EError);

    // A device that cannot open is reported too, rather than a silent stopwatch.
    qputenv("TRAVODEX_AUDIO", ("wav:" + dir("no-such-folder/x.wav")).toLocal8Bit());
    player.FileName = dir.write("tune.mid", MidiFile());
    try {
        player.FormShow();
        FAIL() << "no error raised";
    } catch (const platform::EError& e) {
        EXPECT_EQ(e.Message(), "Failed to start audio, because : \n"
                               "An unspecified error occurred on the audio output device.");
    }
    EXPECT_EQ(player.MediaPlayer, 0u);
    EXPECT_FALSE(player.Timer->isActive());
}

TEST_F(MusicPlayerTest, PlaysUntilTheWindowClosesAndKeepsPlayingOnRequests)
{
    player.FileName = dir.write("long.mid", MidiFile(8));
    player.show();
    QApplication::processEvents();
    const SeqDevice device = player.MediaPlayer;
    ASSERT_NE(device, 0u);
    EXPECT_TRUE(player.Timer->isActive());
    EXPECT_EQ(player.Timer->interval(), 1000);
    EXPECT_EQ(player.windowTitle(), "Music player");
    ASSERT_TRUE(QTest::qWaitFor([&] { return FileSize(recording) > 44 + 4 * 22050; }, 3000));

    // A request while visible: the new name is stored, the music goes on.
    player.FileName = dir.write("other.mid", MidiFile(1));
    player.show();
    player.raise();
    QApplication::processEvents();
    EXPECT_EQ(player.MediaPlayer, device);
    EXPECT_EQ(SeqIsPlaying(device), 1);

    player.close();
    EXPECT_EQ(player.MediaPlayer, 0u);
    EXPECT_FALSE(player.Timer->isActive());
    const qint64 closedSize = FileSize(recording);
    QTest::qWait(300);
    EXPECT_EQ(FileSize(recording), closedSize); // the music stopped at once
    const TWavData played = ReadWav(recording);
    ASSERT_EQ(played.Rate, 44100);
    EXPECT_GT(Peak(played.Samples16()), 500);
}

TEST_F(MusicPlayerTest, StopwatchCarriesSecondsIntoMinutesAndRestartsAtEachShowing)
{
    player.FileName = dir.write("tune.mid", MidiFile());
    player.show();
    QApplication::processEvents();
    const std::pair<int, const char*> marks[] = {
        {59, "00:59"}, {60, "01:00"}, {61, "01:01"}, {600, "10:00"}, {5999, "99:59"}};
    int ticks = 0;
    for (const auto& [total, shown] : marks) {
        for (; ticks < total; ++ticks)
            player.TimerTimer();
        EXPECT_EQ(ReadOut(), shown) << total << " ticks";
    }
    player.TimerTimer();
    EXPECT_EQ(player.MinuteTens, 10); // unbounded
    EXPECT_EQ(ReadOut().mid(1), "0:00");

    player.close();
    player.show();
    QApplication::processEvents();
    EXPECT_EQ(ReadOut(), "00:00");
    EXPECT_TRUE(player.Timer->isActive());
}
