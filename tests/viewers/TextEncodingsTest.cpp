#include "viewers/TextEncodings.h"

#include <gtest/gtest.h>

using namespace viewers;

namespace
{

const char* Guess(const QByteArray& bytes, bool whole = true)
{
    return GuessEncoding(bytes, whole).Encoding->Name;
}

QByteArray AllBytes()
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    return all;
}

} // namespace

TEST(TextEncodings, EveryListedEncodingIsKnownToTheConverter)
{
    for (const TEncoding& e : Encodings()) {
        EXPECT_FALSE(EncodeAs(u"abc", e).isEmpty()) << e.Name;
        EXPECT_EQ(FindEncoding(QString::fromLatin1(e.Name)), &e);
    }
    EXPECT_EQ(FindEncoding(u"windows-1251"), FindEncoding(u"Windows-1251"));
    EXPECT_EQ(FindEncoding(u"EBCDIC-Klingon"), nullptr);
}

TEST(TextEncodings, SingleByteEncodingsWriteEveryByteBackAsItself)
{
    for (const char* name : {"Windows-1250", "Windows-1251", "Windows-1252", "ISO-8859-1",
                             "ISO-8859-2", "KOI8-R", "CP437", "CP866"}) {
        const TEncoding& e = *FindEncoding(QString::fromLatin1(name));
        const QString text = DecodeAs(AllBytes(), e);
        EXPECT_EQ(FirstUnencodableAs(text, e), -1) << name;
        EXPECT_EQ(EncodeAs(text, e), AllBytes()) << name;
    }
    EXPECT_EQ(DecodeAs("\xC6\xE8\xE2", *FindEncoding(u"Windows-1251")), u"Жив");
    EXPECT_EQ(DecodeAs("\xF6\xC9\xD7", *FindEncoding(u"KOI8-R")), u"Жив");
}

TEST(TextEncodings, GuessTakesTheMarkThenNulPatternThenUtf8)
{
    EXPECT_STREQ(Guess("\xEF\xBB\xBFhi"), "UTF-8");
    EXPECT_EQ(GuessEncoding("\xEF\xBB\xBFhi", true).BomSize, 3);
    EXPECT_STREQ(Guess("\xFF\xFEh\0i\0"), "UTF-16 LE");
    EXPECT_STREQ(Guess(QByteArray("h\0e\0l\0l\0o\0", 10)), "UTF-16 LE");
    EXPECT_STREQ(Guess(QByteArray("\0h\0e\0l\0l\0o", 10)), "UTF-16 BE");
    EXPECT_EQ(GuessEncoding(QByteArray("\0h\0e\0l\0l\0o", 10), true).BomSize, 0);
    EXPECT_STREQ(Guess("gr\xC3\xBC\xC3\x9F"), "UTF-8");
    EXPECT_STREQ(Guess("gr\xFC\xDF"), "Windows-1252");
    // A binary file's scattered NULs are not UTF-16.
    EXPECT_STRNE(Guess(QByteArray("\0\0\0\0\x7F"
                                  "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0",
                                  20)),
                 "UTF-16 LE");
}

TEST(TextEncodings, AUtf8SequenceCutAtTheEndOfAHeadStillReadsAsUtf8)
{
    const QByteArray head = "caf\xC3\xA9 \xE2\x82";
    EXPECT_STREQ(Guess(head, false), "UTF-8");
    EXPECT_STREQ(Guess(head, true), "Windows-1252");
}

TEST(TextEncodings, FirstUnencodableNamesTheExactCharacter)
{
    const TEncoding& latin1 = *FindEncoding(u"ISO-8859-1");
    EXPECT_EQ(FirstUnencodableAs(u"plain text", latin1), -1);
    QString text = QString(1000, u'a') + QChar(0x416) + QString(10, u'b') + QChar(0x20AC);
    EXPECT_EQ(FirstUnencodableAs(text, latin1), 1000);
    EXPECT_EQ(FirstUnencodableAs(u"ab\U0001F600c", *FindEncoding(u"Windows-1252")), 2);
    EXPECT_EQ(FirstUnencodableAs(u"ab\U0001F600c", *FindEncoding(u"GB18030")), -1);
}
