#include "zip/ZipNames.h"

#include <cstring>

namespace
{

// The upper half of code page 437 as Unicode code points, from 0x80 to 0xFF.
constexpr char16_t kUpperHalf[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, // 90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, // A0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, // D8
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, // E0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, // E8
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0, // F8
};

constexpr uint16_t kUtf8NameFlag = 1u << 11;
constexpr uint16_t kUnicodePathId = 0x7075;
constexpr uint32_t kCentralHeader = 0x02014B50;
constexpr size_t kCentralSize = 46;
constexpr unsigned kMadeOnUnix = 3;

uint32_t Crc32(const unsigned char* data, size_t size)
{
    static const auto table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// The UTF-8 name of a Unicode Path extra field (version 1) whose CRC-32 is that of
// `raw`; false when `extra` holds none that fits.
bool UnicodePath(const unsigned char* extra, size_t size, const char* raw, size_t rawSize,
                 std::string& name)
{
    for (size_t at = 0; extra && at + 4 <= size;) {
        const uint16_t id = ZipLe16(extra + at);
        const size_t length = ZipLe16(extra + at + 2);
        const unsigned char* data = extra + at + 4;
        if (at + 4 + length > size)
            return false;
        if (id == kUnicodePathId && length >= 5 && data[0] == 1 &&
            ZipLe32(data + 1) == Crc32(reinterpret_cast<const unsigned char*>(raw), rawSize)) {
            const char* text = reinterpret_cast<const char*>(data + 5);
            if (!IsValidUtf8(text, length - 5))
                return false;
            name.assign(text, length - 5);
            return true;
        }
        at += 4 + length;
    }
    return false;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string CodePage437ToUtf8(const char* data, size_t size)
{
    std::string text;
    text.reserve(size);
    for (size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        AppendUtf8(text, byte < 0x80 ? char32_t(byte) : char32_t(kUpperHalf[byte - 0x80]));
    }
    return text;
}

bool IsValidUtf8(const char* data, size_t size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size;) {
        const unsigned char b = p[i];
        size_t n = 0;
        char32_t c = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            n = 1, c = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            n = 2, c = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            n = 3, c = b & 0x07;
        } else {
            return false;
        }
        for (size_t k = 1; k <= n; ++k) {
            if (i + k >= size || (p[i + k] & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (p[i + k] & 0x3F);
        }
        static constexpr char32_t kLeast[4] = {0, 0x80, 0x800, 0x10000};
        if (c < kLeast[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

std::string DecodeZipName(const char* raw, size_t size, uint16_t flags, bool madeOnUnix,
                          const unsigned char* extra, size_t extraSize)
{
    const auto* zero = static_cast<const char*>(std::memchr(raw, 0, size));
    const size_t length = zero ? size_t(zero - raw) : size;
    if (flags & kUtf8NameFlag)
        return std::string(raw, length);
    std::string name;
    if (UnicodePath(extra, extraSize, raw, size, name))
        return name;
    if (madeOnUnix)
        return std::string(raw, length);
    return CodePage437ToUtf8(raw, length);
}

std::vector<std::string> ReadZipNames(const TReadAt& read, uint64_t fileSize)
{
    std::vector<std::string> names;
    TZipEnd end;
    if (!FindZipEnd(read, fileSize, end) || end.DirSize > (uint64_t(1) << 31))
        return names;
    std::vector<unsigned char> dir(size_t(end.DirSize));
    if (read(end.DirStart, dir.data(), dir.size()) != int64_t(dir.size()))
        return names;
    const unsigned char* p = dir.data();
    for (size_t at = 0; at + kCentralSize <= dir.size() && ZipLe32(p + at) == kCentralHeader;) {
        const unsigned char* r = p + at;
        const size_t nameLength = ZipLe16(r + 28), extraLength = ZipLe16(r + 30);
        const size_t length = kCentralSize + nameLength + extraLength + ZipLe16(r + 32);
        if (at + length > dir.size())
            return {};
        names.push_back(DecodeZipName(reinterpret_cast<const char*>(r + kCentralSize), nameLength,
                                      ZipLe16(r + 8), (r[5] == kMadeOnUnix),
                                      r + kCentralSize + nameLength, extraLength));
        at += length;
    }
    return names;
}
