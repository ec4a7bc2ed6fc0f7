// Folders inside archives: a panel shows an archive's top first, Enter goes into a folder
// member and ".." or Backspace back up; commands act below the folder shown.
#include "main/UserInputFixture.h"
#include "panel/PanelText.h"
#include "panel/PathLine.h"
#include "panel/StatusLine.h"
#include "search/FileSearch.h"

#include "platform/FileOpsFaults.h"

#include <QFileInfo>
#include <QScopeGuard>

namespace
{

class ArchiveFoldersPanelTest : public UserInputTest
{
protected:
    // src/: top.txt, sub/s.txt, sub/deeper/deep.txt, sub/deeper/more/m.bin (binary).
    void SetUp() override
    {
        UserInputTest::SetUp();
        dir.write("src/top.txt", "top");
        dir.write("src/sub/s.txt", "in sub");
        dir.write("src/sub/deeper/deep.txt", "deep down");
        QByteArray binary;
        for (int i = 0; i < 70000; ++i)
            binary += char(i * 7 % 256);
        dir.write("src/sub/deeper/more/m.bin", binary);
    }
    bool Tool(const QString& line)
    {
        QProcess sh;
        sh.setWorkingDirectory(dir("src"));
        sh.start("sh", {"-c", line});
        return sh.waitForFinished() && sh.exitCode() == 0;
    }
    // Enter on the row `name` of a panel, through its list.
    void Enter(TSide side, const QString& name)
    {
        ASSERT_GE(Row(side, name), 0) << name.toStdString();
        main->Panel(side).Files->FocusItem(Row(side, name));
        main->FilesEnter(side);
        QTest::keyClick(main->Panel(side).Files->ActiveView(), Qt::Key_Return);
    }
    QString Shown(TSide side, const QString& name)
    {
        return CellText(main->Panel(side).Listing[Row(side, name)], pcName);
    }
    QString Caption(TSide side) { return main->Panel(side).DirectoryLabel->text(); }
    // The members of an archive, as unzip lists them, sorted.
    static QStringList ZipNames(const QString& archive)
    {
        QProcess unzip;
        unzip.start("unzip", {"-Z1", archive});
        unzip.waitForFinished();
        QStringList names = QString::fromUtf8(unzip.readAllStandardOutput()).split('\n');
        names.removeAll(QString());
        names.sort();
        return names;
    }
};

} // namespace

TEST_F(ArchiveFoldersPanelTest, ZipFoldersAreEnteredAndLeftByKeys)
{
    ASSERT_TRUE(Tool("zip -q -r " + left + "f.zip top.txt sub"));
    Open(sdLeft, left);
    Enter(sdLeft, "f.zip");
    ASSERT_TRUE(main->ShowsArchive(sdLeft));
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "sub", "top.txt"}));
    EXPECT_TRUE(main->Left().Listing[Row(sdLeft, "sub")].IsDirectory());
    EXPECT_EQ(Caption(sdLeft), left + "f.zip");

    Enter(sdLeft, "sub");
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "sub/deeper", "sub/s.txt"}));
    EXPECT_EQ(Shown(sdLeft, "sub/deeper"), "deeper");
    EXPECT_EQ(Shown(sdLeft, "sub/s.txt"), "s");
    EXPECT_EQ(Caption(sdLeft), left + "f.zip/sub/");
    EXPECT_EQ(main->Left().Total->Text(1), "2 objects"); // the folder shown
    EXPECT_EQ(main->Left().Total->Text(2), "6 bytes");

    Enter(sdLeft, "sub/deeper");
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "sub/deeper/more", "sub/deeper/deep.txt"}));
    EXPECT_EQ(Caption(sdLeft), left + "f.zip/sub/deeper/");

    // Backspace goes up, the cursor on the folder left; so does "..".
    QTest::keyClick(main->Left().Files->ActiveView(), Qt::Key_Backspace);
    EXPECT_EQ(Caption(sdLeft), left + "f.zip/sub/");
    EXPECT_EQ(FocusedName(sdLeft), "sub/deeper");
    Enter(sdLeft, "..");
    EXPECT_EQ(Caption(sdLeft), left + "f.zip");
    EXPECT_EQ(FocusedName(sdLeft), "sub");
    Enter(sdLeft, "..");
    EXPECT_FALSE(main->ShowsArchive(sdLeft));
    EXPECT_EQ(FocusedName(sdLeft), "f.zip");
}

TEST_F(ArchiveFoldersPanelTest, PathsIntoArchiveFoldersAndSearchHitsOpenThere)
{
    ASSERT_TRUE(Tool("zip -q -r " + left + "f.zip top.txt sub"));
    Open(sdLeft, left);
    // A found member: its archive opens at its folder, the cursor on it.
    TSearchHit hit;
    hit.Folder = left;
    hit.Name = "f.zip";
    hit.Member = "sub/deeper/deep.txt";
    main->GoToSearchHit(hit);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main->Reading(sdLeft); }, 60000));
    EXPECT_EQ(Caption(sdLeft), left + "f.zip/sub/deeper/");
    EXPECT_EQ(FocusedName(sdLeft), "sub/deeper/deep.txt");

    // Ctrl+L: a path into the archive's folder opens it there; the line holds it again.
    Open(sdLeft, right);
    Key(Qt::Key_L, Qt::ControlModifier);
    for (const QChar c : left + "f.zip/sub/")
        QTest::keyClick(main->windowHandle(), c.toLatin1());
    Key(Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->ShowsArchive(sdLeft); }, 30000));
    EXPECT_EQ(Caption(sdLeft), left + "f.zip/sub/");
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "sub/deeper", "sub/s.txt"}));
    Key(Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(main->Left().PathLine->text(), left + "f.zip/sub/");
    Key(Qt::Key_Escape);
    EXPECT_EQ(messages, QStringList());
}

TEST_F(ArchiveFoldersPanelTest, ImpliedFoldersAreFolders)
{
    // -D: no member of its own for any folder.
    ASSERT_TRUE(Tool("zip -q -r -D " + left + "implied.zip sub"));
    Open(sdLeft, left);
    Enter(sdLeft, "implied.zip");
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "sub"}));
    Enter(sdLeft, "sub");
    Enter(sdLeft, "sub/deeper");
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "sub/deeper/more", "sub/deeper/deep.txt"}));
    Enter(sdLeft, "sub/deeper/more");
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "sub/deeper/more/m.bin"}));
}

TEST_F(ArchiveFoldersPanelTest, TarGzFoldersWithoutTheirLeadingDotSlash)
{
    ASSERT_TRUE(Tool("tar -czf " + left + "t.tar.gz ."));
    Open(sdLeft, left);
    Enter(sdLeft, "t.tar.gz");
    ASSERT_TRUE(main->ShowsReadOnlyArchive(sdLeft));
    // No row for "./" itself; the folder is "sub", the file shows as "top".
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "sub", "./top.txt"}));
    EXPECT_EQ(Shown(sdLeft, "./top.txt"), "top");
    Enter(sdLeft, "sub");
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "sub/deeper", "./sub/s.txt"}));
    EXPECT_EQ(Caption(sdLeft), left + "t.tar.gz/sub/");
    Enter(sdLeft, "..");
    EXPECT_EQ(FocusedName(sdLeft), "sub");
}

TEST_F(ArchiveFoldersPanelTest, FolderMembersCopyOutWithTheirTreesByteForByte)
{
    ASSERT_TRUE(
        Tool("zip -q -r " + left + "f.zip top.txt sub && tar -czf " + left + "t.tar.gz sub"));
    Open(sdLeft, left);
    Enter(sdLeft, "f.zip");
    Enter(sdLeft, "sub");
    Select(sdLeft, {"sub/deeper"});
    Press(Qt::Key_F5);
    // Below the folder shown: right/deeper, not right/sub/deeper.
    EXPECT_EQ(readAll(right + "deeper/deep.txt"), readAll(dir("src/sub/deeper/deep.txt")));
    EXPECT_EQ(readAll(right + "deeper/more/m.bin"), readAll(dir("src/sub/deeper/more/m.bin")));
    EXPECT_FALSE(QFileInfo::exists(right + "sub"));
    EXPECT_EQ(messages, QStringList());

    // The same from a read-only archive, into a fresh folder.
    const QString out = dir.mkdir("out");
    Open(sdRight, out);
    Open(sdLeft, left);
    Enter(sdLeft, "t.tar.gz");
    Select(sdLeft, {"sub"});
    Press(Qt::Key_F5);
    EXPECT_EQ(readAll(out + "sub/s.txt"), "in sub");
    EXPECT_EQ(readAll(out + "sub/deeper/deep.txt"), "deep down");
    EXPECT_EQ(readAll(out + "sub/deeper/more/m.bin"), readAll(dir("src/sub/deeper/more/m.bin")));
    EXPECT_EQ(messages, QStringList());
}

TEST_F(ArchiveFoldersPanelTest, MovingAFolderMemberOutDeletesOnlyWhatArrivedWhole)
{
    ASSERT_TRUE(Tool("zip -q -r " + left + "f.zip top.txt sub"));
    Open(sdLeft, left);
    Enter(sdLeft, "f.zip");
    Enter(sdLeft, "sub");
    // Between the arrival and the check another program rewrites one copy, same size.
    const platform::TFileOpsFaultHook previous =
        platform::SetFileOpsFaultHook([&](platform::TFileOpsStep step, const QString&) {
            if (step == platform::TFileOpsStep::CopiesArrived &&
                QFileInfo::exists(right + "deeper/deep.txt"))
                dir.write("right/deeper/deep.txt", "DEEP DOWN");
            return 0;
        });
    const auto restore = qScopeGuard([&] { platform::SetFileOpsFaultHook(previous); });
    Select(sdLeft, {"sub/deeper"});
    Press(Qt::Key_F6);
    EXPECT_EQ(readAll(right + "deeper/more/m.bin"), readAll(dir("src/sub/deeper/more/m.bin")));
    // m.bin arrived whole and left the archive; deep.txt and the folders' own members stay.
    EXPECT_EQ(ZipNames(left + "f.zip"),
              QStringList({"sub/", "sub/deeper/", "sub/deeper/deep.txt", "sub/deeper/more/",
                           "sub/s.txt", "top.txt"}));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("sub/deeper/deep.txt: not moved, ")) << messages[0].toStdString();

    // Moved again, all of it arrives: the folder goes with its own members.
    messages.clear();
    platform::SetFileOpsFaultHook(previous);
    Open(sdRight, dir.mkdir("again"));
    Select(sdLeft, {"sub/deeper"});
    Press(Qt::Key_F6);
    EXPECT_EQ(readAll(dir("again/deeper/deep.txt")), "deep down");
    EXPECT_EQ(ZipNames(left + "f.zip"), QStringList({"sub/", "sub/s.txt", "top.txt"}));
    EXPECT_EQ(messages, QStringList());
}

TEST_F(ArchiveFoldersPanelTest, CopyIntoAZipFolderGoesBelowIt)
{
    ASSERT_TRUE(Tool("zip -q -r " + right + "f.zip top.txt sub"));
    dir.write("left/new.txt", "new one");
    dir.write("left/nf/n.txt", "in a new folder");
    Reload();
    Enter(sdRight, "f.zip");
    Enter(sdRight, "sub");
    Select(sdLeft, {"new.txt", "nf"});
    Press(Qt::Key_F5);
    EXPECT_EQ(MemberContent(right + "f.zip", "sub/new.txt"), "new one");
    EXPECT_EQ(MemberContent(right + "f.zip", "sub/nf/n.txt"), "in a new folder");
    // The panel stays in its folder, which now lists them.
    EXPECT_EQ(Caption(sdRight), right + "f.zip/sub/");
    EXPECT_GE(Row(sdRight, "sub/new.txt"), 0);
    EXPECT_GE(Row(sdRight, "sub/nf"), 0);
    EXPECT_EQ(messages, QStringList());
}

TEST_F(ArchiveFoldersPanelTest, DeletingAFolderMemberDeletesItsTree)
{
    // "sub/" has no member of its own; "sub/deeper/" and "sub/deeper/more/" have.
    ASSERT_TRUE(
        Tool("zip -q -r " + left + "f.zip top.txt sub && zip -q -d " + left + "f.zip sub/"));
    Open(sdLeft, left);
    Enter(sdLeft, "f.zip");
    Enter(sdLeft, "sub");
    Select(sdLeft, {"sub/deeper"});
    AnswerQuestion(1);
    Press(Qt::Key_F8);
    EXPECT_EQ(ZipNames(left + "f.zip"), QStringList({"sub/s.txt", "top.txt"}));
    EXPECT_EQ(MemberContent(left + "f.zip", "sub/s.txt"), "in sub");
    // Read again, the panel stays in its folder.
    EXPECT_EQ(Caption(sdLeft), left + "f.zip/sub/");
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "sub/s.txt"}));
    // Its last member gone, the folder goes: the panel goes to the one above.
    Select(sdLeft, {"sub/s.txt"});
    AnswerQuestion(1);
    Press(Qt::Key_F8);
    EXPECT_EQ(Caption(sdLeft), left + "f.zip");
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "top.txt"}));
}

TEST_F(ArchiveFoldersPanelTest, HostileNamesMakeNoFolderAndWriteNothingOutside)
{
    // Names that lead out of the target: relative, through a folder, and absolute.
    const QString absolute = dir("abs-x3.txt");
    ASSERT_TRUE(Tool("python3 -c \"import zipfile; z = zipfile.ZipFile('" + left +
                     "evil.zip', 'w'); [z.writestr(zipfile.ZipInfo(n), 'evil') for n in "
                     "['../x1.txt', 'a/../../x2.txt', '" +
                     absolute + "', 'ok/../../x4.txt', 'ok/y.txt']]; z.close()\""));
    Open(sdLeft, left);
    Enter(sdLeft, "evil.zip");
    // Each stays one row under its whole name; only "ok" is a folder, and holds only y.txt.
    QStringList names = Names(sdLeft);
    names.sort();
    EXPECT_EQ(names, QStringList(
                         {"..", "../x1.txt", absolute, "a/../../x2.txt", "ok", "ok/../../x4.txt"}));
    EXPECT_TRUE(main->Left().Listing[Row(sdLeft, "ok")].IsDirectory());
    EXPECT_FALSE(main->Left().Listing[Row(sdLeft, "a/../../x2.txt")].IsDirectory());
    EXPECT_EQ(Shown(sdLeft, "a/../../x2.txt"), "a/../../x2");
    Enter(sdLeft, "ok");
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "ok/y.txt"}));
    Enter(sdLeft, "..");
    QTest::keyClick(main->Left().Files->ActiveView(), Qt::Key_A, Qt::ControlModifier);
    Press(Qt::Key_F5);
    EXPECT_EQ(readAll(right + "ok/y.txt"), "evil");
    for (const QString& outside : {dir("x1.txt"), dir("x2.txt"), dir("x4.txt"), absolute,
                                   dir("left/x2.txt"), right + "x2.txt"})
        EXPECT_FALSE(QFileInfo::exists(outside)) << outside.toStdString();
}
