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
        "caf\xE9 na\xEFve\xA0nbsp\r\n\xFF\xFE",        // Latin-1 (invalid UTF-8)
        "\xC3\x28 broken sequence\n",                  // invalid UTF-8
        QByteArray("nul\0inside\n", 11),
        "tab\there\x0C"
        "form feed\n",
    };
    for (const QByteArray& bytes : samples) {
        auto decoded = DecodeText(bytes);
        EXPECT_EQ(bytes, EncodeText(decoded.Text, decoded.Format)) << bytes.toHex().constData();
    }
}

TEST(TextFile, DecodingNormalisesLineEndsAndChoosesTheEncoding)
{
    auto dos = DecodeText("x\r\ny\r\n");
    EXPECT_EQ(QStringLiteral("x\ny\n"), dos.Text);
    EXPECT_EQ(QStringLiteral("\r\n"), dos.Format.LineEnd);
    EXPECT_EQ(TTextEncoding::Utf8, dos.Format.Encoding);

    auto latin = DecodeText("\xE9t\xE9\r");
    EXPECT_EQ(QStringLiteral("\u00E9t\u00E9\n"), latin.Text);
    EXPECT_EQ(TTextEncoding::Latin1, latin.Format.Encoding);
    EXPECT_EQ(QStringLiteral("\r"), latin.Format.LineEnd);

    auto bom = DecodeText("\xEF\xBB\xBFhi");
    EXPECT_EQ(QStringLiteral("hi"), bom.Text);
    EXPECT_TRUE(bom.Format.ByteOrderMark);

    // Mixed line ends: the first one found is used for every line when writing.
    auto mixed = DecodeText("a\nb\r\nc\rd");
    EXPECT_EQ(QStringLiteral("a\nb\nc\nd"), mixed.Text);
    EXPECT_EQ(QByteArray("a\nb\nc\nd"), EncodeText(mixed.Text, mixed.Format));
}

TEST(TextFile, LatinOneTextThatGainsWiderCharactersIsWrittenAsUtf8)
{
    TTextFormat format{TTextEncoding::Latin1, QStringLiteral("\r\n"), false};
    EXPECT_EQ(QByteArray("\xE9\r\n"), EncodeText(QStringLiteral("\u00E9\n"), format));
    EXPECT_EQ(TTextEncoding::Latin1, format.Encoding);
    EXPECT_EQ(QByteArray("\xC3\xA9\xE2\x82\xAC\r\n"),
              EncodeText(QStringLiteral("\u00E9\u20AC\n"), format));
    EXPECT_EQ(TTextEncoding::Utf8, format.Encoding);
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

    // A failed write keeps the format it had: Latin-1 stays Latin-1.
    TTextFormat latin{TTextEncoding::Latin1, QStringLiteral("\n"), false};
    EXPECT_THROW(viewers::WriteTextFile(dir("no/x.txt"), QStringLiteral("\u20AC"), latin),
                 platform::EError);
    EXPECT_EQ(TTextEncoding::Latin1, latin.Encoding);
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
