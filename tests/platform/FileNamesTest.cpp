// The file-name codec on every kind of character: ASCII, bytes that are not UTF-8,
// characters of the Basic Multilingual Plane and beyond it (surrogate pairs whose second
// half lies in the range that escapes raw bytes), and raw bytes next to such pairs.
#include "platform/FileNames.h"

#include <gtest/gtest.h>

namespace
{

QString Escaped(uchar byte)
{
    return QChar(char16_t(0xDC00 + byte));
}

// Each case: the bytes on disk and the name they decode to.
struct TNameCase {
    QByteArray Bytes;
    QString Name;
};

std::vector<TNameCase> Cases()
{
    const QString poo = QString::fromUtf8("\xF0\x9F\x92\xA9");    // U+1F4A9: D83D DCA9
    const QString folder = QString::fromUtf8("\xF0\x9F\x93\x81"); // U+1F4C1: D83D DCC1
    const QString page = QString::fromUtf8("\xF0\x9F\x93\x84");   // U+1F4C4: D83D DCC4
    const QString last = QString::fromUtf8("\xF4\x8F\xBF\xBF");   // U+10FFFF: DBFF DFFF
    return {
        {"plain.txt", "plain.txt"},
        {"caf\xC3\xA9 \xE6\x97\xA5.txt", QString::fromUtf8("café 日.txt")},
        {"caf\xE9.txt", "caf" + Escaped(0xE9) + ".txt"},
        {"\xF0\x9F\x92\xA9.txt", poo + ".txt"},
        {"\xF0\x9F\x93\x81 notes.txt", folder + " notes.txt"},
        {"\xF0\x9F\x93\x84\xF0\x9F\x93\x84", page + page},
        {"\xF4\x8F\xBF\xBF", last},
        // A raw byte right after a pair, and one right before it.
        {"\xF0\x9F\x92\xA9\xA9", poo + Escaped(0xA9)},
        {"\xA9\xF0\x9F\x92\xA9", Escaped(0xA9) + poo},
        // The first bytes of U+1F4A9 without its last: each byte is raw.
        {"\xF0\x9F\x92.txt", Escaped(0xF0) + Escaped(0x9F) + Escaped(0x92) + ".txt"},
        // An encoded surrogate half is no UTF-8: three raw bytes.
        {"\xED\xB2\xA9", Escaped(0xED) + Escaped(0xB2) + Escaped(0xA9)},
    };
}

} // namespace

TEST(FileNames, EveryCharacterClassDecodesAndEncodesBackToItsBytes)
{
    for (const TNameCase& c : Cases()) {
        const std::string hex = c.Bytes.toHex(' ').toStdString();
        EXPECT_EQ(platform::DecodeFileName(c.Bytes), c.Name) << hex;
        EXPECT_EQ(platform::EncodeFileName(c.Name), c.Bytes) << hex;
        EXPECT_EQ(platform::EncodeFileName(platform::DecodeFileName(c.Bytes)), c.Bytes) << hex;
    }
    // Names built from characters, as a user types them, give their UTF-8.
    for (char32_t code : {U'\U0001F4A9', U'\U0001F4C1', U'\U0001F4C4', U'\U0001F680'}) {
        const QString name = QString::fromUcs4(&code, 1) + ".txt";
        EXPECT_EQ(platform::EncodeFileName(name), name.toUtf8()) << uint(code);
    }
    // Every character beyond U+FFFF whose second half is in the escape range.
    for (char32_t code = 0x10000; code <= 0x10FFFF; code += 0x400) {
        for (char32_t low = 0x80; low <= 0xFF; ++low) {
            const char32_t c = code + low;
            const QString name = QString::fromUcs4(&c, 1);
            ASSERT_EQ(platform::EncodeFileName(name), name.toUtf8()) << uint(c);
        }
    }
}

TEST(FileNames, OnlyRawBytesShowAsTheReplacementCharacter)
{
    const QString poo = QString::fromUtf8("\xF0\x9F\x92\xA9");
    EXPECT_EQ(platform::DisplayName(poo + ".txt"), poo + ".txt");
    EXPECT_EQ(platform::DisplayName(platform::DecodeFileName("\xF0\x9F\x92\xA9\xA9")),
              poo + QChar::ReplacementCharacter);
    EXPECT_EQ(platform::DisplayName(platform::DecodeFileName("caf\xE9")),
              QString("caf") + QChar::ReplacementCharacter);
}
