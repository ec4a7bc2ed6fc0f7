// Archives of the read-only formats in a panel: opened by Enter like a folder, copied
// out by command and by dragging, viewed, and every change refused in one message.
#include "main/FileOpsFixture.h"
#include "platform/FileSystem.h"
#include "viewers/uText.h"
#include "viewers/uTextView.h"

#include <QPlainTextEdit>

namespace
{

constexpr time_t kTime = 1600000000;

class ReadOnlyArchivePanelTest : public FileOpsTest
{
protected:
    // linux.tar.xz in the left folder: dir/a.txt (100 bytes) and b.txt (23 bytes).
    void SetUp() override
    {
        FileOpsTest::SetUp();
        dir.write("src/dir/a.txt", QByteArray(100, 'a'));
        dir.write("src/b.txt", QByteArray(23, 'b'));
        ASSERT_TRUE(Tool("touch -d @1600000000 dir/a.txt b.txt && tar -cJf " + left +
                         "linux.tar.xz dir b.txt"));
        archiveBytes = readAll(left + "linux.tar.xz");
        Open(sdLeft, left);
    }
    bool Tool(const QString& line)
    {
        QProcess sh;
        sh.setWorkingDirectory(dir("src"));
        sh.start("sh", {"-c", line});
        return sh.waitForFinished() && sh.exitCode() == 0;
    }
    void Press(TSide side, Qt::Key key)
    {
        QTest::keyClick(main->Panel(side).Files->ActiveView(), key);
    }
    void OpenByEnter(TSide side, const QString& name)
    {
        main->Panel(side).Files->FocusItem(Row(side, name));
        main->FilesEnter(side);
        Press(side, Qt::Key_Return);
    }
    QByteArray archiveBytes;
};

TEST_F(ReadOnlyArchivePanelTest, OpensByContentLikeAFolderAndClosesThroughItsParentRow)
{
    OpenByEnter(sdLeft, "linux.tar.xz");
    EXPECT_TRUE(main->ShowsReadOnlyArchive(sdLeft));
    EXPECT_EQ(main->Left().DirectoryLabel->text(), left + "linux.tar.xz");
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "dir", "b.txt"})); // its top, folders first
    EXPECT_EQ(main->Left().Listing[0].Size, archiveBytes.size());
    EXPECT_EQ(main->Left().Listing[Row(sdLeft, "b.txt")].DateTime, platform::ToDayCount(kTime));
    EXPECT_EQ(main->Left().Total->Text(1), "2 objects"); // the rows, not ".."
    EXPECT_EQ(main->Left().Total->Text(2), "23 bytes");
    main->SetSortOrder(2); // by size, largest last
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "dir", "b.txt"}));

    DoubleClick(sdLeft, "..");
    EXPECT_FALSE(main->ShowsArchive(sdLeft));
    EXPECT_EQ(main->Left().DirectoryLabel->text(), left);

    // The name says nothing: the content does.
    QFile::rename(left + "linux.tar.xz", left + "kernel");
    Open(sdLeft, left);
    OpenByEnter(sdLeft, "kernel");
    EXPECT_TRUE(main->ShowsReadOnlyArchive(sdLeft));
    EXPECT_EQ(Names(sdLeft).size(), 3);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(ReadOnlyArchivePanelTest, CopyAndDragOutExtractWithoutReplacingAndReportInOneMessage)
{
    dir.write("right/b.txt", "mine");
    Open(sdRight, right);
    OpenByEnter(sdLeft, "linux.tar.xz");
    OpenByEnter(sdLeft, "dir"); // a.txt lies in the archive's folder dir
    Select(sdLeft, {"dir/a.txt"});
    main->MenuCopyFileClick();
    OpenByEnter(sdLeft, "..");
    Select(sdLeft, {"b.txt"});
    AnswerTakenName(&TfCollision::ButtonSkip); // its name is taken: the user keeps theirs
    main->MenuCopyFileClick();
    EXPECT_EQ(readAll(right + "a.txt"), QByteArray(100, 'a'));
    EXPECT_EQ(readAll(right + "b.txt"), "mine");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(Row(sdRight, "a.txt") >= 0, true);

    // A plain drag moves; out of a read-only archive it copies.
    messages.clear();
    QFile::remove(right + "b.txt");
    Select(sdLeft, {"b.txt"});
    main->FilesMouseMove(sdRight, Qt::LeftButton, Qt::NoModifier);
    main->FilesMouseUp(sdRight);
    EXPECT_EQ(readAll(right + "b.txt"), QByteArray(23, 'b'));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(readAll(left + "linux.tar.xz"), archiveBytes);
    // The panel was refreshed from its own archive, not from the ZIP component.
    EXPECT_TRUE(main->ShowsReadOnlyArchive(sdLeft));
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "dir", "b.txt"}));
}

TEST_F(ReadOnlyArchivePanelTest, CopyIntoAZipAddsTheMembersItDoesNotHoldYet)
{
    dir.write("right/b.txt", "zipped");
    ASSERT_TRUE(RunZip(right, {"-q", "old.zip", "b.txt"}));
    QFile::remove(right + "b.txt");
    Open(sdRight, right);
    OpenByEnter(sdRight, "old.zip");
    OpenByEnter(sdLeft, "linux.tar.xz");
    OpenByEnter(sdLeft, "dir"); // a.txt lies in the archive's folder dir
    Select(sdLeft, {"dir/a.txt"});
    main->MenuCopyFileClick();
    OpenByEnter(sdLeft, "..");
    Select(sdLeft, {"b.txt"});
    main->MenuCopyFileClick();
    EXPECT_EQ(Names(sdRight), QStringList({"..", "a.txt", "b.txt"}));
    QProcess unzip;
    unzip.start("unzip", {"-p", right + "old.zip", "a.txt", "b.txt"});
    ASSERT_TRUE(unzip.waitForFinished());
    EXPECT_EQ(unzip.readAllStandardOutput(), "zipped" + QByteArray(100, 'a')); // archive order
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("b.txt")) << messages[0].toStdString();
    EXPECT_EQ(readAll(left + "linux.tar.xz"), archiveBytes);
    EXPECT_EQ(QDir(right).entryList(QDir::Files), QStringList({"old.zip"}));
}

TEST_F(ReadOnlyArchivePanelTest, EveryChangeIsRefusedInOneMessageAndChangesNothing)
{
    dir.write("right/new.txt", "new");
    Open(sdRight, right);
    OpenByEnter(sdLeft, "linux.tar.xz");
    const QString refusal = left + "linux.tar.xz is opened read-only";
    const auto refused = [&](const char* what, const std::function<void()>& command) {
        messages.clear();
        command();
        ASSERT_EQ(messages.size(), 1) << what;
        EXPECT_TRUE(messages[0].startsWith(refusal)) << what;
        EXPECT_EQ(readAll(left + "linux.tar.xz"), archiveBytes) << what;
        EXPECT_EQ(QDir(right).entryList(QDir::Files), QStringList({"new.txt"})) << what;
        EXPECT_TRUE(main->ShowsReadOnlyArchive(sdLeft)) << what;
    };
    refused("move out", [&] {
        Select(sdLeft, {"b.txt"});
        main->MenuMoveFileClick();
    });
    refused("delete", [&] {
        Select(sdLeft, {"b.txt"});
        Press(sdLeft, Qt::Key_F8);
    });
    refused("rename", [&] {
        Select(sdLeft, {"b.txt"});
        Press(sdLeft, Qt::Key_F9);
    });
    refused("rename in place", [&] { main->FilesEdited(sdLeft, "c"); });
    refused("copy in", [&] {
        Select(sdRight, {"new.txt"});
        Press(sdRight, Qt::Key_F5);
    });
    refused("move in", [&] {
        Select(sdRight, {"new.txt"});
        main->MenuMoveFileClick();
    });
    refused("drag in", [&] {
        Select(sdRight, {"new.txt"});
        main->FilesMouseMove(sdLeft, Qt::LeftButton, Qt::NoModifier);
        main->FilesMouseUp(sdLeft);
    });
}

TEST_F(ReadOnlyArchivePanelTest, DamagedOrEncryptedArchiveLeavesThePanelAsItWas)
{
    QByteArray noise;
    for (int i = 0; i < 300000; ++i)
        noise += char((i * 2654435761u) >> 13);
    dir.write("src/noise.bin", noise);
    ASSERT_TRUE(Tool("tar -czf " + left + "cut.tar.gz noise.bin b.txt"));
    QFile cut(left + "cut.tar.gz");
    ASSERT_TRUE(cut.resize(cut.size() / 2));
    ASSERT_TRUE(Tool("7z a -bd -psecret -mhe=on " + left + "secret.7z b.txt > /dev/null"));
    Open(sdLeft, left);
    const QStringList before = Names(sdLeft);
    for (const QString& name : {"cut.tar.gz", "secret.7z"}) {
        main->Left().Files->FocusItem(Row(sdLeft, name));
        EXPECT_THROW(main->FilesDblClick(sdLeft), platform::EError) << name.toStdString();
        EXPECT_EQ(Names(sdLeft), before);
        EXPECT_EQ(main->Left().DirectoryLabel->text(), left);
        EXPECT_FALSE(main->ShowsArchive(sdLeft));
    }
}

TEST_F(ReadOnlyArchivePanelTest, ViewOfAMemberOpensAPrivateCopyReadOnly)
{
    TExtensionCategories categories;
    categories.SetCategory(TExtensionCategory::Text, "TXT");
    main->Categories = categories;
    dir.write("left/b.txt", "the user's own file");
    Open(sdLeft, left);
    OpenByEnter(sdLeft, "linux.tar.xz");
    main->Left().Files->FocusItem(Row(sdLeft, "b.txt"));
    Press(sdLeft, Qt::Key_F3);
    EXPECT_TRUE(main->findChildren<TfText*>().isEmpty());
    const QList<TfTextView*> views = main->findChildren<TfTextView*>();
    ASSERT_EQ(views.size(), 1);
    EXPECT_EQ(views[0]->Page->VisibleRows(), QStringList(QString(23, 'b')));
    EXPECT_FALSE(views[0]->Text().Path().startsWith(left));
    EXPECT_EQ(readAll(left + "b.txt"), "the user's own file");
    views[0]->close();

    // F4 opens the member's editor on a private copy too.
    Press(sdLeft, Qt::Key_F4);
    const QList<TfText*> editors = main->findChildren<TfText*>();
    ASSERT_EQ(editors.size(), 1);
    EXPECT_FALSE(editors[0]->FileName().startsWith(left));
    EXPECT_EQ(editors[0]->Memo->toPlainText(), QString(23, 'b'));
}

} // namespace
