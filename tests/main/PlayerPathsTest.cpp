// The players as reached from a panel with F3 and Enter: another file of the player's kind
// plays in the open window, Escape closes it, and a sound that cannot be opened leaves
// no window behind. The sounds are made by sox and played into the recording null device.
#include "main/FileOpsFixture.h"
#include "players/AudioIO.h"
#include "players/ModuleTestFiles.h"
#include "players/PlayerWindows.h"
#include "players/WavFiles.h"
#include "players/uModule.h"
#include "players/uSound.h"

#include <QTimer>

namespace
{

bool Sox(const QString& folder, const QStringList& arguments)
{
    QProcess sox;
    sox.setWorkingDirectory(folder);
    sox.start("sox", arguments);
    return sox.waitForFinished(30000) && sox.exitCode() == 0;
}

class PlayerPathsTest : public FileOpsTest
{
protected:
    void SetUp() override
    {
        FileOpsTest::SetUp();
        main->Categories.SetCategory(TExtensionCategory::Sound, "WAV");
        main->Categories.SetCategory(TExtensionCategory::Module, "MOD");
        recording = dir("played.wav");
        qputenv("TRAVODEX_AUDIO", ("wav:" + recording).toLocal8Bit());
    }
    void TearDown() override
    {
        qputenv("TRAVODEX_AUDIO", "null");
        FileOpsTest::TearDown();
    }

    void PressOn(const QString& name, Qt::Key key)
    {
        main->Left().Files->FocusItem(Row(sdLeft, name));
        main->FilesEnter(sdLeft);
        Press(key);
    }
    static bool Playing() { return fSound->AudioOut->DeviceOpen() && fSound->Timer->isActive(); }

    QString recording;
};

} // namespace

TEST_F(PlayerPathsTest, F3OnAnotherSoundPlaysItInTheOpenWindow)
{
    ASSERT_TRUE(Sox(left, {"-n", "-r", "11025", "-b", "8", "-c", "1", "first.wav", "synth", "3",
                           "sine", "440"}));
    // Without dither, so that both channels hold the same samples.
    ASSERT_TRUE(Sox(left, {"-D", "-n", "-r", "22050", "-b", "16", "-c", "2", "second.wav", "synth",
                           "0.5", "sine", "880", "vol", "0.5"}));
    Reload();
    PressOn("first.wav", Qt::Key_F3);
    ASSERT_NE(fSound, nullptr);
    ASSERT_TRUE(QTest::qWaitFor(Playing, 5000));
    EXPECT_EQ(fSound->LabelResolution->text(), "8 bits / mono");

    // The second sound replaces the first in the same window, read-out and caption too.
    PressOn("second.wav", Qt::Key_Return);
    EXPECT_TRUE(fSound->isVisible());
    EXPECT_EQ(fSound->windowTitle(), "second.wav");
    EXPECT_EQ(fSound->LabelResolution->text(), "16 bits / stereo");
    EXPECT_EQ(fSound->LabelRate->text(), "22,050 Hz");
    EXPECT_TRUE(QTest::qWaitFor(Playing, 5000));
    ASSERT_TRUE(QTest::qWaitFor(
        [] { return !fSound->AudioOut->DeviceOpen() && !fSound->Timer->isActive(); }, 5000));

    // The device recorded the second sound whole, its equal channels left as they are.
    const TWavData played = ReadWav(recording);
    const TWavData source = ReadWav(left + "second.wav");
    ASSERT_EQ(source.Rate, 22050);
    EXPECT_EQ(played.Rate, 22050);
    EXPECT_EQ(played.Channels, 2);
    EXPECT_EQ(played.Samples16(), source.Samples16());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    // Escape closes the player.
    QTest::keyClick(fSound, Qt::Key_Escape);
    EXPECT_FALSE(fSound->isVisible());
}

TEST_F(PlayerPathsTest, ASoundThatCannotBeOpenedLeavesNoWindowBehind)
{
    ASSERT_TRUE(Sox(left, {"-n", "-r", "44100", "-b", "24", "-c", "2", "good.wav", "synth", "3",
                           "sine", "440"}));
    dir.write("left/bad.wav", "a text file, not a sound");
    Reload();
    // Alone, and in place of a sound that plays.
    for (bool playing : {false, true}) {
        SCOPED_TRACE(playing ? "while another plays" : "alone");
        messages.clear();
        if (playing) {
            PressOn("good.wav", Qt::Key_F3);
            ASSERT_TRUE(QTest::qWaitFor(Playing, 5000));
            ASSERT_EQ(fSound->LabelResolution->text(), "24 bits / stereo");
        }
        PressOn("bad.wav", Qt::Key_F3);
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith("Failed to setup start, because : \n"));
        EXPECT_TRUE(QTest::qWaitFor([] { return !fSound->isVisible(); }, 5000));
        EXPECT_FALSE(fSound->AudioOut->DeviceOpen());
        EXPECT_FALSE(fSound->Timer->isActive());
    }
}

TEST_F(PlayerPathsTest, F3OnAnotherModulePlaysItInTheOpenWindow)
{
    dir.write("left/one.mod", modfiles::ModFile("First song"));
    dir.write("left/two.mod", modfiles::ModFile("Second song"));
    Reload();
    PressOn("one.mod", Qt::Key_F3);
    ASSERT_NE(fModule, nullptr);
    ASSERT_TRUE(fModule->isVisible());
    EXPECT_EQ(fModule->windowTitle(), "First song");
    const ModHandle first = fModule->Module;
    PressOn("two.mod", Qt::Key_F3);
    EXPECT_TRUE(fModule->isVisible());
    EXPECT_EQ(fModule->windowTitle(), "Second song");
    EXPECT_NE(fModule->Module, 0u);
    EXPECT_NE(fModule->Module, first);
    EXPECT_EQ(fModule->FileName, left + "two.mod");
    QTest::keyClick(fModule, Qt::Key_Escape);
    EXPECT_FALSE(fModule->isVisible());
    EXPECT_EQ(fModule->Module, 0u);
}
