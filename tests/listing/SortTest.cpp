#include "listing/FileListing.h"
#include "listing/SortKeys.h"
#include "platform/FileSystem.h"

#include <QLocale>
#include <QStringList>
#include <gtest/gtest.h>

namespace
{

TFileObject Entry(const QString& name, qint64 size = 0, bool dir = false, double dt = 0)
{
    TFileObject e;
    e.Name = name;
    e.Size = size;
    e.DateTime = dt;
    e.Attr = dir ? platform::faDirectory : platform::faArchive;
    if (ExtractFileExt(name).toUpper() == ".ZIP")
        e.Kind = fkZipFile;
    return e;
}

QStringList Sorted(std::vector<TFileObject> items, quint8 order, bool ascending = true)
{
    QStringList names;
    for (int i : SortedOrder(items, order, ascending))
        names << items[size_t(i)].Name;
    return names;
}

} // namespace

TEST(SortByName, DirectoriesThenArchivesThenFilesIgnoringCase)
{
    const std::vector<TFileObject> items = {Entry("alpha.txt"),     Entry("b.zip"),
                                            Entry("zeta", 0, true), Entry("readme.txt"),
                                            Entry("README"),        Entry("a.txt")};
    EXPECT_EQ(Sorted(items, soName),
              QStringList({"zeta", "b.zip", "a.txt", "alpha.txt", "README", "readme.txt"}));
    // Descending keeps the directories first and reverses the rest.
    EXPECT_EQ(Sorted(items, soName, false),
              QStringList({"zeta", "readme.txt", "README", "alpha.txt", "a.txt", "b.zip"}));
}

TEST(SortByExtension, GroupThenExtensionThenName)
{
    const std::vector<TFileObject> items = {Entry("a.txt"), Entry("b.bat"), Entry("c.bat"),
                                            Entry("dir.txt", 0, true), Entry("..", 0, true)};
    EXPECT_EQ(Sorted(items, soExtension),
              QStringList({"..", "dir.txt", "b.bat", "c.bat", "a.txt"}));
}

TEST(SortBySize, GroupRankPlusSize)
{
    // Directories a (97) of 10 bytes and b (98) of 5 bytes: keys 107 and 103.
    const std::vector<TFileObject> items = {Entry("a", 10, true), Entry("b", 5, true)};
    EXPECT_EQ(Sorted(items, soSize), QStringList({"b", "a"}));
    EXPECT_EQ(GroupRank(items[0]) + items[0].Size, 107);

    // An empty file comes after a directory of 500,000,000 bytes and after every
    // archive smaller than 999,999,000 bytes.
    const std::vector<TFileObject> more = {Entry("empty.txt", 0), Entry("big", 500000000, true),
                                           Entry("x.zip", 999998000)};
    EXPECT_EQ(Sorted(more, soSize), QStringList({"big", "x.zip", "empty.txt"}));
}

TEST(SortBySize, SixtyFourBitKeysDoNotWrap)
{
    const std::vector<TFileObject> items = {Entry("huge.bin", qint64(3) << 30),
                                            Entry("small.bin", 1)};
    EXPECT_EQ(Sorted(items, soSize), QStringList({"small.bin", "huge.bin"}));
}

TEST(SortByDate, DirectoriesShiftedByFirstCharacterBeforeFiles)
{
    const std::vector<TFileObject> items = {Entry("old.txt", 0, false, 100),
                                            Entry("b", 0, true, 40000), Entry("a", 0, true, 40003)};
    // Keys: b = 98 + 40000 = 40098, a = 97 + 40003 = 40100: b first although a is
    // older by name; every file comes after them.
    EXPECT_EQ(Sorted(items, soDateTime), QStringList({"b", "a", "old.txt"}));
}

TEST(Sort, ArchiveParentComesFirstInEveryOrder)
{
    TFileListing l;
    TFileObject archive = Entry("x.zip", 5000);
    l.LoadArchiveMembers({{"zz.txt", 1}, {"aa.txt", 2000000000}, {"!first", 0}}, &archive);
    for (quint8 order : {soName, soSize, soDateTime, soExtension}) {
        l.Sort(order);
        EXPECT_EQ(l[0].Name, "..") << int(order);
    }
}

TEST(Sort, ZeroOrOneEntryAndUnknownOrderDoNothing)
{
    TFileListing l;
    l.Sort(soName);
    EXPECT_EQ(l.Count(), 0);
    l.LoadArchiveMembers({{"b", 1}, {"a", 2}}, nullptr);
    l.Sort(7);
    EXPECT_EQ(l[1].Name, "b");
    l.Sort(soName);
    EXPECT_EQ(l[1].Name, "a");
}

TEST(Sort, NameAndExtensionIgnoreCaseInTheCLocales)
{
    const QLocale previous;
    const std::vector<TFileObject> items = {Entry("LLL"),
                                            Entry("c"),
                                            Entry("Copy of b"),
                                            Entry("b"),
                                            Entry("a"),
                                            Entry("dir with space", 0, true),
                                            Entry("New directory", 0, true),
                                            Entry("B.TXT"),
                                            Entry("a.txt")};
    for (const char* name : {"C", "C.UTF-8", "POSIX"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(name)));
        EXPECT_EQ(Sorted(items, soName),
                  QStringList({"dir with space", "New directory", "a", "a.txt", "b", "B.TXT", "c",
                               "Copy of b", "LLL"}))
            << name;
        EXPECT_EQ(Sorted(items, soExtension),
                  QStringList({"dir with space", "New directory", "a.txt", "B.TXT", "a", "b", "c",
                               "Copy of b", "LLL"}))
            << name;
    }
    QLocale::setDefault(previous);
}

TEST(Sort, DescendingKeepsDirectoriesFirstInEveryOrder)
{
    const std::vector<TFileObject> items = {Entry("b.txt", 1, false, 2), Entry("a", 0, true, 1),
                                            Entry("a.txt", 2, false, 1), Entry("b", 0, true, 2)};
    EXPECT_EQ(Sorted(items, soName, false), QStringList({"b", "a", "b.txt", "a.txt"}));
    EXPECT_EQ(Sorted(items, soExtension, false), QStringList({"b", "a", "b.txt", "a.txt"}));
    EXPECT_EQ(Sorted(items, soSize, false), QStringList({"b", "a", "a.txt", "b.txt"}));
    EXPECT_EQ(Sorted(items, soDateTime, false), QStringList({"b", "a", "b.txt", "a.txt"}));
}

TEST(Sort, NaturalOrderComparesNumbersByValueInEveryLocale)
{
    const QLocale previous;
    const std::vector<TFileObject> items = {Entry("dir10", 0, true), Entry("dir2", 0, true),
                                            Entry("file10.txt"),     Entry("File1.txt"),
                                            Entry("file2.txt"),      Entry("v1234567890"),
                                            Entry("v999999999"),     Entry("v99"),
                                            Entry("v007"),           Entry("v7a")};
    const auto natural = [&items](bool ascending) {
        QStringList names;
        for (int i : SortedOrder(items, soName, ascending, true))
            names << items[size_t(i)].Name;
        return names;
    };
    QLocale::setDefault(QLocale(QLocale::C));
    EXPECT_EQ(Sorted(items, soName),
              QStringList({"dir10", "dir2", "File1.txt", "file10.txt", "file2.txt", "v007",
                           "v1234567890", "v7a", "v99", "v999999999"}));
    for (const QLocale& locale : {QLocale(QLocale::C), QLocale(QLocale::English)}) {
        QLocale::setDefault(locale);
        EXPECT_EQ(natural(true),
                  QStringList({"dir2", "dir10", "File1.txt", "file2.txt", "file10.txt", "v007",
                               "v7a", "v99", "v999999999", "v1234567890"}))
            << locale.name().toStdString();
        EXPECT_EQ(natural(false),
                  QStringList({"dir10", "dir2", "v1234567890", "v999999999", "v99", "v7a", "v007",
                               "file10.txt", "file2.txt", "File1.txt"}))
            << locale.name().toStdString();
    }
    QLocale::setDefault(previous);
}

TEST(Sort, LongAndNonAsciiNamesInTheCLocale)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::C));
    // Names that agree in their first characters are told apart by the rest; the
    // shortest first. In the C locale case-folded code points decide.
    const std::vector<TFileObject> items = {
        Entry("abcdefg"), Entry("abcdefgZ"), Entry("abcdefgA"),         Entry("Ézra"),
        Entry("Zulu"),    Entry("éa"),       Entry("longername-2.txt"), Entry("LongerName-10.txt")};
    EXPECT_EQ(Sorted(items, soName),
              QStringList({"abcdefg", "abcdefgA", "abcdefgZ", "LongerName-10.txt",
                           "longername-2.txt", "Zulu", "éa", "Ézra"}));
    EXPECT_EQ(Sorted(items, soName, false),
              QStringList({"Ézra", "éa", "Zulu", "longername-2.txt", "LongerName-10.txt",
                           "abcdefgZ", "abcdefgA", "abcdefg"}));
    QLocale::setDefault(previous);
}
