#include "listing/ArchiveFolders.h"

#include <gtest/gtest.h>

namespace
{

QStringList RowNames(const TArchiveFolders& folders, const QString& folder)
{
    QStringList names;
    for (const TFileObject& e : folders.Rows(folder))
        names << (e.IsDirectory() ? e.Name + '/' : e.Name);
    names.sort();
    return names;
}

} // namespace

TEST(ArchiveFolders, FolderMembersAndImpliedFoldersAreFolders)
{
    // "a/" has a member of its own (with a date); "a/b/" and "c/" are only implied.
    const TArchiveFolders folders(
        {{"a/", 0, 45000.5}, {"a/b/c.txt", 3}, {"a/d.txt", 4}, {"c/e.txt", 5}, {"top.txt", 6}});
    EXPECT_EQ(RowNames(folders, ""), QStringList({"a/", "c/", "top.txt"}));
    EXPECT_EQ(RowNames(folders, "a/"), QStringList({"a/b/", "a/d.txt"}));
    EXPECT_EQ(RowNames(folders, "a/b/"), QStringList({"a/b/c.txt"}));
    EXPECT_TRUE(folders.Rows("b/").empty());
    for (const TFileObject& e : folders.Rows(""))
        if (e.Name == "a")
            EXPECT_EQ(e.DateTime, 45000.5);
    QStringList below = folders.NamesBelow("a/");
    below.sort();
    EXPECT_EQ(below, QStringList({"a/", "a/b/c.txt", "a/d.txt"}));
    EXPECT_EQ(folders.NearestFolder("a/b/gone/"), "a/b/");
    EXPECT_EQ(folders.NearestFolder("gone/x/"), "");
    EXPECT_EQ(ShownMemberName("a/b/c.txt"), "c.txt");
    EXPECT_EQ(ShownMemberName("a/b"), "b");
}

TEST(ArchiveFolders, LeadingDotSlashOfTarIsNoFolder)
{
    const TArchiveFolders folders({{"./", 0}, {"./sub/", 0}, {"./sub/x.txt", 2}, {"./y.txt", 1}});
    EXPECT_EQ(RowNames(folders, ""), QStringList({"./y.txt", "sub/"}));
    EXPECT_EQ(RowNames(folders, "sub/"), QStringList({"./sub/x.txt"}));
    EXPECT_EQ(ShownMemberName("./y.txt"), "y.txt");
    EXPECT_EQ(folders.NamesBelow("sub/"), QStringList({"./sub/", "./sub/x.txt"}));
}

TEST(ArchiveFolders, NamesThatLeadOutsideMakeNoFolder)
{
    const TArchiveFolders folders(
        {{"../x", 1}, {"a/../../y", 2}, {"/etc/z", 3}, {"b/./c", 4}, {"d//e", 5}, {"ok/f", 6}});
    // Each stays one row at the top, under its whole name; only "ok" is a folder.
    EXPECT_EQ(RowNames(folders, ""),
              QStringList({"../x", "/etc/z", "a/../../y", "b/./c", "d//e", "ok/"}));
    for (const QString& folder : {"../", "a/", "a/../", "/", "/etc/", "b/", "d/"})
        EXPECT_FALSE(folders.HasFolder(folder)) << folder.toStdString();
    EXPECT_EQ(ShownMemberName("a/../../y"), "a/../../y");
    EXPECT_EQ(ShownMemberName("../x"), "../x");
    EXPECT_EQ(folders.NearestFolder("a/../"), "");
}
