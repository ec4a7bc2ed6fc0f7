#pragma once
// A small PCX writer for tests and benchmarks: builds files in every layout the decoder
// reads, with or without RLE, with runs cut at each line or running across lines.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <cstdint>
#include <vector>

namespace testpcx
{

struct TPcxOptions {
    bool Rle = true;
    bool RunsAcrossLines = false; // one RLE stream for the whole picture
    bool Palette256 = true;       // write the trailing palette of 8-bit pictures
    int Version = 5;
    int ExtraLinePad = 0;   // bytes added to each plane line beyond the even length
    int XMin = 0, YMin = 0; // picture window origin
};

inline void PutWord(QByteArray& b, int at, int value)
{
    b[at] = char(value & 0xFF);
    b[at + 1] = char((value >> 8) & 0xFF);
}

inline void EncodeRle(const std::vector<std::uint8_t>& raw, QByteArray& out)
{
    std::size_t i = 0;
    while (i < raw.size()) {
        std::size_t run = 1;
        while (i + run < raw.size() && raw[i + run] == raw[i] && run < 63)
            ++run;
        if (run > 1 || raw[i] >= 0xC0)
            out.append(char(0xC0 | run));
        out.append(char(raw[i]));
        i += run;
    }
}

// One plane line of `image` (Indexed8 for paletted layouts, 32-bit for true colour).
inline std::vector<std::uint8_t> PlaneLine(const QImage& image, int y, int plane, int bits,
                                           int planes, int bytesPerLine)
{
    std::vector<std::uint8_t> line(bytesPerLine, 0);
    for (int x = 0; x < image.width(); ++x) {
        if (bits == 8 && planes >= 3) {
            const QRgb c = image.pixel(x, y);
            const int channel[4] = {qRed(c), qGreen(c), qBlue(c), qAlpha(c)};
            line[x] = std::uint8_t(channel[plane]);
        } else if (bits == 8) {
            line[x] = std::uint8_t(image.pixelIndex(x, y));
        } else if (bits == 1) {
            const int bit = (image.pixelIndex(x, y) >> plane) & 1;
            line[x / 8] |= std::uint8_t(bit << (7 - x % 8));
        } else {
            const int perByte = 8 / bits;
            const int shift = 8 - bits * (x % perByte + 1);
            line[x / perByte] |= std::uint8_t(image.pixelIndex(x, y) << shift);
        }
    }
    return line;
}

inline QByteArray WritePcx(const QImage& image, int bits, int planes, const TPcxOptions& o = {})
{
    QByteArray out(128, '\0');
    out[0] = 0x0A;
    out[1] = char(o.Version);
    out[2] = char(o.Rle ? 1 : 0);
    out[3] = char(bits);
    PutWord(out, 4, o.XMin);
    PutWord(out, 6, o.YMin);
    PutWord(out, 8, o.XMin + image.width() - 1);
    PutWord(out, 10, o.YMin + image.height() - 1);
    PutWord(out, 12, 72);
    PutWord(out, 14, 72);
    const QList<QRgb> table = image.colorTable();
    for (int i = 0; i < 16 && i < table.size() && bits * planes <= 4; ++i) {
        out[16 + 3 * i] = char(qRed(table[i]));
        out[17 + 3 * i] = char(qGreen(table[i]));
        out[18 + 3 * i] = char(qBlue(table[i]));
    }
    out[65] = char(planes);
    int bytesPerLine = (image.width() * bits + 7) / 8;
    bytesPerLine += bytesPerLine % 2 + o.ExtraLinePad;
    PutWord(out, 66, bytesPerLine);
    PutWord(out, 68, 1);
    std::vector<std::uint8_t> stream;
    for (int y = 0; y < image.height(); ++y) {
        for (int p = 0; p < planes; ++p) {
            const auto line = PlaneLine(image, y, p, bits, planes, bytesPerLine);
            if (o.Rle && !o.RunsAcrossLines)
                EncodeRle(line, out);
            else
                stream.insert(stream.end(), line.begin(), line.end());
        }
    }
    if (!o.Rle)
        out.append(reinterpret_cast<const char*>(stream.data()), qsizetype(stream.size()));
    else if (o.RunsAcrossLines)
        EncodeRle(stream, out);
    if (bits == 8 && planes == 1 && o.Palette256) {
        out.append(char(0x0C));
        for (int i = 0; i < 256; ++i) {
            const QRgb c = i < table.size() ? table[i] : 0;
            out.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
        }
    }
    return out;
}

} // namespace testpcx
