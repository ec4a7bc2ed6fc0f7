// The content test of the file search: encodings, case, blocks and binary files.
#include "search/TextMatch.h"
#include "support/TempDir.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

namespace
{

using R = TTextMatcher::TResult;

QByteArray Utf16(const QString& text, bool littleEndian)
{
    QStringEncoder encoder(littleEndian ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE,
                           QStringEncoder::Flag::WriteBom);
    return encoder(text);
}

} // namespace

TEST(TextMatch, EachEncodingWithoutCase)
{
    const TTextMatcher cafe(QString::fromUtf8("Café au"), false);
    EXPECT_EQ(cafe.Scan(QString::fromUtf8("un CAFÉ AU lait").toUtf8(), false), R::Found);
    EXPECT_EQ(cafe.Scan(QByteArray("un caf\xC9 au lait"), false), R::Found); // Windows-1252
    EXPECT_EQ(cafe.Scan(Utf16(QString::fromUtf8("un café AU lait"), true), false), R::Found);
    EXPECT_EQ(cafe.Scan(Utf16(QString::fromUtf8("un café AU lait"), false), false), R::Found);
    EXPECT_EQ(cafe.Scan(QString::fromUtf8("un cafè au lait").toUtf8(), false), R::NotFound);
    // UTF-16 without a byte-order mark is not taken as UTF-16.
    EXPECT_EQ(cafe.Scan(Utf16(QString::fromUtf8("café au"), true).mid(2), false), R::NotFound);
    // Windows-1252 characters of the range 0x80 to 0x9F: "€" is 0x80 there.
    EXPECT_EQ(TTextMatcher(QString::fromUtf8("5 €"), false).Scan(QByteArray("cost 5 \x80."), false),
              R::Found);
    // Match case: only the form typed.
    EXPECT_EQ(TTextMatcher("Café", true).Scan(QByteArray("CAFÉ"), false), R::NotFound);
    EXPECT_EQ(TTextMatcher("ABC", true).Scan(QByteArray("xABCx"), false), R::Found);
}

TEST(TextMatch, WindowsFormsCountOnlyWhereTheFileIsNotUtf8)
{
    const TTextMatcher e(QString::fromUtf8("é"), false);
    // 0xE9 before "A" is no valid UTF-8; as Windows-1252 it is "éA".
    EXPECT_EQ(e.Scan(QByteArray("x\xE9"
                                "A"),
                     false),
              R::Found);
    // In a valid UTF-8 file the same byte is part of another character (U+9000).
    EXPECT_EQ(e.Scan(QString(QChar(0x9000)).toUtf8(), false), R::NotFound);
    // A sequence cut off by the end makes the file no UTF-8.
    EXPECT_EQ(e.Scan(QByteArray("abc \xE9"), false), R::Found);
}

TEST(TextMatch, UnalignedUtf16BytesDoNotMatch)
{
    // "ABC" in UTF-16LE is 41 00 42 00 43 00: the bytes 00 42 00 43 there, which spell
    // U+4200 U+4300, straddle characters.
    const QByteArray bytes("\xFF\xFE"
                           "A\0B\0C\0",
                           8);
    EXPECT_EQ(TTextMatcher("\u4200\u4300", true).Scan(bytes, false), R::NotFound);
    EXPECT_EQ(TTextMatcher("AB", false).Scan(Utf16("xxAB", true), false), R::Found);
}

TEST(TextMatch, FilesAcrossBlocksBinaryAndUnreadable)
{
    TempDir dir;
    QByteArray big(256 * 1024 - 3, 'x');
    big += "NeedleHere"; // across the first block's end
    const QString spanning = dir.write("big.txt", big);
    const TTextMatcher needle("needlehere", false);
    EXPECT_EQ(needle.Scan(spanning, false), R::Found);
    const QString binary = dir.write("a.bin", QByteArray("\x7F"
                                                         "ELF\0\0needlehere",
                                                         16));
    EXPECT_EQ(needle.Scan(binary, true), R::Binary);
    EXPECT_EQ(needle.Scan(binary, false), R::Found);
    // UTF-16 text holds zero bytes and is never binary.
    const QString wide = dir.write("w.txt", Utf16("the NeedleHere", true));
    EXPECT_EQ(needle.Scan(wide, true), R::Found);
    EXPECT_EQ(needle.Scan(dir("missing.txt"), false), R::Unreadable);
    EXPECT_EQ(needle.Scan(dir.mkdir("folder"), false), R::Unreadable);
    EXPECT_EQ(needle.Scan(dir.write("empty.txt"), true), R::NotFound);
}

// A remote file arrives in blocks of whatever size the backend reads: the text may lie
// across any two, and the first tests (byte-order mark, zero byte) still see the start.
TEST(TextMatch, StreamedBlocksOfAnySize)
{
    const auto streamed = [](const TTextMatcher& m, const QByteArray& bytes, qsizetype block,
                             bool skipBinary = false, qint64 limit = 0) {
        return m.Scan(
            [&](const TTextMatcher::TBlockSink& sink) {
                for (qsizetype at = 0; at < bytes.size(); at += block)
                    if (!sink(bytes.constData() + at, size_t(qMin(block, bytes.size() - at))))
                        break;
                return true;
            },
            skipBinary, {}, limit);
    };
    const TTextMatcher needle(QStringLiteral("needle"), false);
    const QByteArray haystack = QByteArray(300000, 'x') + "NEEDLE" + QByteArray(10, 'y');
    for (const qsizetype block : {1, 3, 4096, 300003, 1 << 20})
        EXPECT_EQ(streamed(needle, haystack, block), R::Found) << block;
    EXPECT_EQ(streamed(needle, QByteArray(300000, 'x'), 7), R::NotFound);
    // UTF-16 told by its mark in the first block of one byte, and aligned across blocks.
    const QByteArray wide = Utf16(QStringLiteral("abc needle"), true);
    EXPECT_EQ(streamed(needle, wide, 1), R::Found);
    EXPECT_EQ(streamed(needle, "z" + wide, 1), R::NotFound);
    // A zero byte past the first block, within the first 256 KiB, makes a file binary.
    const QByteArray binary = QByteArray(1000, 'x') + QByteArray(1, '\0') + "needle";
    EXPECT_EQ(streamed(needle, binary, 100, true), R::Binary);
    EXPECT_EQ(streamed(needle, binary, 100, false), R::Found);
    // Reading stops at the limit: text past it is not seen, text before it is.
    EXPECT_EQ(streamed(needle, haystack, 4096, false, 1000), R::TooLarge);
    EXPECT_EQ(streamed(needle, "needle" + haystack, 4096, false, 1000), R::Found);
    // An unreadable file, and a cancel before the first block.
    EXPECT_EQ(needle.Scan([](const TTextMatcher::TBlockSink&) { return false; }, false, {}),
              R::Unreadable);
    EXPECT_EQ(needle.Scan(
                  [&](const TTextMatcher::TBlockSink& sink) {
                      sink(haystack.constData(), size_t(haystack.size()));
                      return true;
                  },
                  false, [] { return true; }),
              R::Cancelled);
}
