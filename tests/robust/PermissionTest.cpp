// Folders and files without read or write permission. Root ignores permission bits, so
// the commands run with the file-system identity of "nobody" (see RobustSupport.h).
#include "main/FileOpsFixture.h"
#include "robust/RobustSupport.h"
#include "viewers/uText.h"

#include <sys/stat.h>

using robust::Snapshot;

namespace
{

class PermissionTest : public FileOpsTest
{
protected:
    void SetUp() override
    {
        FileOpsTest::SetUp();
        // The scratch folder is private to its owner; "nobody" must get in to be refused.
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
        main->Categories.SetCategory(TExtensionCategory::Text, "TXT");
    }
    void TearDown() override
    {
        // Whatever a test locked, its scratch folder must go.
        FileOpsTest::TearDown();
        main.reset();
        for (const char* folder : {"left", "right", "src"})
            robust::RemoveTree(QFile::encodeName(dir(folder)));
    }

    static void Chmod(const QString& path, mode_t mode)
    {
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0) << path.toStdString();
    }
};

#define WITHOUT_PRIVILEGES(guard)                                                                  \
    robust::TWithoutPrivileges guard(dir.path());                                                  \
    if (!guard.Works())                                                                            \
    GTEST_SKIP() << "permission bits cannot be made to apply: " << guard.Why().toStdString()

} // namespace

TEST_F(PermissionTest, UnreadableEntriesAreReportedAndTheReadableOnesCopied)
{
    dir.write("left/open.txt", "open");
    dir.write("left/private.txt", "private");
    dir.write("left/locked/secret.txt", "secret");
    dir.write("left/tree/ok.txt", "ok");
    dir.write("left/tree/hidden.txt", "hidden");
    dir.write("left/tree/closed/x.txt", "x");
    Chmod(left + "private.txt", 0);
    Chmod(left + "locked", 0);
    Chmod(left + "tree/hidden.txt", 0);
    Chmod(left + "tree/closed", 0);
    Chmod(right, 0777);
    const robust::TTree source = Snapshot(left);

    WITHOUT_PRIVILEGES(nobody);
    Reload();
    Select(sdLeft, {"locked", "open.txt", "private.txt", "tree"});
    main->MenuCopyFileClick();
    nobody.Restore();

    EXPECT_EQ(robust::Diff(Snapshot(right),
                           {{"open.txt", "open"}, {"tree", "<dir>"}, {"tree/ok.txt", "ok"}}),
              "");
    EXPECT_EQ(robust::Diff(Snapshot(left), source), "");
    const QString all = messages.join('\n');
    for (const char* name : {"locked", "private.txt", "hidden.txt", "closed"})
        EXPECT_TRUE(all.contains(name)) << name << " not reported in: " << all.toStdString();
}

TEST_F(PermissionTest, UnreadableFolderSaysWhyAndUnreadableTextIsReported)
{
    dir.write("left/locked/secret.txt", "secret");
    dir.write("left/listonly/inside.txt", "inside");
    dir.write("left/private.txt", "private");
    Chmod(left + "locked", 0);
    Chmod(left + "listonly", 0644); // its names can be read, but no entry looked up
    Chmod(left + "private.txt", 0);

    WITHOUT_PRIVILEGES(nobody);
    Reload();
    main->Left().Files->FocusItem(Row(sdLeft, "private.txt"));
    main->FilesEnter(sdLeft);
    main->MenuViewFileClick();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("private.txt")) << messages[0].toStdString();
    for (TfText* editor : main->findChildren<TfText*>())
        EXPECT_NE(editor->FileName(), left + "private.txt"); // never a save target
    for (TfText* editor : main->findChildren<TfText*>())
        editor->close();

    // A folder that cannot be opened, or opened but not searched: the panel says why and
    // stays where it was, its keys still working.
    const QStringList names = Names(sdLeft);
    for (const QString& folder : {QStringLiteral("locked"), QStringLiteral("listonly")}) {
        messages.clear();
        DoubleClick(sdLeft, folder);
        EXPECT_EQ(main->Left().Directory, left);
        EXPECT_EQ(Names(sdLeft), names);
        EXPECT_EQ(messages, QStringList({QStringLiteral("The folder %1%2/ cannot be read: "
                                                        "Permission denied.")
                                             .arg(left, folder)}));
    }
    EXPECT_FALSE(main->Left().Files->grab().isNull());
    main->MenuDirectorySizeClick();
    nobody.Restore();
    Chmod(left + "listonly", 0755);
    Chmod(left + "locked", 0700);
    Chmod(left + "private.txt", 0600);
    EXPECT_EQ(readAll(left + "locked/secret.txt"), "secret");
    EXPECT_EQ(readAll(left + "listonly/inside.txt"), "inside");
    EXPECT_EQ(readAll(left + "private.txt"), "private");
}

TEST_F(PermissionTest, UnwritableFoldersRefuseEveryChangeAndLoseNothing)
{
    dir.write("left/a.txt", "a");
    dir.write("left/sub/b.txt", "b");
    dir.write("right/r.txt", "r");
    for (const QString& folder : {left, left + "sub", right})
        Chmod(folder, 0555);
    const robust::TTree before = Snapshot(dir.path());

    WITHOUT_PRIVILEGES(nobody);
    Reload();
    // Each command reports both entries, in messages of its own.
    auto reportedBoth = [this] {
        const QString text = messages.join('\n');
        messages.clear();
        return text.contains("a.txt") && text.contains("sub") ? QString() : text;
    };
    Select(sdLeft, {"a.txt", "sub"});
    main->MenuCopyFileClick();
    EXPECT_EQ(reportedBoth(), "");
    Select(sdLeft, {"a.txt", "sub"});
    main->MenuMoveFileClick();
    EXPECT_EQ(reportedBoth(), "");
    Select(sdLeft, {"a.txt", "sub"});
    AnswerQuestion(1);
    main->MenuDeleteFileClick();
    EXPECT_EQ(reportedBoth(), "");

    Select(sdLeft, {"a.txt"});
    main->Left().Files->FocusItem(Row(sdLeft, "a.txt"));
    AnswerInput("renamed.txt");
    main->MenuRenameFileClick();
    EXPECT_EQ(messages, QStringList({"\"a.txt\" was not renamed to \"renamed.txt\": Permission "
                                     "denied."}));
    AnswerNextModal([](QDialog* d) { d->done(1); });
    main->MenuCreateDirectoryClick();
    EXPECT_EQ(messages.last(), "The directory \"New directory\" was not created: Permission "
                               "denied.");
    nobody.Restore();
    EXPECT_EQ(robust::Diff(Snapshot(dir.path()), before), "");
}

TEST_F(PermissionTest, ArchiveInAnUnwritableFolderStaysAsItWas)
{
    dir.write("src/member.txt", "member");
    QProcess zip;
    zip.setWorkingDirectory(dir("src"));
    zip.start("zip", {"-q", right + "locked.zip", "member.txt"});
    ASSERT_TRUE(zip.waitForFinished());
    dir.write("left/new.txt", "new");
    Chmod(left, 0555);
    Chmod(right, 0555);
    const robust::TTree before = Snapshot(dir.path());

    WITHOUT_PRIVILEGES(nobody);
    Reload();
    OpenArchive(sdRight, "locked.zip");
    // Adding cannot write the archive or a temporary file beside it.
    Select(sdLeft, {"new.txt"});
    main->MenuCopyFileClick();
    EXPECT_EQ(Names(sdRight), QStringList({"..", "member.txt"}));
    // Moving members out into a folder that cannot be written keeps them.
    Select(sdRight, {"member.txt"});
    main->MenuMoveFileClick();
    EXPECT_EQ(Names(sdRight), QStringList({"..", "member.txt"}));
    nobody.Restore();
    EXPECT_EQ(robust::Diff(Snapshot(dir.path()), before), "");
}

// What cannot be written is the target: the message names it, and the reason.
TEST_F(PermissionTest, ACopyIntoAFolderThatCannotBeWrittenNamesTheTarget)
{
    dir.write("left/a.txt", "a");
    dir.write("left/tree/b.txt", "b");
    Chmod(right, 0555);
    WITHOUT_PRIVILEGES(nobody);
    Reload();
    Select(sdLeft, {"a.txt", "tree"});
    Press(Qt::Key_F5);
    nobody.Restore();

    EXPECT_TRUE(Snapshot(right).empty());
    ASSERT_EQ(messages.size(), 1) << messages.join("\n---\n").toStdString();
    EXPECT_TRUE(messages[0].contains("Cannot copy \"" + left + "a.txt\": \"" + right +
                                     "a.txt\" cannot be made (Permission denied)."))
        << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains("\"" + right + "tree\" cannot be made (Permission denied)"))
        << messages[0].toStdString();
}
