// The wave output engine against a scripted device.
#include "players/AudioIO.h"
#include "FakeWaveDevice.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using audio::TWaveResult;

namespace
{

class AudioOutTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        out.SetDeviceFactory([s = script](int) { return std::make_unique<TFakeWaveDevice>(s); });
        out.OnStart = [this](QObject* sender) {
            events << QStringLiteral("start");
            senders.push_back(sender);
        };
        out.OnStop = [this](QObject* sender) {
            events << QStringLiteral("stop");
            senders.push_back(sender);
        };
        out.OnFillBuffer = [this](char* buffer, qint32& size) {
            offered.push_back(size);
            if (fillsLeft <= 0)
                return false;
            --fillsLeft;
            if (fillBytes >= 0)
                size = fillBytes;
            std::fill(buffer, buffer + std::min(size, offered.back()), char(fillsLeft));
            return true;
        };
    }

    // Delivers the device's queued notifications, and those their handlers post.
    static void Deliver()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::sendPostedEvents();
    }

    std::shared_ptr<TFakeScript> script = std::make_shared<TFakeScript>();
    TAudioOut out;
    QStringList events;
    std::vector<QObject*> senders;
    std::vector<qint32> offered;
    int fillsLeft = 0;
    qint32 fillBytes = -1; // bytes the callback claims; -1 keeps what it was offered
};

} // namespace

TEST(AudioIOProperties, DefaultsAndAssignmentRules)
{
    TAudioIO io;
    EXPECT_EQ(io.BufferSize(), 8192);
    EXPECT_EQ(io.NumBuffers(), 4);
    EXPECT_EQ(io.FrameRate(), 22050);
    EXPECT_FALSE(io.Stereo());
    EXPECT_EQ(io.Quantization(), 16);
    EXPECT_EQ(io.WaveDevice(), -1);
    EXPECT_EQ(io.EffectiveBufferSize(), 8192);
    EXPECT_EQ(io.AverageBytesPerSecond(), 44100);

    io.SetBufferSize(100);
    EXPECT_EQ(io.BufferSize(), 512);
    EXPECT_EQ(io.EffectiveBufferSize(), 512);
    io.SetStereo(true);
    io.SetBufferSize(8191);
    EXPECT_EQ(io.EffectiveBufferSize(), 8188);
    EXPECT_EQ(io.BlockAlign(), 4);
    EXPECT_EQ(io.AverageBytesPerSecond(), 88200);

    io.SetNumBuffers(1);
    EXPECT_EQ(io.NumBuffers(), 2);
    io.SetNumBuffers(9);
    EXPECT_EQ(io.NumBuffers(), 4);

    io.SetQuantization(12);
    EXPECT_EQ(io.Quantization(), 16);
    io.SetQuantization(4);
    EXPECT_EQ(io.Quantization(), 8);
    EXPECT_EQ(io.BlockAlign(), 2);
    EXPECT_EQ(io.EffectiveBufferSize(), 8190);

    io.SetFrameRate(-5);
    EXPECT_EQ(io.FrameRate(), -5);
    io.SetStereo(false);
    EXPECT_FALSE(io.Stereo());
    EXPECT_EQ(io.Format().Channels, 1);
}

TEST_F(AudioOutTest, PlaysUntilTheCallbackDeclinesAndEveryBufferCameBack)
{
    fillsLeft = 6;
    ASSERT_TRUE(out.Start()) << out.LastError().toStdString();
    EXPECT_EQ(script->Written.size(), 4u);
    EXPECT_EQ(out.FilledCount(), 4);
    EXPECT_EQ(out.Outstanding(), 4);
    Deliver();
    EXPECT_EQ(events, QStringList({"start"}));

    int completions = 0;
    while (script->Complete()) {
        Deliver();
        ++completions;
    }
    EXPECT_EQ(completions, 6);
    EXPECT_EQ(out.FilledCount(), 6);
    EXPECT_EQ(out.DoneCount(), 6);
    EXPECT_FALSE(out.DeviceOpen());
    EXPECT_FALSE(out.Active());
    EXPECT_EQ(events, QStringList({"start", "stop"}));
    ASSERT_EQ(senders.size(), 2u);
    EXPECT_NE(senders[0], nullptr);
    EXPECT_EQ(senders[0], senders[1]);
    // Buffers go out in ring order, each offered at the effective size.
    ASSERT_EQ(script->Written.size(), 6u);
    EXPECT_EQ(script->Written[4], script->Written[0]);
    EXPECT_EQ(script->Written[5], script->Written[1]);
    EXPECT_NE(script->Written[0], script->Written[1]);
    for (qint32 size : offered)
        EXPECT_EQ(size, 8192);
    EXPECT_EQ(script->Calls.count("close"), 1);
}

TEST_F(AudioOutTest, DecliningTheFirstBufferFailsAndClosesTheDevice)
{
    fillsLeft = 0;
    EXPECT_FALSE(out.Start());
    EXPECT_EQ(out.LastError(), "There must be at least one filled buffer");
    EXPECT_FALSE(out.DeviceOpen());
    EXPECT_TRUE(script->Written.empty());
    Deliver();
    EXPECT_EQ(events, QStringList({"start", "stop"}));
}

TEST_F(AudioOutTest, SoundShorterThanOneBuffer)
{
    fillsLeft = 1;
    fillBytes = 100;
    ASSERT_TRUE(out.Start());
    ASSERT_EQ(script->WrittenLengths, std::vector<qint32>({100}));
    EXPECT_TRUE(script->Complete());
    Deliver();
    EXPECT_FALSE(out.DeviceOpen());
    EXPECT_EQ(events, QStringList({"start", "stop"}));
}

TEST_F(AudioOutTest, CallbackCannotClaimMoreThanItWasOffered)
{
    fillsLeft = 1;
    fillBytes = 100000;
    ASSERT_TRUE(out.Start());
    EXPECT_EQ(script->WrittenLengths, std::vector<qint32>({8192}));
    out.StopNow();
}

TEST_F(AudioOutTest, SecondStartWhilePlayingLeavesThePlaybackAlone)
{
    fillsLeft = 10;
    ASSERT_TRUE(out.Start());
    EXPECT_FALSE(out.Start());
    EXPECT_EQ(out.LastError(), "Wave output device is already open");
    EXPECT_EQ(script->Calls.count("open"), 1);
    EXPECT_TRUE(out.DeviceOpen());
    EXPECT_TRUE(script->Complete());
    Deliver();
    EXPECT_EQ(script->Written.size(), 5u); // still refilling
    out.StopNow();
}

TEST_F(AudioOutTest, PausedBeforeStartOpensPaused)
{
    fillsLeft = 2;
    out.SetPaused(true);
    ASSERT_TRUE(out.Start());
    const int pause = script->Calls.indexOf("pause");
    ASSERT_GE(pause, 0);
    EXPECT_LT(pause, script->Calls.indexOf("write"));
    out.SetPaused(false);
    EXPECT_EQ(script->Calls.last(), "restart");
    out.SetPaused(true);
    EXPECT_EQ(script->Calls.last(), "pause");
    out.StopNow();
    EXPECT_FALSE(out.Paused());
}

TEST_F(AudioOutTest, ElapsedSecondsOnlyWhileActive)
{
    script->Position = 11025;
    EXPECT_EQ(out.ElapsedSeconds(), 0.0);
    fillsLeft = 1;
    ASSERT_TRUE(out.Start());
    EXPECT_DOUBLE_EQ(out.ElapsedSeconds(), 0.5);
    script->Complete();
    Deliver();
    EXPECT_EQ(out.ElapsedSeconds(), 0.0); // after the end
    fillsLeft = 3;
    ASSERT_TRUE(out.Start());
    out.StopNow();
    EXPECT_EQ(out.ElapsedSeconds(), 0.0); // after a stop
}

TEST_F(AudioOutTest, StopNowDropsTheQueueAndIgnoresTheBuffersHandedBack)
{
    out.StopNow(); // idle: nothing happens
    EXPECT_TRUE(script->Calls.isEmpty());

    fillsLeft = 100;
    ASSERT_TRUE(out.Start());
    const qint32 filled = out.FilledCount();
    out.StopNow();
    EXPECT_FALSE(out.DeviceOpen());
    EXPECT_FALSE(out.Filling());
    const int reset = script->Calls.indexOf("reset");
    ASSERT_GE(reset, 0);
    EXPECT_LT(reset, script->Calls.indexOf("close"));
    Deliver();
    EXPECT_EQ(out.DoneCount(), 0);
    EXPECT_EQ(out.FilledCount(), filled);
    EXPECT_EQ(events, QStringList({"start", "stop"}));
}

TEST_F(AudioOutTest, StopWhenEmptyPlaysOutWhatIsQueued)
{
    fillsLeft = 100;
    ASSERT_TRUE(out.Start());
    out.StopWhenEmpty();
    const size_t offeredBefore = offered.size();
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(script->Complete());
        Deliver();
        EXPECT_TRUE(out.DeviceOpen());
    }
    ASSERT_TRUE(script->Complete());
    Deliver();
    EXPECT_FALSE(out.DeviceOpen());
    EXPECT_EQ(offered.size(), offeredBefore); // the callback was not asked again
    EXPECT_EQ(script->Written.size(), 4u);
}

TEST_F(AudioOutTest, DeviceFailuresReportTheirText)
{
    fillsLeft = 5;
    script->OpenResult = TWaveResult::NoOutputDevice;
    EXPECT_FALSE(out.Start());
    EXPECT_EQ(out.LastError(), "no audio output device");
    EXPECT_FALSE(out.DeviceOpen());

    script->OpenResult = TWaveResult::NoError;
    script->PrepareResult = TWaveResult::NoMemory;
    EXPECT_FALSE(out.Start());
    EXPECT_EQ(out.LastError(), audio::WaveErrorText(TWaveResult::NoMemory));
    EXPECT_FALSE(out.DeviceOpen());
    EXPECT_EQ(script->Calls.last(), "close");

    script->PrepareResult = TWaveResult::NoError;
    script->FailWriteNumber = 1;
    EXPECT_FALSE(out.Start());
    EXPECT_EQ(out.LastError(), audio::WaveErrorText(TWaveResult::Error));
    EXPECT_FALSE(out.DeviceOpen());
    Deliver();
    // Two openings reached the device: each is followed by its start and stop.
    EXPECT_EQ(events, QStringList({"start", "stop", "start", "stop"}));
}

TEST_F(AudioOutTest, FailedWriteDrainsAndStillCloses)
{
    fillsLeft = 100;
    script->FailWriteNumber = 3;
    ASSERT_TRUE(out.Start());
    EXPECT_FALSE(out.Filling());
    EXPECT_EQ(script->Written.size(), 2u);
    EXPECT_EQ(out.Outstanding(), 2);
    EXPECT_TRUE(script->Complete());
    Deliver();
    EXPECT_TRUE(out.DeviceOpen());
    EXPECT_TRUE(script->Complete());
    Deliver();
    EXPECT_FALSE(out.DeviceOpen());
}

TEST_F(AudioOutTest, LateCompletionsOfAnEarlierPlaybackDoNotCount)
{
    fillsLeft = 100;
    ASSERT_TRUE(out.Start());
    out.StopNow();
    ASSERT_TRUE(out.Start()); // before the reset's completions were delivered
    Deliver();
    EXPECT_EQ(out.DoneCount(), 0);
    EXPECT_EQ(out.Outstanding(), 4);
    EXPECT_TRUE(out.DeviceOpen());
    out.StopNow();
}

TEST_F(AudioOutTest, BufferSizeChangesWaitForTheEndOfAPlayback)
{
    fillsLeft = 100;
    ASSERT_TRUE(out.Start());
    out.SetBufferSize(16384);
    ASSERT_TRUE(script->Complete());
    Deliver();
    EXPECT_EQ(offered.back(), 8192); // the playback keeps its buffers
    out.StopNow();
    ASSERT_TRUE(out.Start());
    EXPECT_EQ(offered.back(), 16384);
    out.StopNow();
}
