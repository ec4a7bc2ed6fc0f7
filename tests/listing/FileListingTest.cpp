#include "listing/FileListing.h"
#include "platform/FileOpsFaults.h"
#include "platform/FileSystem.h"
#include "support/TempDir.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/time.h>

namespace
{

const TFileObject* Find(const TFileListing& l, const QString& name)
{
    for (int i = 0; i < l.Count(); ++i)
        if (l[i].Name == name)
            return &l[i];
    return nullptr;
}

// The day count of `t` built from localtime_r's calendar fields, to the second.
double LocalDayCount(time_t t)
{
    struct tm local {
    };
    localtime_r(&t, &local);
    const QDate date(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    const int seconds = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    return double(QDate(1899, 12, 30).daysTo(date)) + seconds / 86400.0;
}

} // namespace

TEST(ReadDirectory, ListsEverythingButDotWithKindsAndTotals)
{
    TempDir dir;
    dir.write("a.txt", QByteArray(1000, 'x'));
    dir.write(".hidden", QByteArray(10, 'x'));
    dir.write("DATA.ZIP", QByteArray(5, 'x'));
    dir.write("data.zip", QByteArray(5, 'x'));
    dir.write("Data.Zip", QByteArray(5, 'x'));
    dir.write("data.zipx", QByteArray(5, 'x'));
    dir.mkdir("sub.zip");

    TFileListing l;
    EXPECT_EQ(l.ReadDirectory(dir.path()), 8);
    EXPECT_EQ(l.FileCount, 7); // ".." is no object
    EXPECT_EQ(l.TotalSize, 1000 + 10 + 5 * 4);
    EXPECT_EQ(l.Directory, dir.path());
    EXPECT_EQ(Find(l, "."), nullptr);
    ASSERT_NE(Find(l, ".."), nullptr);
    EXPECT_TRUE(Find(l, "..")->IsDirectory());
    for (const char* zip : {"DATA.ZIP", "data.zip", "Data.Zip"})
        EXPECT_EQ(Find(l, zip)->Kind, fkZipFile) << zip;
    EXPECT_EQ(Find(l, "data.zipx")->Kind, fkDisk);
    // A directory with a .zip extension has both the directory bit and Kind 2.
    EXPECT_TRUE(Find(l, "sub.zip")->IsDirectory());
    EXPECT_EQ(Find(l, "sub.zip")->Kind, fkZipFile);
    EXPECT_EQ(Find(l, ".hidden")->Attr, platform::faHidden | platform::faArchive);
    EXPECT_EQ(Find(l, "a.txt")->ImageIndex, 0);
}

TEST(ReadDirectory, RootHasNoParentEntry)
{
    TFileListing l;
    l.ReadDirectory("/");
    EXPECT_EQ(Find(l, ".."), nullptr);
    EXPECT_EQ(Find(l, "."), nullptr);
    EXPECT_GT(l.Count(), 0);
}

TEST(ReadDirectory, UnreadableOrRelativeGivesEmptyListing)
{
    TempDir dir;
    dir.write("Drives/x.txt", "abc"); // a relative "Drives" must never be read
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    TFileListing l;
    l.TotalSize = 99;
    EXPECT_EQ(l.ReadDirectory("Drives"), 0);
    EXPECT_EQ(l.TotalSize, 0);
    EXPECT_EQ(l.ReadDirectory(dir("missing/")), 0);
    EXPECT_EQ(l.Count(), 0);
    QDir::setCurrent(old);
}

TEST(ReadDirectory, LinksFollowedAndDanglingLinksListed)
{
    TempDir dir;
    dir.write("target/f.txt", "12345");
    dir.write("file.txt", QByteArray(300, 'y'));
    ASSERT_TRUE(QFile::link(dir("target"), dir("dirlink")));
    ASSERT_TRUE(QFile::link(dir("file.txt"), dir("filelink")));
    ASSERT_TRUE(QFile::link(dir("nowhere"), dir("dangling")));
    TFileListing l;
    l.ReadDirectory(dir.path());
    EXPECT_TRUE(Find(l, "dirlink")->IsDirectory());
    EXPECT_EQ(Find(l, "filelink")->Size, 300);
    ASSERT_NE(Find(l, "dangling"), nullptr);
    EXPECT_FALSE(Find(l, "dangling")->IsDirectory());
}

TEST(ReadDirectory, SizesAreSixtyFourBit)
{
    TempDir dir;
    QFile f(dir.write("big.bin"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.resize(qint64(5) << 30)); // sparse 5 GiB
    f.close();
    TFileListing l;
    l.ReadDirectory(dir.path());
    EXPECT_EQ(Find(l, "big.bin")->Size, qint64(5) << 30);
    EXPECT_EQ(l.TotalSize, qint64(5) << 30);
}

TEST(DayCount, OwnSecondsInLocalDayCount)
{
    qputenv("TZ", "UTC");
    tzset();
    EXPECT_DOUBLE_EQ(platform::ToDayCount(0), 25569.0);
    // 2000-01-01 12:00:01 UTC keeps its odd second.
    EXPECT_DOUBLE_EQ(platform::ToDayCount(946728001), 36526.5 + 1.0 / 86400);
    EXPECT_DOUBLE_EQ(platform::ToDayCount(946728003), 36526.5 + 3.0 / 86400);
    qputenv("TZ", "EST5");
    tzset();
    EXPECT_DOUBLE_EQ(platform::ToDayCount(946728000), 36526.5 - 5.0 / 24);
    qunsetenv("TZ");
    tzset();
}

TEST(DayCount, EqualsLocaltimeAcrossTransitionsOffTheHour)
{
    // Half-hour daylight-saving changes, a half-hour offset, and a change at 00:44:30 UTC.
    const struct {
        const char* zone;
        time_t from, to;
    } spans[] = {{"America/St_Johns", 1672531200, 1704067200},    // 2023
                 {"Australia/Lord_Howe", 1672531200, 1704067200}, // 2023
                 {"Africa/Monrovia", 63072000 - 86400, 63072000 + 86400 * 7}};
    for (const auto& span : spans) {
        qputenv("TZ", span.zone);
        tzset();
        int wrong = 0;
        for (time_t t = span.from; t < span.to && wrong < 3; t += 251)
            if (platform::ToDayCount(t) != LocalDayCount(t)) {
                ADD_FAILURE() << span.zone << " at " << t;
                ++wrong;
            }
    }
    // 2023-03-12 05:45 UTC in St. John's is 03:15 local time.
    qputenv("TZ", "America/St_Johns");
    tzset();
    EXPECT_DOUBLE_EQ(platform::ToDayCount(1678599900),
                     double(QDate(1899, 12, 30).daysTo(QDate(2023, 3, 12))) + 3.25 / 24);
    qunsetenv("TZ");
    tzset();
}

TEST(FormatSize, UsesThousandsSeparator)
{
    EXPECT_EQ(FormatSize(0), "0");
    EXPECT_EQ(FormatSize(1000), "1,000");
    EXPECT_EQ(FormatSize(1234567), "1,234,567");
    EXPECT_EQ(FormatSize(qint64(5) << 30), "5,368,709,120");
    EXPECT_EQ(FormatSize(-1), "-1");
}

TEST(Paths, AddSeparatorAndExtension)
{
    EXPECT_EQ(AddSeparator("/home"), "/home/");
    EXPECT_EQ(AddSeparator("/"), "/");
    EXPECT_EQ(ExtractFileExt("archive.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFileExt("README"), "");
    EXPECT_EQ(ExtractFileExt(".profile"), ".profile");
    EXPECT_EQ(ExtractFileExt("dir.d/file"), "");
    EXPECT_EQ(ExtractFileExt("a:b"), "");
    EXPECT_EQ(ExtractFileExt(".."), ".");
}

TEST(ArchiveListing, ParentFirstMembersFlatDirectoriesSkipped)
{
    TFileListing l;
    l.Directory = "/save/";
    l.ReadDirectory("/nonexistent-dir/");
    TFileObject archive;
    archive.Name = "backup.zip";
    archive.Size = 4321;
    archive.DateTime = 40000.5;
    archive.Attr = platform::faArchive;
    archive.Kind = fkZipFile;
    const std::vector<TArchiveMember> members = {
        {"dir/", 0}, {"dir/a.txt", 100, 45000.25}, {"b.txt", 23, 46000.5}, {"win\\", 0}};
    l.LoadArchiveMembers(members, &archive);
    l.Sort(soName);
    ASSERT_EQ(l.Count(), 3);
    EXPECT_EQ(l[0].Name, "..");
    EXPECT_EQ(l[0].Kind, fkZipFile);
    EXPECT_EQ(l[0].Size, 4321);
    EXPECT_EQ(l[0].Attr, platform::faArchive);
    // The top of the archive: its folder "dir" (a folder row), then b.txt.
    EXPECT_EQ(l[1].Name, "dir");
    EXPECT_TRUE(l[1].IsDirectory());
    EXPECT_EQ(l[1].Kind, fkZipMember);
    EXPECT_EQ(l[2].Name, "b.txt");
    EXPECT_EQ(l[2].Kind, fkZipMember);
    EXPECT_EQ(l[2].DateTime, 46000.5); // the member's own date and time
    EXPECT_EQ(l.FileCount, 2);         // the rows, not ".."
    EXPECT_EQ(l.TotalSize, 23);
    EXPECT_EQ(l.Directory, "/nonexistent-dir/");
    EXPECT_TRUE(l.IsArchiveListing());
    l.Sort(soDateTime);
    EXPECT_EQ(l[1].Name, "dir"); // folders first in every order
}

TEST(ArchiveListing, ArchiveEntryMayBeARowOfTheSameListing)
{
    TempDir dir;
    dir.write("x.zip", QByteArray(77, 'z'));
    TFileListing l;
    l.ReadDirectory(dir.path());
    int row = 0;
    while (l[row].Name != "x.zip")
        ++row;
    l.LoadArchiveMembers({{"m.txt", 5}}, &l[row]);
    EXPECT_EQ(l[0].Size, 77);
    l.LoadArchiveMembers({}, nullptr);
    EXPECT_EQ(l.Count(), 1);
    EXPECT_EQ(l[0].Size, 0);
}

// Makes `count` files in `folder`, some empty, the others of a few bytes.
static void MakeLargeFolder(const TempDir& dir, const QString& folder, int count)
{
    dir.mkdir(folder);
    for (int i = 0; i < count; ++i) {
        QFile f(dir(QStringLiteral("%1/f%2.txt").arg(folder).arg(i)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(i % 3 ? 0 : i % 50, 'x'));
    }
}

TEST(ReadDirectory, SecondReadOfALargeFolderMatchesTheDiskAndSeesChanges)
{
    // Large enough for a read right after another of the same folder to take its entries.
    // The folder lies in one of its own, so that its ".." row is no other program's.
    TempDir dir;
    MakeLargeFolder(dir, "big", 10050);
    const QString big = dir("big/");
    dir.mkdir("big/sub");
    TFileListing first, second, third;
    first.ReadDirectory(big);
    for (int i = 0; i < first.Count(); ++i) {
        first[i].ImageIndex = 7; // the panel painted the row
        if (first[i].IsDirectory())
            first[i].Size = 12345; // and measured the folder: neither is what the disk says
    }
    first.Sort(soName);
    // The parent changes meanwhile: the copy kept of the folder's rows must not say the
    // parent's old date (one of 2001, far from the run's).
    const struct timeval old[2] = {{978350400, 0}, {978350400, 0}};
    ASSERT_EQ(::utimes(dir.path().toLocal8Bit().constData(), old), 0);
    second.ReadDirectory(big);
    third.ReadDirectory(big); // from the disk again
    ASSERT_EQ(second.Count(), third.Count());
    EXPECT_EQ(second.TotalSize, third.TotalSize);
    for (int i = 0; i < third.Count(); ++i) {
        // The same rows in the same order, so that ties sort as after any read.
        ASSERT_EQ(second[i].Name, third[i].Name) << i;
        EXPECT_EQ(second[i].Size, third[i].Size) << i;
        EXPECT_EQ(second[i].DateTime, third[i].DateTime) << i;
        EXPECT_EQ(second[i].Attr, third[i].Attr) << i;
        EXPECT_EQ(second[i].Kind, third[i].Kind) << i;
        EXPECT_EQ(second[i].ImageIndex, 0) << i;
    }
    ASSERT_NE(Find(second, ".."), nullptr);
    EXPECT_EQ(Find(second, "..")->DateTime, platform::ToDayCount(978350400));
    // A name added after a read is in the next one.
    TempDir other;
    first.ReadDirectory(other.path());
    first.ReadDirectory(big);
    first.Sort(soSize);
    dir.write("big/added.txt", "abc");
    second.ReadDirectory(big);
    EXPECT_EQ(second.Count(), first.Count() + 1);
    EXPECT_NE(Find(second, "added.txt"), nullptr);
}

// Both panels on one large folder: the second takes the first's entries and, sorted the
// same way, its order; sorted another way, an order of its own. Either must be the order
// a read from the disk gets.
TEST(ReadDirectory, ASecondReadSortsTheTakenEntriesAsAFreshReadWould)
{
    TempDir dir;
    const auto names = [](const TFileListing& l) {
        QStringList list;
        for (int i = 0; i < l.Count(); ++i)
            list << l[i].Name;
        return list;
    };
    for (const auto& [order, ascending] :
         {std::pair{soName, true}, std::pair{soSize, true}, std::pair{soName, false}}) {
        // A folder of its own each time: the fresh read below keeps its entries too.
        const QString folder = QStringLiteral("big%1%2").arg(order).arg(ascending);
        MakeLargeFolder(dir, folder, 10050);
        const QString big = dir(folder + '/');
        TFileListing first, second, fresh;
        first.ReadDirectory(big);
        first.Sort(soName);
        second.ReadDirectory(big); // takes the first's entries
        second.Sort(order, ascending);
        fresh.ReadDirectory(big); // nothing kept any more: from the disk
        fresh.Sort(order, ascending);
        EXPECT_EQ(names(second), names(fresh)) << int(order) << ascending;
    }
}

// A folder whose names stop midway (the fault hook fails a readdir with EIO): the entries
// read are listed with the reason, and that listing is never handed to the next read.
TEST(ReadDirectory, AFolderReadOnlyInPartSaysWhyAndIsNeverKept)
{
    TempDir dir;
    MakeLargeFolder(dir, "big", 10050);
    const QString big = dir("big/");
    int calls = 0;
    platform::SetFileOpsFaultHook([&calls](platform::TFileOpsStep step, const QString&) {
        return step == platform::TFileOpsStep::DirectoryEntry && ++calls > 10020 ? EIO : 0;
    });
    TFileListing partial, next;
    partial.ReadDirectory(big);
    platform::SetFileOpsFaultHook({});
    EXPECT_EQ(partial.ReadError, EIO);
    EXPECT_EQ(partial.OpenError, 0);
    // 10,020 names were read; "." is no entry, ".." may be among them.
    EXPECT_GE(partial.Count(), 10018);
    EXPECT_LE(partial.Count(), 10020);
    partial.Sort(soName);
    next.ReadDirectory(big);
    EXPECT_EQ(next.Count(), 10051);
    EXPECT_EQ(next.ReadError, 0);

    // A folder that cannot be opened: nothing, and why.
    platform::SetFileOpsFaultHook([](platform::TFileOpsStep step, const QString&) {
        return step == platform::TFileOpsStep::OpenDirectory ? EACCES : 0;
    });
    next.ReadDirectory(big);
    platform::SetFileOpsFaultHook({});
    EXPECT_EQ(next.Count(), 0);
    EXPECT_EQ(next.OpenError, EACCES);
}

TEST(Sort, ParentRowLeadsInEveryOrderAndDirection)
{
    TempDir dir;
    // Names that sort before ".." by their characters, sizes and dates.
    dir.mkdir("sub/-dashdir");
    dir.mkdir("sub/#hash");
    dir.write("sub/!bang.txt", "x");
    dir.write("sub/+big", QByteArray(5000, 'x'));
    TFileListing l;
    ASSERT_EQ(l.ReadDirectory(dir("sub/")), 5);
    for (quint8 order : {soName, soExtension, soSize, soDateTime})
        for (bool ascending : {true, false}) {
            l.Sort(order, ascending);
            EXPECT_EQ(l[0].Name, "..") << int(order) << ascending;
            EXPECT_EQ(l.Count(), 5);
        }
}

TEST(NameSplit, TheLastExtensionOnlyAndNoneForADotThatBeginsAName)
{
    const struct {
        const char* name;
        const char* stem;
        const char* ext;
    } cases[] = {{"report.v1.txt", "report.v1", ".txt"},
                 {"tree.tar.gz", "tree.tar", ".gz"},
                 {".hidden", ".hidden", ""},
                 {".config.bak", ".config", ".bak"},
                 {"README", "README", ""},
                 {"dir.d/file", "dir.d/file", ""},
                 {"dir/.rc", "dir/.rc", ""},
                 {"a.", "a", "."}};
    for (const auto& c : cases) {
        EXPECT_EQ(NameStem(c.name), c.stem) << c.name;
        EXPECT_EQ(NameExtension(c.name), c.ext) << c.name;
    }
}

TEST(LoadDrives, OneDirectoryRowPerRootWithItsFreeSpace)
{
    TempDir dir;
    TFileListing l;
    l.LoadDrives({"/", dir.path()});
    ASSERT_EQ(l.Count(), 2);
    EXPECT_EQ(l.Directory, "Drives");
    EXPECT_EQ(l.FileCount, 2);
    EXPECT_EQ(l[1].Name, dir.path());
    EXPECT_EQ(l[1].Kind, fkDrive);
    EXPECT_TRUE(l[1].IsDirectory());
    EXPECT_GT(l[0].Size, 0); // the root file system has room left
}
