#include "main/FileOpsFixture.h"

#include <QFile>

TEST_F(FileOpsTest, CopyBetweenFoldersNeverOverwritesAndSkipsTheParentRow)
{
    dir.write("left/a.txt", "new");
    dir.write("left/sub/deep.txt", "deep");
    dir.write("right/a.txt", "old");
    Reload();
    Select(sdLeft, {"..", "a.txt", "sub"});
    main->MenuCopyFileClick();
    EXPECT_EQ(readAll(right + "a.txt"), "old");
    EXPECT_EQ(readAll(right + "Copy of a.txt"), "new");
    EXPECT_EQ(readAll(right + "sub/deep.txt"), "deep");
    EXPECT_EQ(readAll(left + "a.txt"), "new");
    EXPECT_FALSE(QFileInfo::exists(right + "left")); // ".." was not copied
    EXPECT_EQ(main->ActivePanel, 1);
    EXPECT_TRUE(Names(sdRight).contains("Copy of a.txt"));
}

TEST_F(FileOpsTest, MoveBetweenFoldersAndNeverIntoItself)
{
    dir.write("left/m.txt", "move me");
    dir.write("left/box/inner.txt", "x");
    Reload();
    Select(sdLeft, {"m.txt"});
    main->MenuMoveFileClick();
    EXPECT_FALSE(QFileInfo::exists(left + "m.txt"));
    EXPECT_EQ(readAll(right + "m.txt"), "move me");

    Open(sdRight, left + "box/"); // the other panel shows a folder inside the selection
    Open(sdLeft, left);
    Select(sdLeft, {"box"});
    main->MenuMoveFileClick();
    EXPECT_EQ(readAll(left + "box/inner.txt"), "x");
    EXPECT_FALSE(QFileInfo::exists(left + "box/box"));
    EXPECT_FALSE(messages.isEmpty());
}

TEST_F(FileOpsTest, NothingGoesOntoTheDriveList)
{
    dir.write("left/a.txt", "a");
    Reload();
    Open(sdRight, "Drives");
    Open(sdLeft, left);
    Select(sdLeft, {"a.txt"});
    Press(Qt::Key_F5);
    Press(Qt::Key_F6);
    EXPECT_EQ(readAll(left + "a.txt"), "a");
    EXPECT_EQ(main->Right().Listing.Count(), 0);
    EXPECT_EQ(messages,
              QStringList({"Nothing was copied: the other panel shows the drive list, which is "
                           "not a folder.",
                           "Nothing was moved: the other panel shows the drive list, which is "
                           "not a folder."}));
}

TEST_F(FileOpsTest, AFileVanishingBeforeTheCopyIsReportedAndTheRestGoesOn)
{
    dir.write("left/gone.txt", "g");
    dir.write("left/kept.txt", "k");
    Reload();
    Select(sdLeft, {"gone.txt", "kept.txt"});
    QFile::remove(left + "gone.txt");
    main->MenuCopyFileClick();
    EXPECT_EQ(readAll(right + "kept.txt"), "k");
    EXPECT_FALSE(QFileInfo::exists(right + "gone.txt"));
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(FileOpsTest, FolderToArchiveAddsBareNamesAndNeverReplacesMembers)
{
    dir.write("right/x.txt", "in archive");
    ASSERT_TRUE(RunZip(right, {"-q", "target.zip", "x.txt"}));
    QFile::remove(right + "x.txt");
    dir.write("left/x.txt", "from disk");
    dir.write("left/y.txt", "yyy");
    dir.mkdir("left/folder");
    Reload();
    OpenArchive(sdRight, "target.zip");
    Select(sdLeft, {"x.txt", "y.txt"});
    main->MenuMoveFileClick();
    EXPECT_EQ(Names(sdRight), QStringList({"..", "x.txt", "y.txt"}));
    EXPECT_EQ(main->Right().Listing[1].Size, 10); // still "in archive"
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("x.txt"));
    EXPECT_EQ(readAll(left + "x.txt"), "from disk"); // not added, so not deleted
    EXPECT_FALSE(QFileInfo::exists(left + "y.txt")); // added and verified, then deleted
    EXPECT_EQ(main->ActivePanel, 1);
}

TEST_F(FileOpsTest, FolderToArchiveWithNothingSelectedSaysSo)
{
    dir.write("right/x.txt", "x");
    ASSERT_TRUE(RunZip(right, {"-q", "t.zip", "x.txt"}));
    Reload();
    OpenArchive(sdRight, "t.zip");
    Select(sdLeft, {});
    main->MenuCopyFileClick();
    EXPECT_EQ(messages, QStringList({"Error - no files to zip"}));
}

TEST_F(FileOpsTest, ArchiveToFolderDropsFoldersAndNeverOverwrites)
{
    dir.write("src/dir/a.txt", "member a");
    dir.write("src/b.txt", "member b");
    ASSERT_TRUE(RunZip(dir("src"), {"-q", "-r", left + "pack.zip", "dir", "b.txt"}));
    dir.write("right/b.txt", "user's own b");
    Reload();
    OpenArchive(sdLeft, "pack.zip");
    Select(sdLeft, {"dir/a.txt", "b.txt"});
    main->MenuMoveFileClick();
    EXPECT_EQ(readAll(right + "a.txt"), "member a");
    EXPECT_EQ(readAll(right + "b.txt"), "user's own b");
    // a.txt arrived and left the archive; b.txt did not arrive and stays.
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "b.txt"}));
    EXPECT_EQ(main->ActivePanel, 2);
}

TEST_F(FileOpsTest, ArchiveParentRowFocusedStillMeansMembers)
{
    dir.write("src/same.txt", "member");
    ASSERT_TRUE(RunZip(dir("src"), {"-q", left + "p.zip", "same.txt"}));
    dir.write("left/same.txt", "disk file beside the archive");
    Reload();
    OpenArchive(sdLeft, "p.zip");
    Select(sdLeft, {"same.txt"});
    main->Left().Files->FocusItem(0); // ".." has the focus
    main->Left().Files->SetItemSelected(Row(sdLeft, "same.txt"), true);
    main->Left().Files->SetItemSelected(0, false);
    main->MenuMoveFileClick();
    EXPECT_EQ(readAll(right + "same.txt"), "member");
    EXPECT_EQ(readAll(left + "same.txt"), "disk file beside the archive");
}

TEST_F(FileOpsTest, ArchiveToArchiveThroughAPrivateFolder)
{
    dir.write("src/f/one.txt", "1");
    dir.write("src/two.txt", "22");
    QProcess zip;
    zip.setWorkingDirectory(dir("src"));
    zip.start("zip", {"-q", "-r", left + "from.zip", "f", "two.txt"});
    ASSERT_TRUE(zip.waitForFinished());
    zip.start("zip", {"-q", right + "to.zip", "two.txt"});
    ASSERT_TRUE(zip.waitForFinished());
    const QStringList tempBefore =
        QDir(QDir::tempPath(), "TRVX-*", QDir::Name, QDir::Dirs | QDir::CaseSensitive).entryList();
    Reload();
    OpenArchive(sdRight, "to.zip");
    OpenArchive(sdLeft, "from.zip");
    Select(sdLeft, {"f/one.txt", "two.txt"});
    main->MenuMoveFileClick();
    EXPECT_EQ(Names(sdRight), QStringList({"..", "one.txt", "two.txt"}));
    // two.txt was already in the target: not added, so not taken from the source.
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "two.txt"}));
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(
        QDir(QDir::tempPath(), "TRVX-*", QDir::Name, QDir::Dirs | QDir::CaseSensitive).entryList(),
        tempBefore);
    EXPECT_EQ(main->ActivePanel, 1);
}
