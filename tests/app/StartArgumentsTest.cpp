#include "app/StartArguments.h"

#include <gtest/gtest.h>

TEST(StartArguments, PathsOptionsAndMistakes)
{
    using A = TStartArguments;
    EXPECT_EQ(ParseStartArguments({}).Action, A::Run);
    const TStartArguments two = ParseStartArguments({"/tmp", "file:///home/a%20b"});
    EXPECT_EQ(two.Action, A::Run);
    EXPECT_EQ(two.Paths, QStringList({"/tmp", "file:///home/a%20b"}));
    EXPECT_EQ(ParseStartArguments({"-"}).Paths, QStringList{"-"}); // a folder named "-"
    // After "--" a name that starts with a dash is a path.
    EXPECT_EQ(ParseStartArguments({"--", "-v", "--help"}).Paths, QStringList({"-v", "--help"}));

    const TStartArguments help = ParseStartArguments({"docs", "--help"});
    EXPECT_EQ(help.Action, A::Help);
    EXPECT_TRUE(help.Text.startsWith("Usage: travodex [OPTION] [LEFT [RIGHT]]"));
    EXPECT_EQ(ParseStartArguments({"-h"}).Action, A::Help);
    const TStartArguments version = ParseStartArguments({"--version"});
    EXPECT_EQ(version.Action, A::Version);
    EXPECT_EQ(version.Text, "travodex 2.01\n");

    const TStartArguments unknown = ParseStartArguments({"--verbose"});
    EXPECT_EQ(unknown.Action, A::Error);
    EXPECT_TRUE(unknown.Text.contains("unknown option '--verbose'"));
    EXPECT_EQ(ParseStartArguments({"a", "b", "c"}).Action, A::Error);
}
