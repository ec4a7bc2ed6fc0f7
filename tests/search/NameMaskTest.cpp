// The masks of the file search, on names as text and as the file system's bytes.
#include "search/NameMask.h"

#include <gtest/gtest.h>

namespace
{

// Both ways of asking must agree: the byte path has its own ASCII fast path.
bool Both(const TNameMask& mask, const QString& name)
{
    const QByteArray bytes = name.toUtf8();
    const bool text = mask.Matches(name);
    EXPECT_EQ(text, mask.Matches(bytes.constData(), size_t(bytes.size()))) << name.toStdString();
    return text;
}

} // namespace

TEST(NameMask, WildcardsMatchTheWholeNameWithoutCase)
{
    const struct {
        const char* mask;
        const char* name;
        bool match;
    } cases[] = {
        {"*.log;*.txt", "server.LOG", true},
        {"*.log;*.txt", "Notes.Txt", true},
        {"*.log;*.txt", "server.log.gz", false},
        {"*.log", "log", false},
        {"a?c", "ABC", true},
        {"a?c", "ac", false},
        {"a?c", "abcd", false},
        {"*b*", "abc", true},
        {"*.*", "README", true},
        {"*.*", ".hidden", true},
        {"*.", "README", true},
        {"*.", "a.b", false},
        {"*c", "abc", true},
        {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXbYbZ", false},
        {" *.md ; ", "x.MD", true},
        {"", "anything", true},
        {";;", "anything", true},
        {"report", "Report", true},
        {"report", "report1", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Both(TNameMask(c.mask), c.name), c.match) << c.mask << " / " << c.name;
}

TEST(NameMask, NonAsciiNamesAndMasksFoldTheirCase)
{
    EXPECT_TRUE(Both(TNameMask("ÄRGER*"), "ärger.txt"));
    EXPECT_TRUE(Both(TNameMask("*.TXT"), "Ärger.txt"));
    EXPECT_TRUE(Both(TNameMask("??ger.txt"), "Ärger.txt")); // one "?" per character
    EXPECT_FALSE(Both(TNameMask("?ger.txt"), "Ärger.txt"));
    // A name that is not valid UTF-8 still matches by its other characters.
    const char raw[] = "caf\xE9.txt";
    EXPECT_TRUE(TNameMask("*.txt").Matches(raw, sizeof raw - 1));
    EXPECT_FALSE(TNameMask("*.log").Matches(raw, sizeof raw - 1));
}
