// Reading and writing text files: encodings and line ends survive a round trip, and
// failures leave the disk as it was.
#include "viewers/TextFile.h"
#include "platform/Messages.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using viewers::DecodeText;
using viewers::EncodeText;
using viewers::TTextEncoding;
using viewers::TTextFormat;

TEST(TextFile, UnchangedTextEncodesToTheSameBytes)
{
    const QByteArray samples[] = {
        "",
        "one line without end",
        "a\nb\nc\n",
        "dos\r\nlines\r\n\r\n",
        "old mac\rlines\r",
        "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\n", // UTF-8, up to four bytes
        "\xEF\xBB\xBFwith a byte-order mark\r\n",      // UTF-8 with BOM
        "caf\xE9 na\xEFve\xA0nbsp\r\n\xFF\xFE",        // Windows-1252 (invalid UTF-8)
        "\x93q\x94 \x80\x81\x8D\x8F\x90\x9D\n",        // including its unassigned bytes
        QByteArray("\xFF\xFEH\0i\0\r\0\n\0", 10),      // UTF-16 LE
        QByteArray("\xFE\xFF\0H\0i\0\n", 8),           // UTF-16 BE
        "\xC3\x28 broken sequence\n",                  // invalid UTF-8
        QByteArray("nul\0inside\n", 11),
        "tab\there\x0C"
        "form feed\n",
    };
    for (const QByteArray& bytes : samples) {
        const TTextFormat decoded = DecodeText(bytes);
        EXPECT_EQ(bytes, EncodeText(decoded.Text, decoded)) << bytes.toHex().constData();
        // Written anew (one line changed and changed back), the bytes are the same too.
        TTextFormat edited = decoded;
        edited.Text += u'!';
        edited.Bytes = EncodeText(edited.Text, decoded);
        EXPECT_EQ(bytes, EncodeText(decoded.Text, edited)) << bytes.toHex().constData();
    }
}

TEST(TextFile, DecodingNormalisesLineEndsAndChoosesTheEncoding)
{
    auto dos = DecodeText("x\r\ny\r\n");
    EXPECT_EQ(QStringLiteral("x\ny\n"), dos.Text);
    EXPECT_EQ(TTextEncoding::Utf8, dos.Encoding);

    auto latin = DecodeText("\xE9t\xE9\r\x93\x80");
    EXPECT_EQ(QStringLiteral("\u00E9t\u00E9\n\u201C\u20AC"), latin.Text);
    EXPECT_EQ(TTextEncoding::Windows1252, latin.Encoding);

    auto bom = DecodeText("\xEF\xBB\xBFhi");
    EXPECT_EQ(QStringLiteral("hi"), bom.Text);
    EXPECT_TRUE(bom.ByteOrderMark);

    // Mixed line ends: the lines that are still there keep their own.
    auto mixed = DecodeText("a\nb\r\nc\rd");
    EXPECT_EQ(QStringLiteral("a\nb\nc\nd"), mixed.Text);
    EXPECT_EQ(QByteArray("a\nB\r\nc\rd"), EncodeText(QStringLiteral("a\nB\nc\nd"), mixed));
    EXPECT_EQ(QByteArray("a\nb\r\nnew\r\nc\rd"),
              EncodeText(QStringLiteral("a\nb\nnew\nc\nd"), mixed));
    EXPECT_EQ(QByteArray("a\nc\rd\rend"), EncodeText(QStringLiteral("a\nc\nd\nend"), mixed));
}

TEST(TextFile, WindowsCodePageHoldsOnlyItsOwnCharacters)
{
    const TTextFormat cp1252 = DecodeText("\x93x\x94\n");
    const QString text = QStringLiteral("\u201Cx\u201D \u20AC\u00E9\n");
    EXPECT_EQ(-1, viewers::FirstUnencodable(text, TTextEncoding::Windows1252));
    EXPECT_EQ(QByteArray("\x93x\x94 \x80\xE9\n"), EncodeText(text, cp1252));
    EXPECT_EQ(3,
              viewers::FirstUnencodable(QStringLiteral("ab\n\u0141"), TTextEncoding::Windows1252));
    EXPECT_EQ(-1, viewers::FirstUnencodable(QStringLiteral("\u0141"), TTextEncoding::Utf16LE));
}

TEST(TextFile, ReadAndWriteFailuresSayWhyAndChangeNothing)
{
    TempDir dir;
    EXPECT_THROW(viewers::ReadTextFile(dir("missing.txt")), platform::EError);
    try {
        viewers::ReadTextFile(dir.mkdir("folder"));
        ADD_FAILURE() << "a directory read as text";
    } catch (const platform::EError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("directory"))) << qPrintable(e.Message());
    }

    TTextFormat format;
    try {
        viewers::WriteTextFile(dir("no/such/folder/a.txt"), QStringLiteral("x"), format);
        ADD_FAILURE() << "wrote into a missing folder";
    } catch (const platform::EError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot write the file ")));
        EXPECT_GT(e.Message().size(), QStringLiteral("Cannot write the file ").size() + 20);
    }
    // A file whose parent is a file cannot be written; the other file is untouched.
    const QString blocker = dir.write("blocker", "keep me");
    EXPECT_THROW(viewers::WriteTextFile(blocker + "/child.txt", QStringLiteral("x"), format),
                 platform::EError);
    EXPECT_EQ(QByteArray("keep me"), readAll(blocker));

    // A failed write keeps the format it had; a text the encoding cannot hold is refused.
    TTextFormat latin = DecodeText("\xE9");
    EXPECT_THROW(viewers::WriteTextFile(dir("no/x.txt"), QStringLiteral("\u20AC"), latin),
                 platform::EError);
    EXPECT_EQ(QByteArray("\xE9"), latin.Bytes);
    const QString kept = dir.write("kept.txt", "\xE9");
    EXPECT_THROW(viewers::WriteTextFile(kept, QStringLiteral("\u0141"), latin), platform::EError);
    EXPECT_EQ(QByteArray("\xE9"), readAll(kept));
}

TEST(TextFile, SavingThroughASymbolicLinkWritesTheTarget)
{
    TempDir dir;
    const QString target = dir.write("target.txt", "old");
    ASSERT_TRUE(QFile::link(target, dir("link.txt")));
    TTextFormat format;
    viewers::WriteTextFile(dir("link.txt"), QStringLiteral("new"), format);
    EXPECT_TRUE(QFileInfo(dir("link.txt")).isSymLink());
    EXPECT_EQ(QByteArray("new"), readAll(target));
}

TEST(TextFile, AChosenEncodingReadsAndWritesItsOwnBytes)
{
    const viewers::TEncoding& cyrillic = *viewers::FindEncoding(u"Windows-1251");
    const QByteArray bytes("\xCF\xF0\xE8\xE2\xE5\xF2\r\n\xEC\xE8\xF0");
    const TTextFormat read = DecodeText(bytes, cyrillic);
    EXPECT_EQ(&cyrillic, read.Encoding);
    EXPECT_EQ(QStringLiteral("\u041F\u0440\u0438\u0432\u0435\u0442\n\u043C\u0438\u0440"), read.Text);
    EXPECT_FALSE(read.Replaced);
    EXPECT_EQ(bytes, EncodeText(read.Text, read));
    EXPECT_EQ(QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2!\r\n\xEC\xE8\xF0"),
              EncodeText(QStringLiteral("\u041F\u0440\u0438\u0432\u0435\u0442!\n\u043C\u0438\u0440"),
                         read));
    EXPECT_EQ(2, viewers::FirstUnencodable(QStringLiteral("ab\u00E9"), &cyrillic));

    // The encoding's own byte-order mark is taken off and put back; a second one is text.
    const QByteArray marked("\xEF\xBB\xBF\xEF\xBB\xBFx");
    const TTextFormat utf8 = DecodeText(marked, *TTextEncoding::Utf8);
    EXPECT_TRUE(utf8.ByteOrderMark);
    EXPECT_EQ(QStringLiteral("\uFEFFx"), utf8.Text);
    EXPECT_EQ(QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFxy"), EncodeText(QStringLiteral("\uFEFFxy"), utf8));

    // Bytes that have no character in the chosen encoding are noted: the stand-in the
    // converter reads for them (U+FFFD, or U+001A for some) would be written back as itself.
    const TTextFormat broken = DecodeText("\x82\xA0\xFF", *viewers::FindEncoding(u"Shift JIS"));
    EXPECT_TRUE(broken.Replaced);
    EXPECT_EQ(2, broken.Text.size()); // a character, and a stand-in for the lone byte
    EXPECT_FALSE(DecodeText("\x82\xA0", *viewers::FindEncoding(u"Shift JIS")).Replaced);
}

TEST(TextFile, Utf16WithoutAMarkIsToldByItsNulBytesAndStaysWithoutOne)
{
    const QByteArray bytes("h\0i\0\n\0t\0h\0e\0r\0e\0", 16);
    const TTextFormat read = DecodeText(bytes);
    EXPECT_EQ(TTextEncoding::Utf16LE, read.Encoding);
    EXPECT_FALSE(read.ByteOrderMark);
    EXPECT_EQ(QStringLiteral("hi\nthere"), read.Text);
    EXPECT_EQ(bytes + QByteArray("!\0", 2), EncodeText(QStringLiteral("hi\nthere!"), read));
}
