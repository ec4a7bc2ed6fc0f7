// How loud General MIDI plays: a file of ordinary density peaks a few dB below full scale,
// as sound files do, and a file far denser than that still never clips.
#include "ModuleTestFiles.h"
#include "WavFiles.h"
#include "sequencer/PeakLimiter.h"
#include "sequencer/Sequencer.h"
#include "support/TempDir.h"

#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

using namespace modfiles;

namespace
{

struct TNote {
    int Channel, Key, Velocity, Start, Length; // times in ticks, 96 a quarter (120 bpm)
};

void PutQuantity(QByteArray& out, int value)
{
    QByteArray bytes(1, char(value & 0x7F));
    while ((value >>= 7) > 0)
        bytes.prepend(char(0x80 | (value & 0x7F)));
    out += bytes;
}

// A format-0 file: the programs per channel, then the notes.
QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QByteArray Sequence(const std::vector<std::pair<int, int>>& programs,
                    const std::vector<TNote>& notes)
{
    struct TEvent {
        int Time;
        QByteArray Bytes;
    };
    std::vector<TEvent> events;
    for (auto [channel, program] : programs)
        events.push_back({0, Bytes({0xC0 | channel, program})});
    for (const TNote& n : notes) {
        events.push_back({n.Start, Bytes({0x90 | n.Channel, n.Key, n.Velocity})});
        events.push_back({n.Start + n.Length, Bytes({0x80 | n.Channel, n.Key, 64})});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const TEvent& a, const TEvent& b) { return a.Time < b.Time; });
    QByteArray track;
    int now = 0;
    for (const TEvent& e : events) {
        PutQuantity(track, e.Time - now);
        now = e.Time;
        track += e.Bytes;
    }
    track += QByteArray::fromHex("00FF2F00");
    QByteArray file = QByteArray::fromHex("4D54686400000006000000010060") + "MTrk";
    QByteArray length(4, '\0');
    qToBigEndian<quint32>(quint32(track.size()), length.data());
    return file + length + track;
}

// Four bars of piano: a melody over held chords, at ordinary velocities.
QByteArray PianoPiece()
{
    std::vector<TNote> notes;
    const int melody[] = {79, 81, 83, 84};
    for (int i = 0; i < 16; ++i) {
        notes.push_back({0, melody[i % 4], 80, i * 48, 48});
        if (i % 4 == 0)
            for (int key : {48, 52, 55})
                notes.push_back({0, key, 70, i * 48, 192});
    }
    return Sequence({{0, 0}}, notes);
}

// Two bars of a band: piano melody, bass, string chords and drums.
QByteArray BandPiece()
{
    std::vector<TNote> notes;
    const int melody[] = {72, 74, 76, 77, 79, 77, 76, 74};
    for (int i = 0; i < 8; ++i) {
        notes.push_back({0, melody[i], 90, i * 48, 48});
        notes.push_back({9, i % 2 ? 38 : 36, 100, i * 48, 24}); // kick and snare
        notes.push_back({9, 42, 80, i * 48 + 24, 24});          // hi-hat
    }
    for (int bar = 0; bar < 2; ++bar) {
        notes.push_back({1, 36 + bar * 5, 90, bar * 192, 192});
        for (int key : {60, 64, 67})
            notes.push_back({2, key + bar * 5, 70, bar * 192, 192});
    }
    return Sequence({{0, 0}, {1, 33}, {2, 48}}, notes);
}

// Eight channels of brass, each a chord of six notes at full velocity, struck four times.
QByteArray DenseSong()
{
    std::vector<TNote> notes;
    std::vector<std::pair<int, int>> programs;
    for (int c = 0; c < 8; ++c) {
        programs.push_back({c, 61});
        for (int beat = 0; beat < 4; ++beat)
            for (int k = 0; k < 6; ++k)
                notes.push_back({c, 36 + c * 3 + k * 7, 127, beat * 48, 48});
    }
    return Sequence(programs, notes);
}

class MusicLevelTest : public ::testing::Test
{
protected:
    void TearDown() override { qputenv("TRAVODEX_AUDIO", "null"); }

    // Plays `midi` to its end into the recording device; the samples recorded.
    std::vector<qint16> Play(const QByteArray& midi)
    {
        const QString recording = dir("music.wav");
        qputenv("TRAVODEX_AUDIO", ("wav:" + recording).toLocal8Bit());
        SeqDevice device = 0;
        EXPECT_EQ(SeqOpen(QFile::encodeName(dir.write("song.mid", midi)).constData(), &device),
                  SeqOk);
        EXPECT_EQ(SeqPlay(device), SeqOk);
        EXPECT_TRUE(QTest::qWaitFor([&] { return SeqIsPlaying(device) == 0; }, 15000));
        SeqClose(device);
        return ReadWav(recording).Samples16();
    }

    // Samples at full scale followed by another at full scale: the sign of clipping.
    static int ClippedRuns(const std::vector<qint16>& s)
    {
        int runs = 0;
        for (size_t i = 2; i < s.size(); ++i)
            runs += std::abs(int(s[i])) >= 32767 && std::abs(int(s[i - 2])) >= 32767;
        return runs;
    }

    static double Dbfs(int peak) { return 20 * std::log10(std::max(peak, 1) / 32768.0); }

    TempDir dir;
};

} // namespace

TEST_F(MusicLevelTest, AnOrdinaryPiecePeaksAFewDecibelsBelowFullScale)
{
    const std::vector<qint16> samples = Play(PianoPiece());
    ASSERT_GT(samples.size(), 44100u * 2 * 2);
    const int peak = Peak(samples);
    EXPECT_GT(Dbfs(peak), -6.0) << "peak " << peak;
    EXPECT_LT(Dbfs(peak), -1.0) << "peak " << peak;
    EXPECT_EQ(ClippedRuns(samples), 0);
}

TEST_F(MusicLevelTest, LouderAndDenserPiecesAreHeldBelowClipping)
{
    for (const QByteArray& midi : {BandPiece(), DenseSong()}) {
        const std::vector<qint16> samples = Play(midi);
        ASSERT_GT(samples.size(), 44100u);
        EXPECT_GT(Dbfs(Peak(samples)), -1.0); // as loud as it may be
        EXPECT_EQ(ClippedRuns(samples), 0);
    }
}

TEST(PeakLimiter, PassesOrdinaryLevelsLowersTheGainBeforeAPeakThenRecovers)
{
    constexpr int L = TPeakLimiter::LookAhead;
    TPeakLimiter limiter(1000);
    std::vector<float> in(2000 * 2, 0.25f);
    in[100 * 2] = 3.0f; // one frame far over full scale, on the left
    std::vector<std::int16_t> out(in.size());
    limiter.Apply(in.data(), 2000, out.data());
    EXPECT_EQ(out[0], 0); // the look-ahead delays everything by L frames
    EXPECT_EQ(out[L * 2], 8192);
    EXPECT_EQ(out[99 * 2], 8192);           // untouched until the peak is in sight,
    EXPECT_NEAR(out[100 * 2], 8192 / 3, 1); // then lowered L frames before it comes
    EXPECT_NEAR(out[(100 + L - 1) * 2], 8192 / 3, 1);
    EXPECT_EQ(out[(100 + L) * 2], 32767);             // the peak at the ceiling, not wrapped
    EXPECT_NEAR(out[(100 + L) * 2 + 1], 8192 / 3, 1); // the other channel goes with it
    EXPECT_LT(out[(150 + L) * 2], 8192);              // still recovering
    EXPECT_NEAR(out[1999 * 2], 8192, 16);             // back after a few release times
    EXPECT_NEAR(limiter.Gain(), 1.0, 0.01);
}
