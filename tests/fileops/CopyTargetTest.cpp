#include "fileops/CopyTarget.h"
#include "support/TempDir.h"

#include <QDir>
#include <gtest/gtest.h>

TEST(CopyTarget, CountsFilesAndFoldersInTheirSingularAndPlural)
{
    EXPECT_EQ(CountedItems(1, 2), "1 file and 2 folders");
    EXPECT_EQ(CountedItems(3, 1), "3 files and 1 folder");
    EXPECT_EQ(CountedItems(2, 0), "2 files");
    EXPECT_EQ(CountedItems(0, 2), "2 folders");
    EXPECT_EQ(CountedItems(1200, 0), "1,200 files");
}

// What a typed target leads to, in a scratch tree: here/ (the active folder, holding
// file.txt), home/, there/.
TEST(CopyTarget, ATypedTargetIsAFolderANewNameOrAReasonWhyNot)
{
    TempDir dir;
    const QString here = dir.mkdir("here"), home = dir.mkdir("home"), there = dir.mkdir("there");
    dir.write("here/file.txt", "f");
    const auto one = [&](const QString& typed) {
        return ResolveCopyTarget(typed, here, home, true);
    };
    const auto many = [&](const QString& typed) {
        return ResolveCopyTarget(typed, here, home, false);
    };
    const auto is = [](const TCopyTarget& t, TCopyTarget::TKind kind, const QString& folder,
                       const QString& name = {}, bool create = false) {
        return t.Kind == kind && t.Folder == folder && t.Name == name && t.Create == create;
    };
    using T = TCopyTarget;
    // Existing folders, however named.
    EXPECT_TRUE(is(one(there), T::Into, there));
    EXPECT_TRUE(is(one("../there"), T::Into, there));
    EXPECT_TRUE(is(many("../there/."), T::Into, there));
    EXPECT_TRUE(is(one("~"), T::Into, home));
    EXPECT_TRUE(is(one("file://" + there), T::Into, there));
    // A new name for one item, in the folder before it, made when missing.
    EXPECT_TRUE(is(one("new.txt"), T::AsName, here, "new.txt"));
    EXPECT_TRUE(is(one("~/new.txt"), T::AsName, home, "new.txt"));
    EXPECT_TRUE(is(one("file.txt"), T::AsName, here, "file.txt")); // taken: as its own name
    EXPECT_TRUE(is(one("../there/sub/new.txt"), T::AsName, there + "sub/", "new.txt", true));
    // A folder to make: a path ending in "/", or any path for several items.
    EXPECT_TRUE(is(one("../there/sub/"), T::Into, there + "sub/", {}, true));
    EXPECT_TRUE(is(many("new"), T::Into, here + "new/", {}, true));
    EXPECT_TRUE(is(one("new/.."), T::Into, here)); // cleaned as text, as "cd" reads it
    // Why not.
    const auto why = [](const TCopyTarget& t) { return t.Kind == T::Invalid ? t.Why : QString(); };
    EXPECT_EQ(why(one("")), "Type the folder to copy into, or a new name.");
    EXPECT_EQ(why(many("  ")), "Type the folder to copy into.");
    EXPECT_EQ(why(one("http://example.org/x")), "Only a local folder can be the target.");
    EXPECT_EQ(why(one(QStringLiteral("a") + QChar(0) + "b")),
              "A name cannot hold the character NUL.");
    const QString file = QStringLiteral("\"%1file.txt\" is a file, not a folder.").arg(here);
    EXPECT_EQ(why(many("file.txt")), file);
    EXPECT_EQ(why(one("file.txt/")), file);
    EXPECT_EQ(why(one("file.txt/deeper/new.txt")), file);
    EXPECT_EQ(QDir(here).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({"file.txt"})); // nothing made
}

TEST(CopyTarget, MakesEveryMissingLevelOrSaysWhy)
{
    TempDir dir;
    dir.write("file.txt", "f");
    EXPECT_EQ(MakeTargetFolder(dir("a/b/c/")), "");
    EXPECT_TRUE(QDir(dir("a/b/c")).exists());
    EXPECT_EQ(MakeTargetFolder(dir("a/b/c/")), ""); // there already
    EXPECT_FALSE(MakeTargetFolder(dir("file.txt/sub/")).isEmpty());
    EXPECT_EQ(MakeTargetFolder("relative/"), "it is not a full path");
}
