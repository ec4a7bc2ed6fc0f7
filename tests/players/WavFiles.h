#pragma once
// Builds small PCM WAV files for the player tests and reads back recorded ones.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>
#include <vector>

struct TWavData {
    int Rate = 0;
    int Channels = 0;
    int Bits = 0;
    QByteArray Data;

    std::vector<qint16> Samples16() const
    {
        std::vector<qint16> s(size_t(Data.size()) / 2);
        for (size_t i = 0; i < s.size(); ++i)
            s[i] = qFromLittleEndian<qint16>(Data.constData() + 2 * i);
        return s;
    }
};

inline QByteArray WavBytes(int rate, int channels, int bits, const QByteArray& data)
{
    QByteArray h(44, '\0');
    const int align = bits / 8 * channels;
    h.replace(0, 4, "RIFF");
    qToLittleEndian<quint32>(quint32(36 + data.size()), h.data() + 4);
    h.replace(8, 8, "WAVEfmt ");
    qToLittleEndian<quint32>(16, h.data() + 16);
    qToLittleEndian<quint16>(1, h.data() + 20);
    qToLittleEndian<quint16>(quint16(channels), h.data() + 22);
    qToLittleEndian<quint32>(quint32(rate), h.data() + 24);
    qToLittleEndian<quint32>(quint32(rate * align), h.data() + 28);
    qToLittleEndian<quint16>(quint16(align), h.data() + 32);
    qToLittleEndian<quint16>(quint16(bits), h.data() + 34);
    h.replace(36, 4, "data");
    qToLittleEndian<quint32>(quint32(data.size()), h.data() + 40);
    return h + data;
}

inline QByteArray Samples16Bytes(const std::vector<qint16>& samples)
{
    QByteArray b(int(samples.size() * 2), '\0');
    for (size_t i = 0; i < samples.size(); ++i)
        qToLittleEndian<qint16>(samples[i], b.data() + 2 * i);
    return b;
}

// Reads a canonical 44-byte-header WAV file; Rate 0 when it is not one.
inline TWavData ReadWav(const QString& path)
{
    QFile f(path);
    TWavData w;
    if (!f.open(QIODevice::ReadOnly))
        return w;
    const QByteArray all = f.readAll();
    if (all.size() < 44 || !all.startsWith("RIFF") || all.mid(36, 4) != "data")
        return w;
    w.Channels = qFromLittleEndian<quint16>(all.constData() + 22);
    w.Rate = int(qFromLittleEndian<quint32>(all.constData() + 24));
    w.Bits = qFromLittleEndian<quint16>(all.constData() + 34);
    w.Data = all.mid(44, int(qFromLittleEndian<quint32>(all.constData() + 40)));
    return w;
}
