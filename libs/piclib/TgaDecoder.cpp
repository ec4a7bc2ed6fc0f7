#include "piclib/TgaDecoder.h"

#include <vector>

namespace piclib
{

namespace
{

constexpr std::size_t HeaderSize = 18;
constexpr std::int64_t MaxPixels = std::int64_t(1) << 28;

struct TTgaHeader {
    int IdLength = 0;
    int MapType = 0;
    int Type = 0;
    int MapFirst = 0;
    int MapLength = 0;
    int MapBits = 0;
    int Width = 0;
    int Height = 0;
    int Bits = 0;
    int Descriptor = 0;
};

int Word(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8);
}

bool ParseHeader(const std::uint8_t* d, std::size_t size, TTgaHeader& h)
{
    if (d == nullptr || size < HeaderSize)
        return false;
    h = {d[0], d[1],         d[2],         Word(d + 3), Word(d + 5),
         d[7], Word(d + 12), Word(d + 14), d[16],       d[17]};
    const int base = h.Type & 7;
    const bool knownType = base >= 1 && base <= 3 && (h.Type & ~0x0B) == 0;
    if (!knownType || h.MapType > 1 || h.Width == 0 || h.Height == 0)
        return false;
    // A colour map may come with any type (unused unless colour-mapped) but needs a known
    // entry size.
    const bool mapBits = h.MapBits == 15 || h.MapBits == 16 || h.MapBits == 24 || h.MapBits == 32;
    if (h.MapType == 1 && !mapBits)
        return false;
    if (base == 1)
        return h.MapType == 1 && h.Bits == 8 && h.MapLength > 0;
    if (base == 3)
        return h.Bits == 8 || h.Bits == 16;
    return h.Bits == 15 || h.Bits == 16 || h.Bits == 24 || h.Bits == 32;
}

// One stored colour of `bits` bits (little-endian B G R [A], or 5-5-5 packed).
QRgb Colour(const std::uint8_t* p, int bits, bool grey)
{
    if (grey)
        return bits == 16 ? qRgba(p[0], p[0], p[0], p[1]) : qRgb(p[0], p[0], p[0]);
    if (bits == 15 || bits == 16) {
        const int v = p[0] | (p[1] << 8);
        auto scale = [](int c) { return (c << 3) | (c >> 2); };
        return qRgb(scale((v >> 10) & 31), scale((v >> 5) & 31), scale(v & 31));
    }
    return qRgba(p[2], p[1], p[0], bits == 32 ? p[3] : 0xFF);
}

// Reads `count` pixels of `bytes` bytes each, raw or run-length encoded.
bool ReadPixels(const std::uint8_t*& p, const std::uint8_t* end, bool rle, int bytes,
                std::size_t count, std::vector<std::uint8_t>& out)
{
    out.resize(count * bytes);
    std::uint8_t* dst = out.data();
    std::size_t done = 0;
    while (done < count) {
        std::size_t n = count - done;
        bool repeat = false;
        if (rle) {
            if (p == end)
                return false;
            repeat = (*p & 0x80) != 0;
            n = std::min<std::size_t>(n, (*p++ & 0x7F) + 1);
        }
        const std::size_t need = repeat ? bytes : n * bytes;
        if (std::size_t(end - p) < need)
            return false;
        for (std::size_t i = 0; i < n; ++i)
            std::copy(p + (repeat ? 0 : i * bytes), p + (repeat ? 0 : i * bytes) + bytes,
                      dst + (done + i) * bytes);
        p += need;
        done += n;
    }
    return true;
}

} // namespace

bool TgaLooksValid(const std::uint8_t* data, std::size_t size)
{
    TTgaHeader h;
    return ParseHeader(data, size, h);
}

QImage TgaDecode(const std::uint8_t* data, std::size_t size, QString* error)
{
    auto fail = [&](const char* reason) {
        if (error)
            *error = QString::fromLatin1(reason);
        return QImage();
    };
    TTgaHeader h;
    if (!ParseHeader(data, size, h))
        return fail("Not a TGA picture this reader knows");
    if (std::int64_t(h.Width) * h.Height > MaxPixels)
        return fail("TGA picture too large");
    const std::uint8_t* p = data + HeaderSize;
    const std::uint8_t* end = data + size;
    if (std::size_t(end - p) < std::size_t(h.IdLength))
        return fail("The TGA picture data is truncated");
    p += h.IdLength;
    std::vector<QRgb> map;
    if (h.MapType == 1) {
        const int mapBytes = (h.MapBits + 7) / 8;
        std::vector<std::uint8_t> raw;
        if (!ReadPixels(p, end, false, mapBytes, std::size_t(h.MapLength), raw))
            return fail("The TGA colour map is truncated");
        for (int i = 0; i < h.MapLength; ++i)
            map.push_back(Colour(raw.data() + i * mapBytes, h.MapBits, false));
    }
    const int bytes = (h.Bits + 7) / 8;
    const std::size_t count = std::size_t(h.Width) * h.Height;
    // A run packet of two to five bytes yields at most 128 pixels: check before allocating.
    if (std::size_t(end - p) * 128 < count)
        return fail("The TGA picture data is truncated");
    std::vector<std::uint8_t> pixels;
    if (!ReadPixels(p, end, (h.Type & 8) != 0, bytes, count, pixels))
        return fail("The TGA picture data is truncated");
    QImage image(h.Width, h.Height, QImage::Format_ARGB32);
    if (image.isNull())
        return fail("Not enough memory for the TGA picture");
    const bool rightToLeft = (h.Descriptor & 0x10) != 0, topDown = (h.Descriptor & 0x20) != 0;
    const bool grey = (h.Type & 7) == 3;
    // Only colour-mapped pictures index the map; others may carry one they do not use.
    const bool mapped = (h.Type & 7) == 1;
    // 32-bit pictures that declare no alpha bits often store zeros there: show them opaque.
    const QRgb forceOpaque = h.Bits == 32 && (h.Descriptor & 0x0F) == 0 ? 0xFF000000 : 0;
    for (int row = 0; row < h.Height; ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(topDown ? row : h.Height - 1 - row));
        for (int col = 0; col < h.Width; ++col) {
            const std::uint8_t* px = pixels.data() + (std::size_t(row) * h.Width + col) * bytes;
            QRgb c = 0xFF000000;
            if (mapped) {
                const int index = px[0] - h.MapFirst;
                c = index >= 0 && index < int(map.size()) ? map[index] : 0xFF000000;
            } else {
                c = Colour(px, h.Bits, grey);
            }
            line[rightToLeft ? h.Width - 1 - col : col] = c | forceOpaque;
        }
    }
    return image;
}

} // namespace piclib
