#include "main/FileOpsFixture.h"
#include "platform/FileOpsFaults.h"
#include "platform/TempFolder.h"
#include "platform/base/OwnerTag.h"

#include <QFile>
#include <QScopeGuard>
#include <QThread>
#include <functional>

namespace
{

// This process's private folders in the system's temporary folder (others' come and go).
QStringList OwnPrivateFolders()
{
    const QString pattern =
        QStringLiteral("TRVX-%1-*").arg(QString::fromStdString(trvxbase::OwnerTag()));
    return QDir(QDir::tempPath(), pattern, QDir::Name, QDir::Dirs | QDir::CaseSensitive)
        .entryList();
}

// Writes `bytes` over the file `path`.
void Rewrite(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace

TEST_F(FileOpsTest, CopyBetweenFoldersNeverOverwritesAndSkipsTheParentRow)
{
    dir.write("left/a.txt", "new");
    dir.write("left/sub/deep.txt", "deep");
    dir.write("right/a.txt", "old");
    Reload();
    Select(sdLeft, {"..", "a.txt", "sub"});
    AnswerTakenName(&TfCollision::ButtonRename); // the name it suggests
    main->MenuCopyFileClick();
    EXPECT_EQ(readAll(right + "a.txt"), "old");
    EXPECT_EQ(readAll(right + "a (2).txt"), "new");
    EXPECT_EQ(readAll(right + "sub/deep.txt"), "deep");
    EXPECT_EQ(readAll(left + "a.txt"), "new");
    EXPECT_FALSE(QFileInfo::exists(right + "left")); // ".." was not copied
    EXPECT_EQ(main->ActivePanel, 1);
    EXPECT_TRUE(Names(sdRight).contains("a (2).txt"));
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
    EXPECT_EQ(main->Right().Listing.Count(), main->LogicalDrives.size()); // the drives alone
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
    ASSERT_TRUE(ArchiveWithOneMember(right, "target.zip"));
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

    // A file that changes after the archive was written (same size, other bytes) is not
    // what the archive holds: it stays.
    dir.write("left/z.txt", "zzz");
    Reload();
    OpenArchive(sdRight, "target.zip");
    main->Right().Zip->OnProgress = [&](QObject*, ProgressType type, const QString&, qint64) {
        if (type == ptBatchEnd)
            dir.write("left/z.txt", "ZZZ");
    };
    messages.clear();
    Select(sdLeft, {"z.txt"});
    main->MenuMoveFileClick();
    main->Right().Zip->OnProgress = nullptr;
    EXPECT_EQ(readAll(left + "z.txt"), "ZZZ");
    EXPECT_TRUE(Names(sdRight).contains("z.txt"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("z.txt: not moved")) << messages[0].toStdString();
}

TEST_F(FileOpsTest, FolderToArchiveWithNothingSelectedSaysSo)
{
    dir.write("right/x.txt", "x");
    ASSERT_TRUE(RunZip(right, {"-q", "t.zip", "x.txt"}));
    Reload();
    OpenArchive(sdRight, "t.zip");
    Select(sdLeft, {});
    main->MenuCopyFileClick();
    EXPECT_EQ(messages, QStringList({"Nothing was copied into t.zip: no file or folder is "
                                     "selected, and \"..\" is never copied"}));
}

TEST_F(FileOpsTest, ArchiveToFolderDropsFoldersAndNeverOverwrites)
{
    dir.write("src/dir/a.txt", "member a");
    dir.write("src/b.txt", "member b");
    ASSERT_TRUE(RunZip(dir("src"), {"-q", "-r", left + "pack.zip", "dir", "b.txt"}));
    dir.write("right/b.txt", "user's own b");
    Reload();
    OpenArchive(sdLeft, "pack.zip");
    DoubleClick(sdLeft, "dir"); // a.txt lies in the archive's folder dir
    Select(sdLeft, {"dir/a.txt"});
    main->MenuMoveFileClick();
    DoubleClick(sdLeft, "..");
    Select(sdLeft, {"b.txt"});
    AnswerTakenName(&TfCollision::ButtonSkip);
    main->MenuMoveFileClick();
    EXPECT_EQ(readAll(right + "a.txt"), "member a");
    EXPECT_EQ(readAll(right + "b.txt"), "user's own b");
    // a.txt arrived and left the archive; b.txt was skipped when its name was found taken
    // and stays.
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "dir", "b.txt"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(main->ActivePanel, 1); // the panel of the command
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
    const QStringList tempBefore = OwnPrivateFolders();
    Reload();
    OpenArchive(sdRight, "to.zip");
    OpenArchive(sdLeft, "from.zip");
    DoubleClick(sdLeft, "f"); // one.txt lies in the archive's folder f
    Select(sdLeft, {"f/one.txt"});
    main->MenuMoveFileClick();
    DoubleClick(sdLeft, "..");
    Select(sdLeft, {"two.txt"});
    main->MenuMoveFileClick();
    EXPECT_EQ(Names(sdRight), QStringList({"..", "one.txt", "two.txt"}));
    // two.txt was already in the target: not added, so not taken from the source.
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "f", "two.txt"}));
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(OwnPrivateFolders(), tempBefore);
    EXPECT_EQ(main->ActivePanel, 1);
}

namespace
{

QStringList FolderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

} // namespace

TEST_F(FileOpsTest, MembersWhoseNamesReadLikePatternsTravelAlone)
{
    const QStringList names = {"photo [1].jpg", "photo 1.jpg",     "what?.txt",
                               "whatX.txt",     "back\\slash.txt", "back/slash.txt"};
    for (const QString& name : names)
        dir.write("src/" + name, "content of " + name.toUtf8());
    ASSERT_TRUE(RunZip(dir("src"), QStringList{"-q", left + "pack.zip"} + names));
    ASSERT_TRUE(RunZip(dir("src"), {"-q", right + "to.zip", "whatX.txt"}));
    Reload();
    OpenArchive(sdLeft, "pack.zip");
    Select(sdLeft, {"photo [1].jpg"});
    main->MenuCopyFileClick();
    EXPECT_EQ(FolderEntries(right), QStringList({"photo [1].jpg", "to.zip"}));
    EXPECT_EQ(readAll(right + "photo [1].jpg"), "content of photo [1].jpg");

    Select(sdLeft, {"what?.txt", "back\\slash.txt"});
    main->MenuMoveFileClick();
    EXPECT_EQ(FolderEntries(right),
              QStringList({"photo [1].jpg", "slash.txt", "to.zip", "what?.txt"}));
    EXPECT_EQ(readAll(right + "slash.txt"), "content of back\\slash.txt");
    EXPECT_EQ(Names(sdLeft),
              QStringList({"..", "back", "photo [1].jpg", "photo 1.jpg", "whatX.txt"}));

    OpenArchive(sdRight, "to.zip");
    Select(sdLeft, {"photo [1].jpg"});
    main->MenuMoveFileClick();
    EXPECT_EQ(Names(sdRight), QStringList({"..", "photo [1].jpg", "whatX.txt"}));
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "back", "photo 1.jpg", "whatX.txt"}));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(FileOpsTest, AnArchivePanelWithNoMemberSelectedCopiesMovesAndDeletesNothing)
{
    dir.write("src/a.txt", "a");
    dir.write("src/b.txt", "b");
    ASSERT_TRUE(RunZip(dir("src"), {"-q", left + "p.zip", "a.txt", "b.txt"}));
    ASSERT_TRUE(RunZip(dir("src"), {"-q", right + "q.zip", "a.txt"}));
    Reload();
    OpenArchive(sdLeft, "p.zip");
    main->FilesEnter(sdLeft);
    const QByteArray archive = readAll(left + "p.zip");
    ASSERT_EQ(main->Left().Files->SelectedRows(), std::vector<int>({0})); // ".." alone
    // Nothing is recorded either: Undo still takes back the command before, which a move
    // that cannot be undone would hide.
    const QString undo = main->Actions.MenuUndo->text();
    QWidget* list = main->Left().Files->ActiveView();
    QTest::keyClick(list, Qt::Key_F5);
    QTest::keyClick(list, Qt::Key_F6);
    main->FilesMouseMove(sdRight, Qt::LeftButton, Qt::NoModifier); // a drop moves
    main->FilesMouseUp(sdRight);
    main->FilesEnter(sdLeft);
    EXPECT_EQ(FolderEntries(right), QStringList({"q.zip"}));
    EXPECT_EQ(main->Actions.MenuUndo->text(), undo);
    bool asked = false;
    QTimer::singleShot(300, [&asked] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            asked = true;
            d->done(1);
        }
    });
    QTest::keyClick(list, Qt::Key_F8);
    QTest::qWait(400);
    EXPECT_FALSE(asked);
    EXPECT_EQ(readAll(left + "p.zip"), archive);
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "a.txt", "b.txt"}));

    // The same between two archives.
    const QByteArray target = readAll(right + "q.zip");
    OpenArchive(sdRight, "q.zip");
    main->FilesEnter(sdLeft);
    QTest::keyClick(list, Qt::Key_F6);
    EXPECT_EQ(readAll(right + "q.zip"), target);
    EXPECT_EQ(readAll(left + "p.zip"), archive);
    EXPECT_EQ(main->Actions.MenuUndo->text(), undo);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(FileOpsTest, AMoveOutOfAnArchiveDeletesOnlyMembersWhoseContentArrived)
{
    // Both members in the folder shown: a backslash makes no folder of the panel, but the
    // extraction writes the part after it.
    dir.write("src/b\\x.txt", "BBBB");
    dir.write("src/a\\x.txt", "AAAA");
    dir.write("src/y.txt", "YYYY");
    ASSERT_TRUE(RunZip(dir("src"), {"-q", left + "p.zip", "b\\x.txt", "a\\x.txt", "y.txt"}));
    ASSERT_TRUE(QFile::copy(left + "p.zip", left + "p2.zip"));
    const QString other = dir.mkdir("other");
    dir.write("src/z.txt", "z");
    ASSERT_TRUE(RunZip(dir("src"), {"-q", other + "to.zip", "z.txt"}));
    Reload();
    OpenArchive(sdLeft, "p.zip");

    // Only one x.txt can arrive; the member that stays is the one whose content did not.
    const auto check = [&](const QString& archive, const QByteArray& arrived) {
        const QStringList kept = Names(sdLeft).filter("x.txt");
        ASSERT_EQ(kept.size(), 1);
        EXPECT_TRUE(arrived == "AAAA" || arrived == "BBBB") << arrived.toStdString();
        EXPECT_NE(MemberContent(archive, QString(kept[0]).replace("\\", "\\\\")), arrived);
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith(kept[0] + ": not moved, ")) << messages[0].toStdString();
        messages.clear();
    };
    Select(sdLeft, {"a\\x.txt", "b\\x.txt"});
    main->MenuMoveFileClick();
    check(left + "p.zip", readAll(right + "x.txt"));

    // Archive to archive: the target archive's x.txt decides.
    Open(sdRight, other);
    OpenArchive(sdRight, "to.zip");
    Open(sdLeft, left);
    OpenArchive(sdLeft, "p2.zip");
    Select(sdLeft, {"a\\x.txt", "b\\x.txt"});
    main->MenuMoveFileClick();
    check(left + "p2.zip", MemberContent(other + "to.zip", "x.txt"));

    // A file of the same size that another program puts in the member's place meanwhile
    // is not the member's content: the member stays.
    Open(sdRight, right);
    Open(sdLeft, left);
    OpenArchive(sdLeft, "p.zip");
    platform::SetFileOpsFaultHook([&](platform::TFileOpsStep step, const QString& path) {
        if (step == platform::TFileOpsStep::CopiesArrived && path == right)
            dir.write("right/y.txt", "1234");
        return 0;
    });
    Select(sdLeft, {"y.txt"});
    main->MenuMoveFileClick();
    platform::SetFileOpsFaultHook({});
    EXPECT_EQ(readAll(right + "y.txt"), "1234");
    EXPECT_TRUE(Names(sdLeft).contains("y.txt"));
    EXPECT_EQ(MemberContent(left + "p.zip", "y.txt"), "YYYY");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("y.txt: not moved")) << messages[0].toStdString();
}

TEST_F(FileOpsTest, ExtractionIntoAFolderThatVanishedWritesNothingAnywhere)
{
    dir.write("src/m.txt", "member");
    ASSERT_TRUE(RunZip(dir("src"), {"-q", left + "p.zip", "m.txt"}));
    Reload();
    OpenArchive(sdLeft, "p.zip");
    const QByteArray archive = readAll(left + "p.zip");
    ASSERT_TRUE(QDir(right).removeRecursively());
    const QString here = dir.mkdir("here");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(here);
    Select(sdLeft, {"m.txt"});
    main->MenuCopyFileClick();
    main->MenuMoveFileClick();
    QDir::setCurrent(previous);
    EXPECT_EQ(FolderEntries(here), QStringList());
    EXPECT_FALSE(QFileInfo::exists(right));
    EXPECT_EQ(readAll(left + "p.zip"), archive);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].contains(right)) << messages[0].toStdString();
    EXPECT_TRUE(messages[1].contains(right)) << messages[1].toStdString();
}

TEST_F(FileOpsTest, FoldersGoIntoAnArchiveWithTheirTreeAndMoveOnlyWhenWhole)
{
    dir.write("left/box/a.txt", "box a");
    dir.write("left/box/sub/b.txt", "box b");
    dir.write("left/box/.hidden", "h");
    dir.mkdir("left/box/empty");
    dir.write("left/clash/x.txt", "not the archive's x");
    dir.write("right/clash/x.txt", "archive's x");
    ASSERT_TRUE(RunZip(right, {"-q", "-r", "t.zip", "clash"}));
    ASSERT_TRUE(QDir(right + "clash").removeRecursively());
    Reload();
    OpenArchive(sdRight, "t.zip");
    Select(sdLeft, {"box", "clash"});
    main->MenuCopyFileClick();
    EXPECT_EQ(Names(sdRight), QStringList({"..", "box", "clash"})); // the archive's top
    EXPECT_EQ(MemberContent(right + "t.zip", "box/sub/b.txt"), "box b");
    EXPECT_EQ(MemberContent(right + "t.zip", "clash/x.txt"), "archive's x");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("clash: not copied, ")) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains("clash/x.txt")) << messages[0].toStdString();
    EXPECT_TRUE(QFileInfo::exists(left + "box/a.txt"));

    // A move takes the folder off the disk once all of it is in the archive.
    messages.clear();
    dir.write("left/crate/c.txt", "crate c");
    Open(sdLeft, left);
    Select(sdLeft, {"crate", "clash"});
    main->MenuMoveFileClick();
    EXPECT_TRUE(Names(sdRight).contains("crate"));
    EXPECT_FALSE(QFileInfo::exists(left + "crate"));
    EXPECT_EQ(readAll(left + "clash/x.txt"), "not the archive's x");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("clash: not moved, ")) << messages[0].toStdString();
}

// The check of a move's copies, which runs on a worker behind the progress window once
// they have arrived: a copy that then differs from its original (another program rewrote
// one of them with as many bytes) never lets the move delete the original, and is said.
// The hook changes a file exactly between the arrival and the check.
TEST_F(FileOpsTest, AMoveWhoseCopyDiffersWhenCheckedKeepsTheOriginalAndSaysSo)
{
    dir.write("src/m.txt", "member");
    ASSERT_TRUE(RunZip(dir("src"), {"-q", left + "p.zip", "m.txt"}));
    ASSERT_TRUE(ArchiveWithOneMember(right, "t.zip"));
    dir.write("left/f.txt", "on disk");
    Reload();
    QStringList checked; // where each check looked
    bool onWindowThread = false;
    std::function<void(const QString& where)> change;
    const platform::TFileOpsFaultHook previous =
        platform::SetFileOpsFaultHook([&](platform::TFileOpsStep step, const QString& where) {
            if (step == platform::TFileOpsStep::CopiesArrived) {
                checked << where;
                onWindowThread = onWindowThread || QThread::currentThread() == qApp->thread();
                change(where);
            }
            return 0;
        });
    const auto restore = qScopeGuard([&] { platform::SetFileOpsFaultHook(previous); });

    // Folder to archive: the file on disk changes after it went in.
    OpenArchive(sdRight, "t.zip");
    change = [&](const QString&) { Rewrite(left + "f.txt", "ON DISK"); };
    Select(sdLeft, {"f.txt"});
    Press(Qt::Key_F6);
    EXPECT_EQ(readAll(left + "f.txt"), "ON DISK");
    EXPECT_EQ(MemberContent(right + "t.zip", "f.txt"), "on disk");
    EXPECT_EQ(messages, QStringList({"f.txt: not moved, the archive's f.txt differs from " + left +
                                     "f.txt"}));
    EXPECT_EQ(checked, QStringList({right + "t.zip"}));

    // Archive to folder: the extracted file changes.
    messages.clear();
    checked.clear();
    Open(sdRight, right);
    OpenArchive(sdLeft, "p.zip");
    // The extraction is checked in a private folder first, then the file in the target.
    change = [&](const QString& where) {
        if (where == right)
            Rewrite(right + "m.txt", "MEMBER");
    };
    Select(sdLeft, {"m.txt"});
    Press(Qt::Key_F6);
    EXPECT_EQ(MemberContent(left + "p.zip", "m.txt"), "member");
    EXPECT_TRUE(Names(sdLeft).contains("m.txt"));
    EXPECT_EQ(readAll(right + "m.txt"), "MEMBER");
    EXPECT_EQ(messages,
              QStringList({"m.txt: not moved, " + right + "m.txt does not hold its content"}));
    ASSERT_EQ(checked.size(), 2);
    EXPECT_TRUE(platform::InPrivateFolder(checked[0])) << checked[0].toStdString();
    EXPECT_EQ(checked[1], right);

    // Archive to archive, through a private folder: the member's file there changes before
    // it goes into the target archive, then, on a second move, after.
    messages.clear();
    checked.clear();
    OpenArchive(sdRight, "t.zip");
    change = [&](const QString& where) {
        if (checked.size() == 1)
            Rewrite(where + "m.txt", "MEMBER");
    };
    Select(sdLeft, {"m.txt"});
    Press(Qt::Key_F6);
    ASSERT_EQ(checked.size(), 2);
    const QString firstFolder = checked[0];
    EXPECT_FALSE(firstFolder.startsWith(dir.path())) << firstFolder.toStdString();
    EXPECT_EQ(checked[1], right + "t.zip");
    EXPECT_FALSE(Names(sdRight).contains("m.txt"));
    EXPECT_EQ(messages, QStringList({"m.txt: not moved, " + firstFolder +
                                     "m.txt does not hold its content"}));

    messages.clear();
    checked.clear();
    change = [&](const QString& where) {
        if (checked.size() == 2)
            Rewrite(checked[0] + "m.txt", "MEMBER");
    };
    Select(sdLeft, {"m.txt"});
    Press(Qt::Key_F6);
    ASSERT_EQ(checked.size(), 2);
    EXPECT_EQ(MemberContent(right + "t.zip", "m.txt"), "member");
    EXPECT_EQ(MemberContent(left + "p.zip", "m.txt"), "member");
    EXPECT_TRUE(Names(sdLeft).contains("m.txt"));
    EXPECT_EQ(messages, QStringList({"m.txt: not moved, the archive's m.txt differs from " +
                                     checked[0] + "m.txt"}));
    EXPECT_FALSE(onWindowThread);
}
