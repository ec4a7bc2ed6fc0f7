// The sound player window: labels, the pan of every frame, the read-out and failures.
#include "FakeWaveDevice.h"
#include "WavFiles.h"
#include "controls/Display.h"
#include "platform/Messages.h"
#include "players/AudioIO.h"
#include "players/uSound.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>

namespace
{

// Captures the messages the player shows.
class SoundTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previous = platform::SetMessageHandler([this](const QString& t) { messages << t; });
    }
    void TearDown() override
    {
        sound.close();
        platform::SetMessageHandler(previous);
        qputenv("TRAVODEX_AUDIO", "null");
    }

    // Plays `path` through the null device recording to a WAV file; answers the recording.
    TWavData PlayRecorded(const QString& path)
    {
        const QString recording = dir("played.wav");
        qputenv("TRAVODEX_AUDIO", ("wav:" + recording).toLocal8Bit());
        sound.FileName = path;
        sound.show();
        // The playback has ended once the device closed and the stop handler ran.
        static_cast<void>(QTest::qWaitFor(
            [&] { return !sound.AudioOut->DeviceOpen() && !sound.Timer->isActive(); }, 5000));
        EXPECT_FALSE(sound.AudioOut->DeviceOpen());
        return ReadWav(recording);
    }

    QString ReadOut() const
    {
        return QString("%1%2:%3%4")
            .arg(sound.Min1->Digit())
            .arg(sound.Min2->Digit())
            .arg(sound.Sec1->Digit())
            .arg(sound.Sec2->Digit());
    }

    TempDir dir;
    TfSound sound;
    QStringList messages;
    platform::TMessageHandler previous;
};

// Frames of a file as AudioFileLib delivers them.
std::vector<qint16> SourceFrames(const QString& path, FileInfo& info)
{
    EXPECT_TRUE(AFL_open(&info, path.toLocal8Bit().constData(), 'r', 0));
    std::vector<qint16> s(size_t(info.FrameCount) * size_t(info.Channels));
    EXPECT_EQ(AFL_read(&info, s.data(), info.FrameCount, 0), info.FrameCount);
    AFL_close(&info);
    return s;
}

} // namespace

TEST_F(SoundTest, LabelsShowTheFileFormat)
{
    EXPECT_EQ(sound.LabelResolution->text(), "8 bits / mono");
    EXPECT_EQ(sound.LabelRate->text(), "11 025 Hz");
    EXPECT_EQ(TfSound::FormatRate(22050), "22,050 Hz");
    EXPECT_EQ(TfSound::FormatRate(8000), "8,000 Hz");
    EXPECT_EQ(TfSound::FormatRate(500.4), "0,500 Hz");
    EXPECT_EQ(TfSound::FormatRate(192000), "192,000 Hz");

    const QString stereo = dir.write("s.wav", WavBytes(44100, 2, 16, QByteArray(400, '\0')));
    sound.FileName = stereo;
    sound.show();
    EXPECT_EQ(sound.LabelResolution->text(), "16 bits / stereo");
    EXPECT_EQ(sound.LabelRate->text(), "44,100 Hz");
    EXPECT_EQ(sound.windowTitle(), "s.wav");
}

TEST_F(SoundTest, MonoSoundTravelsFromLeftToRight)
{
    QByteArray data;
    for (int i = 0; i < 3000; ++i) // a little over a quarter of a second
        data.append(char(128 + int(100 * std::sin(i * 0.05))));
    const QString path = dir.write("mono8.wav", WavBytes(11025, 1, 8, data));
    FileInfo info{};
    const std::vector<qint16> source = SourceFrames(path, info);

    const TWavData played = PlayRecorded(path);
    EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
    EXPECT_EQ(sound.LabelResolution->text(), "8 bits / mono");
    EXPECT_EQ(sound.LabelRate->text(), "11,025 Hz");
    ASSERT_EQ(played.Rate, 11025);
    ASSERT_EQ(played.Channels, 2);
    ASSERT_EQ(played.Bits, 16);
    const std::vector<qint16> out = played.Samples16();
    ASSERT_EQ(out.size(), 2 * source.size());
    for (size_t p = 0; p < source.size(); ++p) {
        const double f = double(p) / double(source.size());
        ASSERT_EQ(out[2 * p], qint16(std::lrint((1 - f) * source[p]))) << "frame " << p;
        ASSERT_EQ(out[2 * p + 1], qint16(std::lrint(f * source[p]))) << "frame " << p;
    }
}

TEST_F(SoundTest, StereoStartsExchangedMeetsInTheMiddleEndsInPlace)
{
    const int frames = 4000;
    std::vector<qint16> samples;
    for (int i = 0; i < frames; ++i) {
        samples.push_back(8000);  // left
        samples.push_back(-2000); // right
    }
    const QString path = dir.write("st.wav", WavBytes(22050, 2, 16, Samples16Bytes(samples)));
    const TWavData played = PlayRecorded(path);
    const std::vector<qint16> out = played.Samples16();
    ASSERT_EQ(out.size(), samples.size());
    EXPECT_EQ(out[0], -2000); // exchanged
    EXPECT_EQ(out[1], 8000);
    EXPECT_EQ(out[frames], 3000); // the middle frame: both carry the mean
    EXPECT_EQ(out[frames + 1], 3000);
    EXPECT_NEAR(out[2 * frames - 2], 8000, 3); // in their own places at the end
    EXPECT_NEAR(out[2 * frames - 1], -2000, 3);
}

TEST_F(SoundTest, ReadOutTruncatesAndNeverGoesBelowZero)
{
    // 75 seconds at 1000 Hz; a scripted device keeps it playing at chosen positions.
    const QString path = dir.write("long.wav", WavBytes(1000, 1, 8, QByteArray(75000, '\x80')));
    auto script = std::make_shared<TFakeScript>();
    sound.AudioOut->SetDeviceFactory(
        [script](int) { return std::make_unique<TFakeWaveDevice>(script); });
    sound.FileName = path;
    sound.show();
    QApplication::processEvents();
    ASSERT_TRUE(sound.AudioOut->Active());
    EXPECT_TRUE(sound.Timer->isActive());

    script->Position = 59900; // 59.9 s elapsed
    sound.TimerTimer();
    EXPECT_EQ(ReadOut(), "00:59");

    sound.PanelRemainClick();
    EXPECT_TRUE(sound.ShowRemaining);
    EXPECT_EQ(sound.DisplayRemain->OnColor(), QColor(0, 255, 255));
    script->Position = 200; // 74.8 s remain
    sound.TimerTimer();
    EXPECT_EQ(ReadOut(), "01:14");
    script->Position = 75600; // the device ran past the end
    sound.TimerTimer();
    EXPECT_EQ(ReadOut(), "00:00");

    sound.PanelRemainClick();
    EXPECT_EQ(sound.DisplayRemain->OnColor(), QColor(128, 128, 128));

    // Closing stops at once; the stop handler follows through the event loop.
    sound.close();
    EXPECT_FALSE(sound.AudioOut->DeviceOpen());
    QApplication::processEvents();
    EXPECT_FALSE(sound.Timer->isActive());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SoundTest, FloatingPointSoundsPlayAtTheirLevel)
{
    for (const char* bits : {"32", "64"}) {
        // A 0.7 sine made by sox; a mono sound's two output channels add up to the source.
        const QString path = dir(QString("float%1.wav").arg(bits));
        ASSERT_EQ(
            QProcess::execute("sox", {"-D", "-r", "22050", "-n", "-e", "floating-point", "-b", bits,
                                      path, "synth", "0.3", "sine", "440", "vol", "0.7"}),
            0);
        const std::vector<qint16> out = PlayRecorded(path).Samples16();
        ASSERT_GT(out.size(), 2 * 6000u);
        int peak = 0;
        for (size_t i = 0; i + 1 < out.size(); i += 2)
            peak = std::max(peak, std::abs(out[i] + out[i + 1]));
        EXPECT_NEAR(peak, 0.7 * 32768, 0.01 * 32768) << bits << "-bit float";
        EXPECT_EQ(sound.LabelResolution->text(), QString("%1 bits / mono").arg(bits));
        sound.close();
    }
}

TEST_F(SoundTest, SixChannelsAreMixedDownToStereoAndCountedInTheLabel)
{
    // Constant levels 0.05 to 0.30 on front left, front right, centre, LFE, rear left and
    // rear right (sox writes that channel mask).
    const QString path = dir("six.wav");
    ASSERT_EQ(QProcess::execute("sox", {"-D",    "-r",      "8000",  "-c",    "6",     "-n",
                                        "-b",    "16",      path,    "synth", "0.5",   "sine",
                                        "0",     "dcshift", "0.5",   "remix", "1v0.1", "2v0.2",
                                        "3v0.3", "4v0.4",   "5v0.5", "6v0.6"}),
              0);
    const TWavData played = PlayRecorded(path);
    EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
    EXPECT_EQ(sound.LabelResolution->text(), "16 bits / 6 ch");
    ASSERT_EQ(played.Channels, 2);
    const std::vector<qint16> out = played.Samples16();
    ASSERT_EQ(out.size(), 2 * 4000u);
    // Front channels whole, centre and rear at -3 dB, no LFE; the first frame is exchanged.
    const double left = 0.05 + M_SQRT1_2 * (0.15 + 0.25), right = 0.10 + M_SQRT1_2 * (0.15 + 0.30);
    EXPECT_NEAR(out[0], right * 32768, 2);
    EXPECT_NEAR(out[1], left * 32768, 2);
    EXPECT_NEAR(out[4000] + out[4001], (left + right) * 32768, 3);
}

TEST_F(SoundTest, FileThatIsNotSoundFailsToSetUp)
{
    const QString path = dir.write("readme.wav", "plain text, not a sound");
    sound.FileName = path;
    sound.show();
    QApplication::processEvents();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Failed to setup start, because : \n"))
        << messages[0].toStdString();
    EXPECT_GT(messages[0].size(), QString("Failed to setup start, because : \n").size());
    EXPECT_FALSE(sound.Timer->isActive());
    EXPECT_FALSE(sound.AudioOut->DeviceOpen());
    EXPECT_EQ(sound.LabelResolution->text(), "8 bits / mono"); // labels unchanged
}

TEST_F(SoundTest, EngineFailureIsReported)
{
    const QString path = dir.write("ok.wav", WavBytes(8000, 1, 16, QByteArray(800, '\0')));
    auto script = std::make_shared<TFakeScript>();
    script->OpenResult = audio::TWaveResult::NoOutputDevice;
    sound.AudioOut->SetDeviceFactory(
        [script](int) { return std::make_unique<TFakeWaveDevice>(script); });
    sound.FileName = path;
    sound.show();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], "Failed to start audio, because : \nno audio output device");
    EXPECT_FALSE(sound.Timer->isActive());

    // Shown again later, the same window plays again.
    sound.close();
    script->OpenResult = audio::TWaveResult::NoError;
    sound.show();
    EXPECT_EQ(messages.size(), 1);
    EXPECT_TRUE(sound.AudioOut->DeviceOpen());
}
