#pragma once
// Tiny tracker modules and MIDI sequences written byte by byte for the module and music
// player tests, and helpers to look at what the null device recorded.

#include <QByteArray>
#include <QFileInfo>
#include <QString>
#include <QtEndian>
#include <cstdlib>
#include <vector>

namespace modfiles
{

// A square wave of 32 signed 8-bit samples, looped.
inline QByteArray SquareWave(bool isUnsigned)
{
    QByteArray s;
    for (int i = 0; i < 32; ++i)
        s.append(char((i < 16 ? 100 : -100) + (isUnsigned ? 128 : 0)));
    return s;
}

// A 4-channel ProTracker module ("M.K."): one sample, one pattern of chords. With
// `shortSong` the pattern breaks after row 3, so the song lasts under half a second;
// otherwise it plays 64 rows (about 7.7 s).
inline QByteArray ModFile(const QByteArray& title, bool shortSong = false)
{
    QByteArray m(20, '\0');
    m.replace(0, std::min<int>(title.size(), 20), title.left(20));
    const QByteArray wave = SquareWave(false);
    for (int s = 0; s < 31; ++s) {
        QByteArray h(30, '\0');
        if (s == 0) {
            h.replace(0, 4, "beep");
            qToBigEndian<quint16>(quint16(wave.size() / 2), h.data() + 22); // length in words
            h[25] = 64;                                                     // volume
            qToBigEndian<quint16>(0, h.data() + 26);                        // loop start
            qToBigEndian<quint16>(quint16(wave.size() / 2), h.data() + 28); // loop length
        }
        m += h;
    }
    m.append(char(1));          // song length
    m.append(char(127));        // restart
    m += QByteArray(128, '\0'); // orders: pattern 0
    m += "M.K.";
    QByteArray pattern(64 * 4 * 4, '\0');
    auto cell = [&](int row, int channel, int period, int sample, int effect, int param) {
        char* c = pattern.data() + (row * 4 + channel) * 4;
        c[0] = char((sample & 0xF0) | (period >> 8));
        c[1] = char(period & 0xFF);
        c[2] = char(((sample & 0x0F) << 4) | effect);
        c[3] = char(param);
    };
    const int periods[] = {428, 339, 285, 214};
    for (int ch = 0; ch < 4; ++ch)
        cell(0, ch, periods[ch], 1, 0, 0);
    if (shortSong)
        cell(3, 0, 0, 0, 0xD, 0); // pattern break on the last order: the song ends
    m += pattern;
    m += wave;
    return m;
}

// A Scream Tracker 3 module: one looped sample, one pattern with a note on two channels.
inline QByteArray S3mFile(const QByteArray& title)
{
    QByteArray m(0x60, '\0');
    m.replace(0, std::min<int>(title.size(), 27), title.left(27));
    m[0x1C] = 0x1A;
    m[0x1D] = 16;
    qToLittleEndian<quint16>(2, m.data() + 0x20);      // orders
    qToLittleEndian<quint16>(1, m.data() + 0x22);      // instruments
    qToLittleEndian<quint16>(1, m.data() + 0x24);      // patterns
    qToLittleEndian<quint16>(0x1320, m.data() + 0x28); // Scream Tracker 3.20
    qToLittleEndian<quint16>(2, m.data() + 0x2A);      // unsigned samples
    m.replace(0x2C, 4, "SCRM");
    m[0x30] = 64;         // global volume
    m[0x31] = 6;          // speed
    m[0x32] = char(125);  // tempo
    m[0x33] = char(0xB0); // stereo, master volume 48
    for (int ch = 0; ch < 32; ++ch)
        m[0x40 + ch] = char(ch == 0 ? 0 : ch == 1 ? 8 : 255);
    m.append(char(0));
    m.append(char(255)); // orders: pattern 0, end
    const int instrumentAt = 0x70, patternAt = 0xC0, sampleAt = 0x120;
    QByteArray pointers(4, '\0');
    qToLittleEndian<quint16>(instrumentAt / 16, pointers.data());
    qToLittleEndian<quint16>(patternAt / 16, pointers.data() + 2);
    m += pointers;
    m.resize(instrumentAt, '\0');

    const QByteArray wave = SquareWave(true);
    QByteArray ins(0x50, '\0');
    ins[0] = 1;
    ins[0x0D] = 0;
    qToLittleEndian<quint16>(sampleAt / 16, ins.data() + 0x0E);
    qToLittleEndian<quint32>(quint32(wave.size()), ins.data() + 0x10);
    qToLittleEndian<quint32>(0, ins.data() + 0x14);
    qToLittleEndian<quint32>(quint32(wave.size()), ins.data() + 0x18);
    ins[0x1C] = 64;
    ins[0x1F] = 1; // looped
    qToLittleEndian<quint32>(8363, ins.data() + 0x20);
    ins.replace(0x30, 4, "beep");
    ins.replace(0x4C, 4, "SCRS");
    m += ins;
    m.resize(patternAt, '\0');

    QByteArray rows;
    rows += QByteArray::fromHex("20"
                                "40"
                                "01"); // channel 0: C-4, instrument 1
    rows += QByteArray::fromHex("21"
                                "47"
                                "01"); // channel 1: G-4, instrument 1
    rows.append(char(0));
    rows += QByteArray(63, '\0'); // 63 empty rows
    QByteArray packed(2, '\0');
    qToLittleEndian<quint16>(quint16(rows.size() + 2), packed.data());
    m += packed + rows;
    m.resize(sampleAt, '\0');
    m += wave;
    return m;
}

// A format-0 Standard MIDI File at 96 ticks a quarter (120 bpm): an organ chord held for
// `quarters` quarter notes (the organ's release is short, so the sound ends soon after).
inline QByteArray MidiFile(int quarters = 1)
{
    QByteArray track = QByteArray::fromHex("00C010"   // drawbar organ
                                           "00903C64" // C4 on
                                           "004064"); // E4 on, running status
    const int ticks = 96 * quarters;                  // as a variable-length quantity of two bytes
    track.append(char(0x80 | (ticks >> 7)));
    track.append(char(ticks & 0x7F));
    track += QByteArray::fromHex("803C40"
                                 "00804040"
                                 "00FF2F00");
    QByteArray m = QByteArray::fromHex("4D546864"
                                       "00000006"
                                       "0000"
                                       "0001"
                                       "0060") +
                   "MTrk";
    QByteArray length(4, '\0');
    qToBigEndian<quint32>(quint32(track.size()), length.data());
    return m + length + track;
}

// The same sequence wrapped in a RIFF "RMID" file.
inline QByteArray RmidFile(const QByteArray& smf)
{
    QByteArray data = "data" + QByteArray(4, '\0') + smf;
    qToLittleEndian<quint32>(quint32(smf.size()), data.data() + 4);
    if (smf.size() % 2)
        data.append('\0');
    QByteArray riff = "RIFF" + QByteArray(4, '\0') + "RMID" + data;
    qToLittleEndian<quint32>(quint32(riff.size() - 8), riff.data() + 4);
    return riff;
}

inline qint64 FileSize(const QString& path)
{
    return QFileInfo(path).size();
}

// The largest absolute sample of 16-bit PCM data.
inline int Peak(const std::vector<qint16>& samples)
{
    int peak = 0;
    for (qint16 s : samples)
        peak = std::max(peak, std::abs(int(s)));
    return peak;
}

} // namespace modfiles
