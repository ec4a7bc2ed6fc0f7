// The audio-file library over real files.
#include "audiofilelib/AudioFileLib.h"
#include "WavFiles.h"
#include "support/TempDir.h"

#include <cstddef>
#include <gtest/gtest.h>

TEST(AudioFileLibTest, RecordLayoutIsFixed)
{
    EXPECT_EQ(sizeof(FileInfo), 36u);
    EXPECT_EQ(offsetof(FileInfo, Channels), 8u);
    EXPECT_EQ(offsetof(FileInfo, BitsPerSample), 10u);
    EXPECT_EQ(offsetof(FileInfo, FrameCount), 12u);
    EXPECT_EQ(offsetof(FileInfo, BytesPerFrame), 16u);
}

TEST(AudioFileLibTest, ReadsEightBitMonoAsSixteenBitFrames)
{
    TempDir dir;
    QByteArray data;
    for (int i = 0; i < 1000; ++i)
        data.append(char(i % 256));
    const QString path = dir.write("tone.wav", WavBytes(11025, 1, 8, data));

    FileInfo info{};
    ASSERT_TRUE(AFL_open(&info, path.toLocal8Bit().constData(), 'r', 0)) << AFL_ErrorMessage();
    EXPECT_EQ(info.SampleRate, 11025.0);
    EXPECT_EQ(info.Channels, 1);
    EXPECT_EQ(info.BitsPerSample, 8);
    EXPECT_EQ(info.FrameCount, 1000);
    EXPECT_EQ(info.BytesPerFrame, 2);

    // Unsigned 8-bit v becomes (v - 128) * 256.
    qint16 frames[600] = {};
    ASSERT_EQ(AFL_read(&info, frames, 600, 0), 600);
    EXPECT_EQ(frames[0], -128 * 256);
    EXPECT_EQ(frames[200], (200 - 128) * 256);
    // Reading continues from the position given, even out of order.
    ASSERT_EQ(AFL_read(&info, frames, 600, 10), 600);
    EXPECT_EQ(frames[0], (10 - 128) * 256);
    EXPECT_EQ(AFL_read(&info, frames, 600, 610), 390);
    EXPECT_EQ(AFL_read(&info, frames, 600, 1000), 0);
    AFL_close(&info);
    AFL_close(&info); // harmless twice
    EXPECT_EQ(AFL_read(&info, frames, 10, 0), 0);
}

TEST(AudioFileLibTest, StereoFramesAreInterleaved)
{
    TempDir dir;
    const std::vector<qint16> samples = {100, -100, 200, -200, 300, -300};
    const QString path = dir.write("st.wav", WavBytes(48000, 2, 16, Samples16Bytes(samples)));
    FileInfo info{};
    ASSERT_TRUE(AFL_open(&info, path.toLocal8Bit().constData(), 'r', 0));
    EXPECT_EQ(info.Channels, 2);
    EXPECT_EQ(info.BitsPerSample, 16);
    EXPECT_EQ(info.BytesPerFrame, 4);
    EXPECT_EQ(info.FrameCount, 3);
    qint16 frames[8] = {};
    ASSERT_EQ(AFL_read(&info, frames, 4, 1), 2);
    EXPECT_EQ(frames[0], 200);
    EXPECT_EQ(frames[1], -200);
    EXPECT_EQ(frames[3], -300);
    AFL_close(&info);
}

TEST(AudioFileLibTest, FailuresLeaveTheRecordClosedWithAMessage)
{
    TempDir dir;
    const QString text = dir.write("notes.wav", "this is not a sound file at all");
    FileInfo info{};
    EXPECT_FALSE(AFL_open(&info, text.toLocal8Bit().constData(), 'r', 0));
    EXPECT_STRNE(AFL_ErrorMessage(), "");
    qint16 frames[4];
    EXPECT_EQ(AFL_read(&info, frames, 4, 0), 0);

    EXPECT_FALSE(AFL_open(&info, dir("missing.wav").toLocal8Bit().constData(), 'r', 0));
    EXPECT_STRNE(AFL_ErrorMessage(), "");

    const QString good = dir.write("ok.wav", WavBytes(8000, 1, 16, QByteArray(20, '\0')));
    EXPECT_FALSE(AFL_open(&info, good.toLocal8Bit().constData(), 'w', 0));
    EXPECT_STRNE(AFL_ErrorMessage(), "");
}
