#include "fileops/uCommon.h"
#include "platform/FileNames.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

namespace
{

struct WildRow {
    const char* name;
    const char* mask;
    const char* expected;
};

// Positional renaming in the parts the panel shows (name | extension): each row is an
// old name, a mask and the new name.
const WildRow kWildRows[] = {
    {"readme.txt", "*.bak", "readme.bak"},
    {"readme.txt", "*.*", "readme.txt"},
    {"archive.tar.gz", "*.*", "archive.tar.gz"},
    {"archive.tar.gz", "*.zip", "archive.tar.zip"},
    {"readme", "*.txt", "readme.txt"},
    {"readme", "*.*", "readme"},
    {"readme.", "*.*", "readme."},
    {"readme.txt", "new*.*", "newdme.txt"},
    {"readme.txt", "*", "readme.txt"},
    {"readme.txt", "a*", "aeadme.txt"},
    {"readme.txt", "x.*", "x.txt"},
    {"data.txt", "backup.*", "backup.txt"},
    {"report.doc", "r?p*.txt", "report.txt"},
    {"report.doc", "???.*", "rep.doc"},
    {"photo.jpeg", "*.jp?", "photo.jpe"},
    {"data1.txt", "??????.old", "data1.old"},
    {"readme.txt", "*.t*x", "readme.txtx"},
    {"readme.txt", "*a.txt", "readmea.txt"},
    {"Mixed.Txt", "*_old.*", "Mixed_old.Txt"},
    {"multi.dot.name.v2.final.txt", "*.md", "multi.dot.name.v2.final.md"},
    {"multi.dot.name.v2.final.txt", "*_1.*", "multi.dot.name.v2.final_1.txt"},
    {".hidden", "*.bak", ".hidden.bak"},
    {".hidden", "*.*", ".hidden"},
    {".hidden.txt", "*.md", ".hidden.md"},
    {"readme.txt", "*.", "readme"},
};

TEST(WildChange, EveryRowOfTheRenameTable)
{
    for (const WildRow& row : kWildRows) {
        EXPECT_EQ(WildChange(QString::fromUtf8(row.name), QString::fromUtf8(row.mask)),
                  QString::fromUtf8(row.expected))
            << row.name << " with " << row.mask;
    }
}

// A name that is not UTF-8 holds one lone surrogate per such byte (platform/FileNames.h):
// each counts as one position and comes out as the byte it was.
TEST(WildChange, BytesThatAreNotUtf8AreCarriedAsTheyAre)
{
    const QString name = platform::DecodeFileName("caf\xe9.txt");
    EXPECT_EQ(platform::EncodeFileName(WildChange(name, "???*.*")), "caf\xe9.txt");
    EXPECT_EQ(platform::EncodeFileName(WildChange(name, "*.bak")), "caf\xe9.bak");
    EXPECT_EQ(platform::EncodeFileName(WildChange(name, "???X.*")), "cafX.txt");
    EXPECT_EQ(platform::EncodeFileName(WildChange(name, "?x??.?")), "cxf\xe9.t");
}

TEST(WildChange, AMaskThatDoesNotFitSaysWhatItWouldHaveMadeAndWhy)
{
    // Text after a "*" is added to the part; only a wildcard there has nothing to take.
    for (const char* mask : {"a*", "*.x*y", "*x.txt", "ab*c", "*_old.*"})
        EXPECT_EQ(ApplyRenameMask("notes.txt", mask).Refusal, QString()) << mask;
    const struct {
        const char* name;
        const char* mask;
        const char* made;
        const char* why;
    } refused[] = {
        {"notes.txt", "**", "notes.txt*", "the \"*\" after a \"*\" in the mask stands for nothing"},
        {"notes.txt", "*?.txt", "notes?.txt", "the \"?\" after"},
        {"notes.txt", "*.t*?", "notes.txt?", "stands for nothing"},
        {"notes.txt", "", "", "would be empty"},
        {"notes", ".*", "", "would be empty"},
        {".hidden", "?.*", ".", "is not a name"},
        {"notes.txt", "*/x.*", "notes/x.txt", "cannot contain \"/\""},
    };
    for (const auto& r : refused) {
        const TMaskedName made = ApplyRenameMask(r.name, r.mask);
        EXPECT_EQ(made.Name, r.made) << r.name << " with " << r.mask;
        EXPECT_TRUE(made.Refusal.contains(r.why)) << made.Refusal.toStdString();
    }
}

TEST(WildChange, PositionsPastTheEndOfTheNameHoldNothing)
{
    // "?" beyond the name copies nothing; the literal characters still come through.
    EXPECT_EQ(WildChange("a.b", "?????????"), "a.b");
    EXPECT_EQ(WildChange("ab", "????x?"), "abx");
    EXPECT_EQ(WildChange("x", "????.*"), "x");
    EXPECT_EQ(WildChange("x.ab", "?.????"), "x.ab");
}

TEST(WildChange, LiteralMasksAndEmptyInputs)
{
    // A mask without wildcards names every file the same.
    EXPECT_EQ(WildChange("one.txt", "same.dat"), "same.dat");
    EXPECT_EQ(WildChange("two.doc", "same.dat"), "same.dat");
    EXPECT_EQ(WildChange("one.txt", ""), "");
    // Characters outside ASCII are copied like any other.
    EXPECT_EQ(WildChange(QString::fromUtf8("été.txt"), "*.md"), QString::fromUtf8("été.md"));
}

TEST(WildChange, PositionsCountCharactersNotUtf16Units)
{
    // Characters outside the Basic Multilingual Plane take one position, like any other.
    const auto u = [](const char* text) { return QString::fromUtf8(text); };
    EXPECT_EQ(WildChange(u("\U0001F600.txt"), "?.*"), u("\U0001F600.txt"));
    EXPECT_EQ(WildChange(u("\U0001F600\U0001F601.txt"), "?x.*"), u("\U0001F600x.txt"));
    EXPECT_EQ(WildChange(u("ab.txt"), u("\U0001F389?.*")), u("\U0001F389b.txt"));
    EXPECT_EQ(WildChange(u("\U0001F600abc.txt"), "??*.bak"), u("\U0001F600abc.bak"));
    const QString emoji = u("\U0001F600");
    EXPECT_EQ(WildChange("n." + emoji.repeated(300), "*.*"), "n." + emoji.repeated(255));
}

TEST(WildChange, StarInTheExtensionCopiesAtMost255Characters)
{
    const QString longExtension(300, 'e');
    const QString result = WildChange("n." + longExtension, "*.*");
    EXPECT_EQ(result, "n." + QString(255, 'e'));
}

TEST(TextHelpers, ReplaceCharStripSpacesAndMin)
{
    EXPECT_EQ(ReplaceChar("dir/sub/file.txt", '/', '\\'), "dir\\sub\\file.txt");
    EXPECT_EQ(ReplaceChar("plain.txt", '/', '\\'), "plain.txt");
    EXPECT_EQ(ReplaceChar("", '/', '\\'), "");
    EXPECT_EQ(StripSpaces(" Title  of\tsong "), "Titleof\tsong");
    EXPECT_EQ(StripSpaces("\t\n"), "\t\n");
    EXPECT_EQ(Min(3, -4), -4);
    EXPECT_EQ(Min(-4, 3), -4);
    EXPECT_EQ(Min(7, 7), 7);
}

// The example tree: A holds two files of 100 bytes; B is empty but for C, which holds
// one file of 50 bytes.
class TreeSize : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir.write("top.bin", QByteArray(7, 'x'));
        dir.write("A/one", QByteArray(100, 'a'));
        dir.write("A/two", QByteArray(100, 'b'));
        dir.mkdir("B/C");
        dir.write("B/C/three", QByteArray(50, 'c'));
    }
    TempDir dir;
};

TEST_F(TreeSize, MeasuresTheExampleTree)
{
    EXPECT_EQ(DirectoryTreeSize(dir("A")), 200);
    EXPECT_EQ(DirectoryTreeSize(dir("B/")), 50);
    EXPECT_EQ(DirectoryTreeSize(dir.path()), 257);
    EXPECT_EQ(DirectoryTreeSize(dir.mkdir("empty")), 0);
    EXPECT_EQ(DirectoryTreeSize(dir("missing")), 0);
}

TEST_F(TreeSize, FilesSizeCountsOnlyDirectEntries)
{
    EXPECT_EQ(DirectoryFilesSize(dir.path()), 7);
    EXPECT_EQ(DirectoryFilesSize(dir("B")), 0);
    EXPECT_EQ(DirectoryFilesSize(dir("A/")), 200);
}

TEST_F(TreeSize, SubdirectoriesAreFullPathsWithoutSeparator)
{
    dir.mkdir(".hidden");
    QStringList list{"kept"};
    EXPECT_TRUE(AddSubdirectories(list, dir.path()));
    list.sort();
    EXPECT_EQ(list, QStringList({dir("A"), dir("B"), "kept"}));
    QStringList none;
    EXPECT_TRUE(AddSubdirectories(none, dir("missing")));
    EXPECT_TRUE(none.isEmpty());
}

TEST_F(TreeSize, NamesBeginningWithADotAreSkippedAtEveryLevel)
{
    dir.write("A/.profile", QByteArray(1000, 'p'));
    dir.write("B/C/.cache/big", QByteArray(1000, 'q'));
    dir.write(".config/settings", QByteArray(1000, 'r'));
    EXPECT_EQ(DirectoryTreeSize(dir("A")), 200);
    EXPECT_EQ(DirectoryTreeSize(dir("B")), 50);
    EXPECT_EQ(DirectoryTreeSize(dir.path()), 257);
}

TEST_F(TreeSize, LinkedDirectoriesAreNotFollowed)
{
    // A link back to an ancestor would make the walk endless; a link to a sibling would
    // count the sibling twice.
    ASSERT_TRUE(QFile::link(dir.path(), dir("B/C/up")));
    ASSERT_TRUE(QFile::link(dir("A"), dir("B/alsoA")));
    EXPECT_EQ(DirectoryTreeSize(dir("B")), 50);
    EXPECT_EQ(DirectoryTreeSize(dir.path()), 257);
    QStringList list;
    AddSubdirectories(list, dir("B"));
    EXPECT_EQ(list, QStringList{dir("B/C")});
}

TEST_F(TreeSize, LinkedFilesCountTheirTargetAndStartingLinkIsMeasured)
{
    ASSERT_TRUE(QFile::link(dir("A/one"), dir("B/C/linked")));
    EXPECT_EQ(DirectoryTreeSize(dir("B")), 150);
    ASSERT_TRUE(QFile::link(dir("A"), dir("linkToA")));
    EXPECT_EQ(DirectoryTreeSize(dir("linkToA")), 200);
}

TEST_F(TreeSize, TotalsBeyondTwoGigabytesDoNotWrap)
{
    QFile sparse(dir("B/C/sparse"));
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly));
    const qint64 threeGiB = qint64(3) << 30;
    ASSERT_TRUE(sparse.resize(threeGiB));
    sparse.close();
    EXPECT_EQ(DirectoryTreeSize(dir("B")), threeGiB + 50);
}

} // namespace
