// Files, folders and archives that vanish or change while a command works on them. The
// file operations' fault hook changes the disk at the moment a step is reached.
#include "main/FileOpsFixture.h"
#include "platform/FileOpsFaults.h"
#include "robust/RobustSupport.h"
#include "viewers/uImage.h"
#include "viewers/uText.h"

using platform::TFileOpsStep;
using robust::Snapshot;

namespace
{

class VanishingTest : public FileOpsTest
{
protected:
    void TearDown() override
    {
        platform::SetFileOpsFaultHook({});
        FileOpsTest::TearDown();
    }
    // Runs `change` once, when a copy is about to open the source file named `name`.
    void WhenOpening(const QString& name, std::function<void()> change)
    {
        platform::SetFileOpsFaultHook(
            [name, change, done = false](TFileOpsStep step, const QString& path) mutable {
                if (!done && step == TFileOpsStep::OpenSource && path.endsWith('/' + name)) {
                    done = true;
                    change();
                }
                return 0;
            });
    }
};

} // namespace

TEST_F(VanishingTest, FilesAndFoldersVanishingDuringACopyAreReportedAndTheRestArrives)
{
    dir.write("left/tree/a.txt", "a");
    dir.write("left/tree/b.txt", "b");
    dir.write("left/tree/deep/c.txt", "c");
    dir.write("left/tree/deep/d.txt", "d");
    dir.write("left/z.txt", "z");
    Reload();
    // a.txt goes just before it is opened; the folder deep goes when b.txt is opened,
    // whichever of them the walk reaches first.
    platform::SetFileOpsFaultHook([&](TFileOpsStep step, const QString& path) {
        if (step == TFileOpsStep::OpenSource && path.endsWith("/a.txt"))
            QFile::remove(path);
        if (step == TFileOpsStep::OpenSource && path.endsWith("/b.txt"))
            QDir(left + "tree/deep").removeRecursively();
        return 0;
    });
    Select(sdLeft, {"tree", "z.txt"});
    main->MenuCopyFileClick();

    const robust::TTree copied = Snapshot(right);
    EXPECT_EQ(copied.at("tree/b.txt"), "b");
    EXPECT_EQ(copied.at("z.txt"), "z");
    EXPECT_EQ(copied.count("tree/a.txt"), 0u); // no empty or partial file left
    for (const auto& [name, data] : copied)
        if (name.startsWith("tree/deep/"))
            EXPECT_EQ(data, name.endsWith("c.txt") ? "c" : "d") << name.constData();
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.join('\n').contains("a.txt")) << messages.join('\n').toStdString();
    EXPECT_EQ(readAll(left + "tree/b.txt"), "b");
    EXPECT_EQ(readAll(left + "z.txt"), "z");
}

TEST_F(VanishingTest, TargetFolderVanishingDuringACopyWritesNothingElsewhere)
{
    dir.write("left/one.txt", "1");
    dir.write("left/two.txt", "2");
    dir.write("left/three.txt", "3");
    Reload();
    const robust::TTree source = Snapshot(left);
    // Copied in name order: one.txt arrives, then the folder goes.
    WhenOpening("three.txt", [&] { QDir(right).removeRecursively(); });
    Select(sdLeft, {"one.txt", "two.txt", "three.txt"});
    main->MenuCopyFileClick();
    ASSERT_EQ(messages.size(), 1) << messages.join("\n---\n").toStdString();
    EXPECT_GE(messages[0].count("Cannot copy"), 2) << messages[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(right));
    EXPECT_EQ(robust::Diff(Snapshot(left), source), "");
    robust::TTree expected{{"left", "<dir>"}};
    for (const auto& [name, data] : source)
        expected.emplace("left/" + name, data);
    EXPECT_EQ(robust::Diff(Snapshot(dir.path()), expected), "");
    EXPECT_EQ(main->Right().Listing.Count(), 0); // the panel shows the folder is gone
}

TEST_F(VanishingTest, SourceChangingBeforeAMoveAcrossFileSystemsIsVerifiedKeepsTheOriginal)
{
    robust::TSmallDisk disk(dir("disk"), 4 << 20);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();
    dir.write("left/move me.txt", "original");
    Reload();
    Open(sdRight, dir("disk") + '/');
    Open(sdLeft, left);
    platform::SetFileOpsFaultHook([&](TFileOpsStep step, const QString&) {
        if (step == TFileOpsStep::BeforeVerify)
            dir.write("left/move me.txt", "changed meanwhile");
        return 0;
    });
    Select(sdLeft, {"move me.txt"});
    main->MenuMoveFileClick();
    EXPECT_EQ(readAll(left + "move me.txt"), "changed meanwhile");
    EXPECT_TRUE(Snapshot(dir("disk")).empty());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("move me.txt")) << messages[0].toStdString();
}

TEST_F(VanishingTest, ArchiveVanishingOrReplacedAfterItWasOpened)
{
    dir.write("src/m.txt", "member");
    QProcess zip;
    zip.setWorkingDirectory(dir("src"));
    zip.start("zip", {"-q", right + "gone.zip", "m.txt"});
    ASSERT_TRUE(zip.waitForFinished());
    dir.write("left/add.txt", "add me");
    dir.write("left/more.txt", "more");
    Reload();
    OpenArchive(sdRight, "gone.zip");

    // Gone: copying a member out brings nothing.
    QFile::remove(right + "gone.zip");
    Select(sdRight, {"m.txt"});
    main->MenuCopyFileClick();
    EXPECT_EQ(robust::Diff(Snapshot(left), {{"add.txt", "add me"}, {"more.txt", "more"}}), "");

    // Moving into it makes the archive anew; the file leaves only once it is in there.
    Select(sdLeft, {"add.txt"});
    main->MenuMoveFileClick();
    EXPECT_EQ(Names(sdRight), QStringList({"..", "add.txt"}));
    QProcess unzip;
    unzip.start("unzip", {"-p", right + "gone.zip", "add.txt"});
    ASSERT_TRUE(unzip.waitForFinished());
    EXPECT_EQ(unzip.readAllStandardOutput(), "add me");

    // Replaced by a file that is no archive: the reader refuses it and it is never
    // rewritten; the file to move stays.
    const QByteArray notZip = "the user's notes, saved under the archive's name";
    QFile::remove(right + "gone.zip");
    dir.write("right/gone.zip", notZip);
    Select(sdLeft, {"more.txt"});
    try {
        main->MenuMoveFileClick();
    } catch (const platform::EError& e) {
        messages << e.Message();
    }
    EXPECT_EQ(readAll(right + "gone.zip"), notZip);
    EXPECT_EQ(readAll(left + "more.txt"), "more");
    EXPECT_FALSE(messages.isEmpty());
}

TEST_F(VanishingTest, FileVanishingBeforeItIsViewedIsReported)
{
    main->Categories.SetCategory(TExtensionCategory::Text, "TXT");
    main->Categories.SetCategory(TExtensionCategory::Image, "PNG");
    dir.write("left/note.txt", "note");
    dir.write("left/pic.png", "not read yet");
    Reload();
    for (const QString& name : {"note.txt", "pic.png"}) {
        main->Left().Files->FocusItem(Row(sdLeft, name));
        main->FilesEnter(sdLeft);
        QFile::remove(left + name);
        main->MenuViewFileClick();
        QApplication::processEvents();
    }
    ASSERT_EQ(messages.size(), 2) << messages.join("\n---\n").toStdString();
    EXPECT_TRUE(messages[0].contains("note.txt")) << messages[0].toStdString();
    EXPECT_TRUE(messages[1].startsWith("Cannot show ")) << messages[1].toStdString();
    EXPECT_TRUE(messages[1].contains("pic.png")) << messages[1].toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] {
        const auto viewers = main->findChildren<TfImage*>();
        return viewers.isEmpty() || !viewers[0]->isVisible();
    }, 5000));
    EXPECT_TRUE(Snapshot(left).empty()); // nothing was made in their place
}

// A move removes exactly what it copied and verified: an entry that appears in a source
// folder between the check and the removal stays there, with its folder, and is named.
TEST_F(VanishingTest, AMoveAcrossFileSystemsKeepsWhatAppearedInTheSourceMeanwhile)
{
    robust::TSmallDisk disk(dir("disk"), 4 << 20);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();
    dir.write("left/tree/d000/a.txt", "a");
    dir.write("left/tree/d001/b.txt", "b");
    Reload();
    Open(sdRight, dir("disk") + '/');
    Open(sdLeft, left);
    platform::SetFileOpsFaultHook([&](TFileOpsStep step, const QString&) {
        if (step == TFileOpsStep::BeforeRemoveSources)
            dir.write("left/tree/d000/NEW.txt", "written by another program");
        return 0;
    });
    Select(sdLeft, {"tree"});
    Press(Qt::Key_F6);

    EXPECT_EQ(readAll(left + "tree/d000/NEW.txt"), "written by another program");
    EXPECT_EQ(robust::Diff(Snapshot(left), {{"tree", "<dir>"},
                                            {"tree/d000", "<dir>"},
                                            {"tree/d000/NEW.txt", "written by another program"}}),
              "");
    EXPECT_EQ(robust::Diff(Snapshot(dir("disk")), {{"tree", "<dir>"},
                                                   {"tree/d000", "<dir>"},
                                                   {"tree/d000/a.txt", "a"},
                                                   {"tree/d001", "<dir>"},
                                                   {"tree/d001/b.txt", "b"}}),
              "");
    const QString all = messages.join('\n');
    EXPECT_TRUE(all.contains("\"" + left + "tree/d000\" stays where it was") &&
                all.contains("NEW.txt"))
        << all.toStdString();
}

TEST_F(VanishingTest, AMoveIntoAnArchiveKeepsWhatAppearedInTheSourceMeanwhile)
{
    ASSERT_TRUE(ArchiveWithOneMember(right, "target.zip"));
    dir.write("left/box/a.txt", "a");
    dir.write("left/box/inner/b.txt", "b");
    Reload();
    OpenArchive(sdRight, "target.zip");
    platform::SetFileOpsFaultHook([&](TFileOpsStep step, const QString&) {
        if (step == TFileOpsStep::BeforeRemoveSources)
            dir.write("left/box/inner/NEW.txt", "new");
        return 0;
    });
    Select(sdLeft, {"box"});
    Press(Qt::Key_F6);

    EXPECT_EQ(MemberContent(right + "target.zip", "box/inner/b.txt"), "b");
    EXPECT_EQ(
        robust::Diff(Snapshot(left),
                     {{"box", "<dir>"}, {"box/inner", "<dir>"}, {"box/inner/NEW.txt", "new"}}),
        "");
    const QString all = messages.join('\n');
    EXPECT_TRUE(all.contains("box/inner\" stays where it was") && all.contains("NEW.txt"))
        << all.toStdString();
}

// Out of an archive: a member that another program replaced after it was copied out is
// not deleted by the move.
TEST_F(VanishingTest, AMoveOutOfAnArchiveKeepsAMemberReplacedMeanwhile)
{
    dir.write("src/m.txt", "first");
    dir.write("src/n.txt", "other");
    ASSERT_TRUE(RunZip(dir("src"), {"-q", left + "a.zip", "m.txt", "n.txt"}));
    Reload();
    OpenArchive(sdLeft, "a.zip");
    platform::SetFileOpsFaultHook([&](TFileOpsStep step, const QString&) {
        if (step == TFileOpsStep::BeforeRemoveSources) {
            dir.write("src/m.txt", "second, longer");
            RunZip(dir("src"), {"-q", left + "a.zip", "m.txt"});
        }
        return 0;
    });
    Select(sdLeft, {"m.txt", "n.txt"});
    Press(Qt::Key_F6);

    EXPECT_EQ(readAll(right + "m.txt"), "first");
    EXPECT_EQ(readAll(right + "n.txt"), "other");
    EXPECT_EQ(MemberContent(left + "a.zip", "m.txt"), "second, longer");
    EXPECT_EQ(MemberContent(left + "a.zip", "n.txt"), "") << "n.txt was moved";
    const QString all = messages.join('\n');
    EXPECT_TRUE(all.contains("m.txt stays in a.zip")) << all.toStdString();
}
