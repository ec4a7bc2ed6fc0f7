// The null wave device: real-time pacing by its clock, reset, pause and recording.
#include "audio/WaveDeviceNull.h"
#include "players/WavFiles.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

using namespace audio;

namespace
{

struct TReceiver {
    QObject Object;
    std::vector<TWaveMessage> Messages;
    std::vector<TWaveHeader*> Done;

    TWaveCallback Callback()
    {
        return [this](TWaveMessage m, TWaveHeader* h) {
            Messages.push_back(m);
            if (m == TWaveMessage::Done)
                Done.push_back(h);
        };
    }
    // Runs the event loop until `count` buffers came back or two seconds passed.
    void WaitForDone(size_t count)
    {
        // The caller checks the count itself.
        static_cast<void>(QTest::qWaitFor([&] { return Done.size() >= count; }, 2000));
    }
};

// A header over `data`, prepared by `device`.
TWaveHeader Buffer(TWaveDevice& device, QByteArray& data)
{
    TWaveHeader h;
    h.Data = data.data();
    h.BufferLength = qint32(data.size());
    device.Prepare(h);
    return h;
}

const TWaveFormat kMono8k{8000, 1, 16};

} // namespace

TEST(NullWaveDeviceTest, HandsBuffersBackInOrderAtTheirPlayingTime)
{
    TNullWaveDevice device;
    TReceiver r;
    ASSERT_EQ(device.Open(kMono8k, &r.Object, r.Callback()), TWaveResult::NoError);
    QByteArray a(800, '\1'), b(800, '\2'); // 50 ms each
    TWaveHeader ha = Buffer(device, a), hb = Buffer(device, b);
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(device.Write(ha), TWaveResult::NoError);
    ASSERT_EQ(device.Write(hb), TWaveResult::NoError);
    EXPECT_EQ(device.Write(ha), TWaveResult::StillPlaying);
    r.WaitForDone(2);
    ASSERT_EQ(r.Done, std::vector<TWaveHeader*>({&ha, &hb}));
    EXPECT_GE(clock.elapsed(), 95); // a clock device never runs ahead of real time
    EXPECT_TRUE(ha.Flags & WaveHeaderDone);
    EXPECT_FALSE(ha.Flags & WaveHeaderInQueue);
    qint64 position = -1;
    ASSERT_EQ(device.Position(position), TWaveResult::NoError);
    EXPECT_EQ(position, 800); // it stops at the end of what it was given
    EXPECT_EQ(device.Close(), TWaveResult::NoError);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(r.Messages.front(), TWaveMessage::Open);
    EXPECT_EQ(r.Messages.back(), TWaveMessage::Close);
}

TEST(NullWaveDeviceTest, PauseHoldsTheClockAndResetHandsEverythingBack)
{
    TNullWaveDevice device;
    TReceiver r;
    ASSERT_EQ(device.Open(kMono8k, &r.Object, r.Callback()), TWaveResult::NoError);
    QByteArray a(16000, '\0'), b(16000, '\0'); // a second each
    TWaveHeader ha = Buffer(device, a), hb = Buffer(device, b);
    ASSERT_EQ(device.Pause(), TWaveResult::NoError);
    device.Write(ha);
    device.Write(hb);
    QThread::msleep(60);
    qint64 position = -1;
    device.Position(position);
    EXPECT_EQ(position, 0);
    device.Restart();
    QThread::msleep(30);
    device.Position(position);
    EXPECT_GT(position, 0);
    ASSERT_EQ(device.Reset(), TWaveResult::NoError);
    EXPECT_TRUE(r.Done.empty()); // reported later, through the event loop
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(r.Done, std::vector<TWaveHeader*>({&ha, &hb}));
    device.Position(position);
    EXPECT_EQ(position, 0);
    device.Close();
}

TEST(NullWaveDeviceTest, RefusesWhatAWaveDeviceRefuses)
{
    TNullWaveDevice device;
    TReceiver r;
    EXPECT_EQ(device.Open({8000, 1, 12}, &r.Object, r.Callback()), TWaveResult::BadFormat);
    EXPECT_EQ(device.Open({0, 1, 16}, &r.Object, r.Callback()), TWaveResult::BadFormat);
    QByteArray a(10, '\0');
    TWaveHeader h;
    h.Data = a.data();
    h.BufferLength = 10;
    EXPECT_EQ(device.Write(h), TWaveResult::NotOpen);
    ASSERT_EQ(device.Open(kMono8k, &r.Object, r.Callback()), TWaveResult::NoError);
    EXPECT_EQ(device.Open(kMono8k, &r.Object, r.Callback()), TWaveResult::AlreadyOpen);
    EXPECT_EQ(device.Write(h), TWaveResult::Unprepared);
    device.Close();
    EXPECT_EQ(device.Close(), TWaveResult::NotOpen);
}

TEST(NullWaveDeviceTest, RecordsWhatItPlayedToAWavFile)
{
    TempDir dir;
    const QString path = dir("played.wav");
    TNullWaveDevice device(path);
    TReceiver r;
    ASSERT_EQ(device.Open({22050, 2, 16}, &r.Object, r.Callback()), TWaveResult::NoError);
    QByteArray a(400, '\x11'), b(404, '\x22');
    TWaveHeader ha = Buffer(device, a), hb = Buffer(device, b);
    device.Write(ha);
    device.Write(hb);
    r.WaitForDone(2);
    device.Close();
    const TWavData w = ReadWav(path);
    EXPECT_EQ(w.Rate, 22050);
    EXPECT_EQ(w.Channels, 2);
    EXPECT_EQ(w.Bits, 16);
    EXPECT_EQ(w.Data, a + b);

    // A reset buffer was never played, so it is not recorded.
    ASSERT_EQ(device.Open({22050, 2, 16}, &r.Object, r.Callback()), TWaveResult::NoError);
    QByteArray big(88200, '\x33');
    TWaveHeader hbig = Buffer(device, big);
    device.Write(hbig);
    device.Reset();
    device.Close();
    EXPECT_TRUE(ReadWav(path).Data.isEmpty());
}
