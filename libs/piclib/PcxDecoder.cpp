#include "piclib/PcxDecoder.h"

#include <QList>
#include <algorithm>
#include <cstring>
#include <vector>

namespace piclib
{

namespace
{

struct TPcxHeader {
    int Version = 0;
    bool Rle = false;
    int BitsPerPixel = 0;
    int Planes = 0;
    int Width = 0;
    int Height = 0;
    int BytesPerLine = 0;
    const std::uint8_t* Palette16 = nullptr; // 48 bytes inside the header
};

int Word(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8);
}

bool LayoutSupported(int bitsPerPixel, int planes)
{
    if (bitsPerPixel == 1)
        return planes >= 1 && planes <= 4;
    if (bitsPerPixel == 2 || bitsPerPixel == 4)
        return planes == 1;
    if (bitsPerPixel == 8)
        return planes == 1 || planes == 3 || planes == 4;
    return false;
}

// Reads the header; false (with a reason) when it does not describe a picture we decode.
bool ParseHeader(const std::uint8_t* d, std::size_t size, TPcxHeader& h, QString& why)
{
    if (size < PcxHeaderSize || d[0] != 0x0A) {
        why = QStringLiteral("Not a PCX picture");
        return false;
    }
    h.Version = d[1];
    const int encoding = d[2];
    if ((h.Version != 0 && (h.Version < 2 || h.Version > 5)) || encoding > 1) {
        why = QStringLiteral("Unknown PCX version or encoding");
        return false;
    }
    h.Rle = encoding == 1;
    h.BitsPerPixel = d[3];
    h.Planes = d[65];
    if (!LayoutSupported(h.BitsPerPixel, h.Planes)) {
        why = QStringLiteral("Unsupported PCX colour layout");
        return false;
    }
    const int xMin = Word(d + 4), yMin = Word(d + 6), xMax = Word(d + 8), yMax = Word(d + 10);
    h.BytesPerLine = Word(d + 66);
    h.Palette16 = d + 16;
    if (xMax < xMin || yMax < yMin) {
        why = QStringLiteral("Invalid PCX picture size");
        return false;
    }
    h.Width = xMax - xMin + 1;
    h.Height = yMax - yMin + 1;
    if (std::int64_t(h.BytesPerLine) * 8 < std::int64_t(h.Width) * h.BitsPerPixel) {
        why = QStringLiteral("Invalid PCX line length");
        return false;
    }
    if (std::int64_t(h.Width) * h.Height > PcxMaxPixels) {
        why = QStringLiteral("PCX picture too large");
        return false;
    }
    return true;
}

// Run-length reader over the picture data. A run may span scan lines.
class TRleReader final
{
public:
    TRleReader(const std::uint8_t* begin, const std::uint8_t* end, bool rle)
        : m_p(begin), m_end(end), m_rle(rle)
    {
    }

    // Fills `n` bytes; false when the data ends first.
    bool Read(std::uint8_t* dst, std::size_t n)
    {
        if (!m_rle) {
            if (std::size_t(m_end - m_p) < n)
                return false;
            std::memcpy(dst, m_p, n);
            m_p += n;
            return true;
        }
        while (n > 0) {
            if (m_runLeft > 0) {
                const std::size_t take = std::min<std::size_t>(m_runLeft, n);
                std::memset(dst, m_runValue, take);
                dst += take;
                n -= take;
                m_runLeft -= int(take);
                continue;
            }
            if (m_p == m_end)
                return false;
            const std::uint8_t b = *m_p++;
            if ((b & 0xC0) != 0xC0) {
                *dst++ = b;
                --n;
                continue;
            }
            if (m_p == m_end)
                return false;
            m_runLeft = b & 0x3F;
            m_runValue = *m_p++;
        }
        return true;
    }

private:
    const std::uint8_t* m_p;
    const std::uint8_t* m_end;
    bool m_rle;
    int m_runLeft = 0;
    std::uint8_t m_runValue = 0;
};

// The 16 colours of the EGA default palette, for files that carry no palette of their own.
constexpr QRgb EgaPalette[16] = {
    0xFF000000, 0xFF0000AA, 0xFF00AA00, 0xFF00AAAA, 0xFFAA0000, 0xFFAA00AA, 0xFFAA5500, 0xFFAAAAAA,
    0xFF555555, 0xFF5555FF, 0xFF55FF55, 0xFF55FFFF, 0xFFFF5555, 0xFFFF55FF, 0xFFFFFF55, 0xFFFFFFFF};

QList<QRgb> ReadPalette(const std::uint8_t* rgb, int count)
{
    QList<QRgb> table(count);
    for (int i = 0; i < count; ++i)
        table[i] = qRgb(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    return table;
}

QList<QRgb> HeaderPalette(const TPcxHeader& h, int count)
{
    const bool blank = std::all_of(h.Palette16, h.Palette16 + 48, [](auto b) { return b == 0; });
    if (h.Version == 3 || blank)
        return QList<QRgb>(EgaPalette, EgaPalette + count);
    return ReadPalette(h.Palette16, count);
}

// Turns one decoded line (all planes) into pixels of row `out`.
void ConvertLine(const TPcxHeader& h, const std::uint8_t* line, std::uint8_t* out)
{
    const int bpl = h.BytesPerLine;
    if (h.BitsPerPixel == 8 && h.Planes == 1) {
        std::memcpy(out, line, h.Width);
        return;
    }
    if (h.BitsPerPixel == 8) {
        auto* px = reinterpret_cast<QRgb*>(out);
        const std::uint8_t *r = line, *g = line + bpl, *b = line + 2 * bpl;
        const std::uint8_t* a = h.Planes == 4 ? line + 3 * bpl : nullptr;
        for (int x = 0; x < h.Width; ++x)
            px[x] = qRgba(r[x], g[x], b[x], a ? a[x] : 0xFF);
        return;
    }
    if (h.BitsPerPixel == 1) {
        for (int x = 0; x < h.Width; ++x) {
            const int shift = 7 - (x & 7);
            int index = 0;
            for (int p = 0; p < h.Planes; ++p)
                index |= ((line[p * bpl + (x >> 3)] >> shift) & 1) << p;
            out[x] = std::uint8_t(index);
        }
        return;
    }
    const int bits = h.BitsPerPixel; // 2 or 4, one plane
    const int perByte = 8 / bits, mask = (1 << bits) - 1;
    for (int x = 0; x < h.Width; ++x) {
        const int shift = 8 - bits * (x % perByte + 1);
        out[x] = std::uint8_t((line[x / perByte] >> shift) & mask);
    }
}

QImage AllocateImage(const TPcxHeader& h, const std::uint8_t* data, std::size_t& dataEnd)
{
    const bool trueColour = h.BitsPerPixel == 8 && h.Planes >= 3;
    if (trueColour) {
        return QImage(h.Width, h.Height,
                      h.Planes == 4 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
    QImage image(h.Width, h.Height, QImage::Format_Indexed8);
    if (image.isNull())
        return image;
    const int colours = 1 << (h.BitsPerPixel * h.Planes);
    if (colours == 256) {
        // The 256-colour palette follows the picture data behind a marker byte 12.
        if (dataEnd >= PcxHeaderSize + 769 && data[dataEnd - 769] == 0x0C) {
            image.setColorTable(ReadPalette(data + dataEnd - 768, 256));
            dataEnd -= 769;
        } else {
            QList<QRgb> grey(256);
            for (int i = 0; i < 256; ++i)
                grey[i] = qRgb(i, i, i);
            image.setColorTable(grey);
        }
    } else if (colours == 2) {
        image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    } else {
        image.setColorTable(HeaderPalette(h, colours));
    }
    return image;
}

} // namespace

bool PcxLooksValid(const std::uint8_t* data, std::size_t size)
{
    TPcxHeader h;
    QString why;
    return data != nullptr && ParseHeader(data, size, h, why);
}

QImage PcxDecode(const std::uint8_t* data, std::size_t size, QString* error)
{
    TPcxHeader h;
    QString why;
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return QImage();
    };
    if (data == nullptr || !ParseHeader(data, size, h, why))
        return fail(why);
    const std::size_t lineBytes = std::size_t(h.BytesPerLine) * h.Planes;
    const std::size_t needed = lineBytes * std::size_t(h.Height);
    // Each pair of RLE bytes yields at most 63 bytes: reject short files before allocating.
    const std::size_t available = size - PcxHeaderSize;
    if ((h.Rle ? available * 32 : available) < needed)
        return fail(QStringLiteral("The PCX picture data is truncated"));
    std::size_t dataEnd = size;
    QImage image = AllocateImage(h, data, dataEnd);
    if (image.isNull())
        return fail(QStringLiteral("Not enough memory for the PCX picture"));
    TRleReader reader(data + PcxHeaderSize, data + dataEnd, h.Rle);
    std::vector<std::uint8_t> line(lineBytes);
    for (int y = 0; y < h.Height; ++y) {
        if (!reader.Read(line.data(), lineBytes))
            return fail(QStringLiteral("The PCX picture data is truncated"));
        ConvertLine(h, line.data(), image.scanLine(y));
    }
    return image;
}

} // namespace piclib
