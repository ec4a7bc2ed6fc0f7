// Ctrl+Z takes back the last file commands, driven by real keys and checked on disk:
// what is still as the command left it goes back, everything else stays and is named.
#include "fileops/uProgress.h"
#include "main/UserInputFixture.h"
#include "platform/FileOpsFaults.h"
#include "robust/RobustSupport.h"
#include "transfer/FileOpsTrash.h"

#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

namespace
{

class UndoTest : public UserInputTest
{
protected:
    void TearDown() override
    {
        platform::SetFileOpsFaultHook({});
        UserInputTest::TearDown();
    }
    void Undo() { Key(Qt::Key_Z, Qt::ControlModifier); }
    QString UndoText() const { return main->Actions.MenuUndo->text(); }
    static QStringList Files(const QString& folder)
    {
        return QDir(folder).entryList(
            QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    static bool Exists(const QString& path) { return QFileInfo::exists(path); }
    // Clicks Cancel in the progress window as soon as it is on screen and then sets
    // `cancelled`; the timer lives as long as the test.
    void CancelWhenShown()
    {
        QObject::connect(&cancelPoll, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* window = qobject_cast<TfProgress*>(w); window && window->isVisible()) {
                    QTest::mouseClick(window->ButtonCancel, Qt::LeftButton);
                    cancelled.store(true);
                    cancelPoll.stop();
                }
        });
        cancelPoll.start(20);
    }
    // Waits (at most 10 s) until the user has cancelled; for fault hooks.
    void WaitForCancel()
    {
        for (int i = 0; i < 1000 && !cancelled.load(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    QTimer cancelPoll;
    std::atomic<bool> cancelled{false};
    // Writes `data` over the file at `path` and gives it back its modification time to
    // the nanosecond, so that only its content tells the change.
    static void ReplaceKeepingTime(const QString& path, const QByteArray& data)
    {
        struct stat st {
        };
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(data), data.size());
        file.close();
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    }
};

} // namespace

TEST_F(UndoTest, RenameByMaskOfThreeFilesGoesBackWithCtrlZ)
{
    EXPECT_FALSE(main->Actions.MenuUndo->isEnabled());
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        dir.write(QString("left/") + name, name);
    Reload();
    Click(At(sdLeft, "a.txt"));
    for (int i = 0; i < 3; ++i)
        Key(Qt::Key_Insert);
    TypeInput("*.bak");
    Key(Qt::Key_F9);
    ASSERT_EQ(Files(left), QStringList({"a.bak", "b.bak", "c.bak", "d.txt"}));
    EXPECT_EQ(UndoText(), "Undo rename of 3 files");
    EXPECT_TRUE(main->Actions.MenuUndo->isEnabled());

    Undo();
    EXPECT_EQ(Files(left), QStringList({"a.txt", "b.txt", "c.txt", "d.txt"}));
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        EXPECT_EQ(readAll(left + name), name);
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "a.txt", "b.txt", "c.txt", "d.txt"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(UndoText(), "Undo");
    EXPECT_FALSE(main->Actions.MenuUndo->isEnabled());
}

// A chain: b.txt takes a.txt's name only once a.txt has left it; the undo unwinds it in
// the opposite order, so both names come back.
TEST_F(UndoTest, RenamesThatFollowEachOtherAreTakenBackLastFirst)
{
    dir.write("left/a.txt", "was a");
    dir.write("left/b.txt", "was b");
    Reload();
    Click(At(sdLeft, "a.txt"));
    TypeInput("c.txt");
    Key(Qt::Key_F9);
    Click(At(sdLeft, "b.txt"));
    TypeInput("a.txt");
    Key(Qt::Key_F9);
    ASSERT_EQ(readAll(left + "a.txt"), "was b");
    Undo();
    Undo();
    EXPECT_EQ(readAll(left + "a.txt"), "was a");
    EXPECT_EQ(readAll(left + "b.txt"), "was b");
    EXPECT_EQ(Files(left), QStringList({"a.txt", "b.txt"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(UndoTest, AFolderMovedToAnotherFileSystemComesBackWhole)
{
    robust::TSmallDisk disk(dir("disk"), 1 << 20);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();
    dir.write("left/tree/one.txt", "one");
    dir.write("left/tree/sub/two.txt", "two");
    dir.write("left/stays.txt", "stays");
    const robust::TTree before = robust::Snapshot(left);
    const QString other = dir("disk") + '/';
    Open(sdRight, other);
    Open(sdLeft, left);
    Click(At(sdLeft, "tree"));
    Key(Qt::Key_F6);
    ASSERT_FALSE(Exists(left + "tree"));
    ASSERT_EQ(readAll(other + "tree/sub/two.txt"), "two");
    EXPECT_EQ(UndoText(), "Undo move of tree");

    Undo();
    EXPECT_EQ(robust::Diff(robust::Snapshot(left), before), "");
    EXPECT_TRUE(robust::Snapshot(other).empty());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    // Both panels show it.
    EXPECT_GE(Row(sdLeft, "tree"), 0);
    EXPECT_EQ(Row(sdRight, "tree"), -1);
}

TEST_F(UndoTest, ItemsSentToTheTrashComeBackAndTheirRecordsGo)
{
    const QString home = dir.mkdir("data");
    qputenv("XDG_DATA_HOME", home.toUtf8());
    const auto unset = qScopeGuard([] { qunsetenv("XDG_DATA_HOME"); });
    main->UseRecycleBin = true;
    // An older doc.txt in the trash, which the undo must leave there.
    dir.write("left/doc.txt", "older");
    Reload();
    Click(At(sdLeft, "doc.txt"));
    AnswerQuestion(TfConfirm::mrYes);
    Key(Qt::Key_F8);
    ASSERT_EQ(readAll(home + "Trash/files/doc.txt"), "older");

    dir.write("left/doc.txt", "newer");
    dir.write("left/folder/inner.txt", "inner");
    Reload();
    Select(sdLeft, {"doc.txt", "folder"});
    AnswerQuestion(TfConfirm::mrYes);
    Key(Qt::Key_F8);
    ASSERT_EQ(Files(left), QStringList());
    ASSERT_EQ(Files(home + "Trash/files"), QStringList({"doc.txt", "doc.txt.2", "folder"}));
    EXPECT_EQ(UndoText(), "Undo move to the trash of 2 files");

    Undo();
    EXPECT_EQ(readAll(left + "doc.txt"), "newer");
    EXPECT_EQ(readAll(left + "folder/inner.txt"), "inner");
    EXPECT_EQ(Files(home + "Trash/files"), QStringList({"doc.txt"}));
    EXPECT_EQ(Files(home + "Trash/info"), QStringList({"doc.txt.trashinfo"}));
    EXPECT_EQ(readAll(home + "Trash/files/doc.txt"), "older");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_GE(Row(sdLeft, "folder"), 0);
    // The delete before finds the old name taken: that item stays in the trash.
    Undo();
    EXPECT_EQ(readAll(left + "doc.txt"), "newer");
    EXPECT_EQ(readAll(home + "Trash/files/doc.txt"), "older");
    EXPECT_TRUE(Exists(home + "Trash/info/doc.txt.trashinfo"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(left + "doc.txt") && messages[0].contains("is taken"))
        << messages[0].toStdString();
}

// The user emptied the trash and another program trashed an item of the same name: the
// trash's doc.txt is not the item the command sent there, and stays.
TEST_F(UndoTest, AnotherItemUnderTheSameTrashNameStaysInTheTrash)
{
    const QString home = dir.mkdir("data");
    qputenv("XDG_DATA_HOME", home.toUtf8());
    const auto unset = qScopeGuard([] { qunsetenv("XDG_DATA_HOME"); });
    main->UseRecycleBin = true;
    dir.write("left/doc.txt", "sent by the command");
    Reload();
    Click(At(sdLeft, "doc.txt"));
    AnswerQuestion(TfConfirm::mrYes);
    Key(Qt::Key_F8);
    const QString other = dir.write("elsewhere/doc.txt", "someone else's");
    ASSERT_TRUE(QFile::remove(home + "Trash/files/doc.txt"));
    ASSERT_TRUE(QFile::remove(home + "Trash/info/doc.txt.trashinfo"));
    ASSERT_EQ(platform::MoveToTrash(other), "");

    Undo();
    EXPECT_FALSE(Exists(left + "doc.txt"));
    EXPECT_EQ(readAll(home + "Trash/files/doc.txt"), "someone else's");
    EXPECT_TRUE(Exists(home + "Trash/info/doc.txt.trashinfo"));
    EXPECT_EQ(messages, QStringList({"\"" + left +
                                     "doc.txt\" stays in the trash: the trash "
                                     "holds another item under its name now."}));
}

// Copies go only while unchanged: b.txt was written over (same size, same time), a file
// was added to the copied folder. Both stay and the one message says why.
TEST_F(UndoTest, CopiesChangedSinceStayAndTheMessageNamesThem)
{
    dir.write("left/a.txt", "alpha");
    dir.write("left/b.txt", "bravo");
    dir.write("left/tree/x.txt", "x");
    Reload();
    const robust::TTree sources = robust::Snapshot(left);
    Select(sdLeft, {"a.txt", "b.txt", "tree"});
    Key(Qt::Key_F5);
    ASSERT_EQ(readAll(right + "b.txt"), "bravo");
    EXPECT_EQ(UndoText(), "Undo copy of 3 files");
    ReplaceKeepingTime(right + "b.txt", "BRAVO");
    dir.write("right/tree/new.txt", "made since");

    Undo();
    EXPECT_FALSE(Exists(right + "a.txt"));
    EXPECT_EQ(readAll(right + "b.txt"), "BRAVO");
    EXPECT_EQ(Files(right + "tree"), QStringList({"new.txt"}));
    EXPECT_EQ(robust::Diff(robust::Snapshot(left), sources), "");
    ASSERT_EQ(messages.size(), 1) << messages.join("\n---\n").toStdString();
    EXPECT_TRUE(messages[0].contains("\"" + right + "b.txt\" stays: its content changed"))
        << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains("\"" + right + "tree\" stays") &&
                messages[0].contains("new.txt"))
        << messages[0].toStdString();
    EXPECT_EQ(Row(sdRight, "a.txt"), -1);
    EXPECT_GE(Row(sdRight, "b.txt"), 0);
}

TEST_F(UndoTest, AnOldNameTakenMeanwhileKeepsBothItemsAndSaysSo)
{
    dir.write("left/x.txt", "mine");
    Reload();
    Click(At(sdLeft, "x.txt"));
    TypeInput("y.txt");
    Key(Qt::Key_F9);
    ASSERT_EQ(readAll(left + "y.txt"), "mine");
    EXPECT_EQ(UndoText(), "Undo rename of x.txt");
    dir.write("left/x.txt", "made since");

    Undo();
    EXPECT_EQ(readAll(left + "x.txt"), "made since");
    EXPECT_EQ(readAll(left + "y.txt"), "mine");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], "\"" + left + "y.txt\" was not put back: its old name \"" + left +
                               "x.txt\" is taken.");
    EXPECT_EQ(UndoText(), "Undo");
}

// What stands under the new name now is another item than the one renamed: it stays.
TEST_F(UndoTest, AnItemReplacedSinceIsNotTakenBack)
{
    dir.write("left/a.txt", "renamed");
    Reload();
    Click(At(sdLeft, "a.txt"));
    TypeInput("b.txt");
    Key(Qt::Key_F9);
    // Made before the renamed file goes, so it cannot take over its inode.
    dir.write("left/b.new", "another");
    ASSERT_EQ(::rename(QFile::encodeName(left + "b.new").constData(),
                       QFile::encodeName(left + "b.txt").constData()),
              0);

    Undo();
    EXPECT_EQ(Files(left), QStringList({"b.txt"}));
    EXPECT_EQ(readAll(left + "b.txt"), "another");
    EXPECT_EQ(messages, QStringList({"\"" + left + "b.txt\" was not put back: it changed since."}));
}

TEST_F(UndoTest, CtrlZTwiceGoesBackTwoCommands)
{
    dir.write("left/a.txt", "a");
    Reload();
    TypeInput("made");
    Key(Qt::Key_F7);
    ASSERT_TRUE(QFileInfo(left + "made").isDir());
    EXPECT_EQ(UndoText(), "Undo create directory made");
    Click(At(sdLeft, "a.txt"));
    Key(Qt::Key_F5);
    ASSERT_EQ(readAll(right + "a.txt"), "a");
    EXPECT_EQ(UndoText(), "Undo copy of a.txt");

    Undo();
    EXPECT_FALSE(Exists(right + "a.txt"));
    EXPECT_TRUE(Exists(left + "made"));
    EXPECT_EQ(UndoText(), "Undo create directory made");
    Undo();
    EXPECT_FALSE(Exists(left + "made"));
    EXPECT_EQ(Files(left), QStringList({"a.txt"}));
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "a.txt"}));
    Undo(); // nothing left: nothing happens
    EXPECT_EQ(Files(left), QStringList({"a.txt"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    // A folder that holds something since is no longer the one made.
    TypeInput("full");
    Key(Qt::Key_F7);
    dir.write("left/full/note.txt", "note");
    Undo();
    EXPECT_EQ(readAll(left + "full/note.txt"), "note");
    EXPECT_EQ(messages, QStringList({"The folder \"" + left + "full\" stays: it is not empty."}));

    // Nor is a folder made again under the name by someone else.
    messages.clear();
    TypeInput("again");
    Key(Qt::Key_F7);
    ASSERT_TRUE(QDir(left).mkdir("again.new"));
    ASSERT_TRUE(QDir(left).rmdir("again"));
    ASSERT_TRUE(QDir(left).rename("again.new", "again"));
    Undo();
    EXPECT_TRUE(QFileInfo(left + "again").isDir());
    EXPECT_EQ(messages, QStringList({"The folder \"" + left +
                                     "again\" stays: another entry has its name now."}));
}

// A delete for good cannot be taken back, and nothing before it is taken back past it.
TEST_F(UndoTest, NothingIsTakenBackPastADeleteForGood)
{
    dir.write("left/a.txt", "a");
    dir.write("left/b.txt", "b");
    Reload();
    Click(At(sdLeft, "a.txt"));
    TypeInput("renamed.txt");
    Key(Qt::Key_F9);
    Click(At(sdLeft, "b.txt"));
    AnswerQuestion(TfConfirm::mrYes);
    Key(Qt::Key_Delete, Qt::ShiftModifier);
    ASSERT_FALSE(Exists(left + "b.txt"));
    EXPECT_EQ(UndoText(), "Cannot undo a delete for good");

    Undo();
    EXPECT_EQ(messages, QStringList({"Cannot undo a delete for good."}));
    EXPECT_EQ(Files(left), QStringList({"renamed.txt"}));
}

// The in-place editor keeps Ctrl+Z for its own text.
TEST_F(UndoTest, CtrlZInTheRenameEditorUndoesTheTypingOnly)
{
    dir.write("left/a.txt", "a");
    Reload();
    Click(At(sdLeft, "a.txt"));
    TypeInput("b.txt");
    Key(Qt::Key_F9);
    ASSERT_TRUE(Exists(left + "b.txt"));
    Click(At(sdLeft, "b.txt"));
    Key(Qt::Key_F2);
    auto* editor = View(sdLeft)->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    Key(Qt::Key_End);
    QTest::keyClick(main->windowHandle(), 'x');
    ASSERT_EQ(editor->text(), "b.txtx");
    Undo();
    EXPECT_EQ(editor->text(), "b.txt");
    Key(Qt::Key_Escape);
    EXPECT_EQ(Files(left), QStringList({"b.txt"}));
    EXPECT_EQ(UndoText(), "Undo rename of a.txt");
}

// Cancel stops before the next item; what was not taken back yet stays the last record.
TEST_F(UndoTest, ACancelledUndoKeepsTheRestForTheNextCtrlZ)
{
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        dir.write(QString("left/") + name, name);
    Reload();
    Select(sdLeft, {"a.txt", "b.txt", "c.txt"});
    Key(Qt::Key_F5);
    ASSERT_EQ(Files(right), QStringList({"a.txt", "b.txt", "c.txt"}));
    // The second removal (b.txt: the last copy goes first) waits for Cancel.
    std::atomic<int> removals{0};
    std::atomic<bool> cancelled{false};
    platform::SetFileOpsFaultHook([&](platform::TFileOpsStep step, const QString&) {
        if (step == platform::TFileOpsStep::RemoveEntry && ++removals == 2)
            for (int i = 0; i < 1000 && !cancelled.load(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return 0;
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<TfProgress*>(w); window && window->isVisible()) {
                QTest::mouseClick(window->ButtonCancel, Qt::LeftButton);
                cancelled.store(true);
                poll.stop();
            }
    });
    poll.start(20);
    Undo();
    platform::SetFileOpsFaultHook({});
    ASSERT_TRUE(cancelled.load());
    EXPECT_EQ(Files(right), QStringList({"a.txt"}));
    EXPECT_EQ(messages,
              QStringList({"The undo was cancelled after 2 of 3 items; the others can still "
                           "be undone."}));
    EXPECT_EQ(UndoText(), "Undo copy of a.txt");
    messages.clear();
    Undo();
    EXPECT_EQ(Files(right), QStringList());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

// Changes to an archive cannot be taken back; the menu item says which one it was.
TEST_F(UndoTest, ChangesToAnArchiveSayTheyCannotBeUndone)
{
    ASSERT_TRUE(ArchiveWithOneMember(right, "pack.zip"));
    dir.write("left/add.txt", "added");
    Reload();
    Open(sdRight, right);
    OpenArchive(sdRight, "pack.zip");
    Click(At(sdLeft, "add.txt"));
    Key(Qt::Key_F5);
    ASSERT_GE(Row(sdRight, "add.txt"), 0);
    EXPECT_EQ(UndoText(), "Cannot undo a copy into an archive");
    Click(At(sdRight, "x.txt"));
    AnswerQuestion(TfConfirm::mrYes);
    Key(Qt::Key_F8);
    ASSERT_EQ(Row(sdRight, "x.txt"), -1);
    EXPECT_EQ(UndoText(), "Cannot undo a delete in an archive");
    Undo();
    EXPECT_EQ(messages, QStringList({"Cannot undo a delete in an archive."}));
    EXPECT_EQ(MemberContent(right + "pack.zip", "add.txt"), "added");
}

// Another program appends to the first file of a folder as soon as the copy has made it,
// while the rest of the folder is still being copied: the copy's record holds the bytes
// the copy wrote, so the undo keeps that file and says so, and removes the rest.
TEST_F(UndoTest, AFileEditedWhileItsFolderWasStillCopyingStaysAtTheUndo)
{
    for (int i = 0; i < 4; ++i)
        dir.write(QStringLiteral("left/tree/f%1.txt").arg(i), "as copied");
    Reload();
    QString edited;
    int opened = 0;
    platform::SetFileOpsFaultHook([&](platform::TFileOpsStep step, const QString&) {
        if (step == platform::TFileOpsStep::OpenSource && ++opened == 2) {
            // The folder is copied under a temporary name until it is whole.
            const QStringList copying =
                QDir(right).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
            const QString at = copying.size() == 1 ? right + copying[0] + "/" : QString();
            const QStringList made = at.isEmpty() ? QStringList() : Files(at);
            if (made.size() == 1) {
                edited = made[0];
                QFile file(at + edited);
                if (file.open(QIODevice::Append))
                    file.write(" and then edited");
            }
        }
        return 0;
    });
    Click(At(sdLeft, "tree"));
    Key(Qt::Key_F5);
    platform::SetFileOpsFaultHook({});
    ASSERT_FALSE(edited.isEmpty());
    ASSERT_EQ(Files(right + "tree").size(), 4);
    EXPECT_EQ(UndoText(), "Undo copy of tree");

    Undo();
    EXPECT_EQ(Files(right + "tree"), QStringList({edited}));
    EXPECT_EQ(readAll(right + "tree/" + edited), "as copied and then edited");
    EXPECT_EQ(messages, QStringList({"The copy \"" + right + "tree/" + edited +
                                     "\" stays: it changed after it was copied."}));
    EXPECT_EQ(Files(left + "tree").size(), 4);
}

// Rewritten in place with the same size and its time put back: still not the file that
// was renamed (its change time moved), so it stays under its name.
TEST_F(UndoTest, AFileRewrittenWithItsTimePutBackIsNotRenamedBack)
{
    dir.write("left/a.txt", "renamed");
    Reload();
    Click(At(sdLeft, "a.txt"));
    TypeInput("b.txt");
    Key(Qt::Key_F9);
    ReplaceKeepingTime(left + "b.txt", "another");

    Undo();
    EXPECT_EQ(Files(left), QStringList({"b.txt"}));
    EXPECT_EQ(readAll(left + "b.txt"), "another");
    EXPECT_EQ(messages, QStringList({"\"" + left + "b.txt\" was not put back: it changed since."}));
}

// The old name is taken after it was found free and before the rename: the other item is
// never replaced.
TEST_F(UndoTest, AnOldNameTakenJustBeforeTheMoveBackIsNeverReplaced)
{
    dir.write("left/x.txt", "mine");
    Reload();
    Click(At(sdLeft, "x.txt"));
    TypeInput("y.txt");
    Key(Qt::Key_F9);
    platform::SetFileOpsFaultHook([this](platform::TFileOpsStep step, const QString&) {
        if (step == platform::TFileOpsStep::RenameItem)
            dir.write("left/x.txt", "made meanwhile");
        return 0;
    });

    Undo();
    platform::SetFileOpsFaultHook({});
    EXPECT_EQ(readAll(left + "x.txt"), "made meanwhile");
    EXPECT_EQ(readAll(left + "y.txt"), "mine");
    EXPECT_EQ(messages, QStringList({"\"" + left + "y.txt\" was not put back: its old name \"" +
                                     left + "x.txt\" is taken."}));
}

// Cancelled while the copy was compared, nothing moved: the original and its copy both
// stay, and the undo does not offer to move anything back.
TEST_F(UndoTest, AMoveCancelledWhileItsCopyWasComparedIsNotOfferedForUndo)
{
    robust::TSmallDisk disk(dir("disk"), 1 << 20);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();
    dir.write("left/tree/one.txt", "one");
    const QString other = dir("disk") + '/';
    Open(sdRight, other);
    Open(sdLeft, left);
    platform::SetFileOpsFaultHook([this](platform::TFileOpsStep step, const QString&) {
        if (step == platform::TFileOpsStep::BeforeVerify)
            WaitForCancel();
        return 0;
    });
    CancelWhenShown();
    Click(At(sdLeft, "tree"));
    Key(Qt::Key_F6);
    platform::SetFileOpsFaultHook({});
    ASSERT_TRUE(cancelled.load());
    EXPECT_EQ(readAll(left + "tree/one.txt"), "one");
    EXPECT_EQ(readAll(other + "tree/one.txt"), "one");
    EXPECT_EQ(UndoText(), "Undo");
    EXPECT_TRUE(messages.join('\n').contains("the move was cancelled while its copy was compared"))
        << messages.join('\n').toStdString();
}

// What a rename or move cannot go back to: the item is gone, its old folder is gone, or its
// old folder lies inside it now (here through a link made in its place).
TEST_F(UndoTest, AMoveBackThatCannotBeMadeSaysWhy)
{
    dir.write("left/x.txt", "x");
    dir.write("left/sub/a.txt", "a");
    dir.write("left/from/box/deeper/b.txt", "b");
    Reload();
    Click(At(sdLeft, "x.txt"));
    TypeInput("y.txt");
    Key(Qt::Key_F9);
    ASSERT_TRUE(QFile::remove(left + "y.txt"));
    Undo();
    EXPECT_EQ(messages, QStringList({"\"" + left + "y.txt\" was not put back: it is gone."}));

    messages.clear();
    Open(sdLeft, left + "sub");
    Click(At(sdLeft, "a.txt"));
    Key(Qt::Key_F6);
    ASSERT_EQ(readAll(right + "a.txt"), "a");
    ASSERT_TRUE(QDir(left + "sub").removeRecursively());
    Undo();
    EXPECT_EQ(readAll(right + "a.txt"), "a");
    EXPECT_EQ(messages, QStringList({"\"" + right + "a.txt\" was not put back: its old folder \"" +
                                     left + "sub/\" is gone."}));

    messages.clear();
    Open(sdLeft, left + "from");
    Click(At(sdLeft, "box"));
    Key(Qt::Key_F6);
    ASSERT_EQ(readAll(right + "box/deeper/b.txt"), "b");
    Open(sdLeft, left);
    ASSERT_TRUE(QDir(left).rmdir("from"));
    ASSERT_TRUE(QFile::link(right + "box/deeper", left + "from"));
    Undo();
    EXPECT_EQ(readAll(right + "box/deeper/b.txt"), "b");
    EXPECT_EQ(
        messages,
        QStringList({"\"" + right + "box\" was not put back: its old folder lies inside it now."}));
}

// What the trash and a new folder cannot give back: an item no longer in the trash, an
// item whose old folder is gone, a new folder that changed since it was made.
TEST_F(UndoTest, TrashRestoresAndNewFoldersThatCannotBeTakenBackSayWhy)
{
    const QString home = dir.mkdir("data");
    qputenv("XDG_DATA_HOME", home.toUtf8());
    const auto unset = qScopeGuard([] { qunsetenv("XDG_DATA_HOME"); });
    main->UseRecycleBin = true;
    dir.write("left/doc.txt", "doc");
    dir.write("left/sub/inner.txt", "inner");
    Reload();
    Click(At(sdLeft, "doc.txt"));
    AnswerQuestion(TfConfirm::mrYes);
    Key(Qt::Key_F8);
    ASSERT_TRUE(QFile::remove(home + "Trash/files/doc.txt"));
    Undo();
    EXPECT_EQ(messages, QStringList({"\"" + left +
                                     "doc.txt\" stays in the trash: it is no longer in the "
                                     "trash."}));

    messages.clear();
    Open(sdLeft, left + "sub");
    Click(At(sdLeft, "inner.txt"));
    AnswerQuestion(TfConfirm::mrYes);
    Key(Qt::Key_F8);
    Open(sdLeft, left);
    ASSERT_TRUE(QDir(left).rmdir("sub"));
    Undo();
    EXPECT_EQ(readAll(home + "Trash/files/inner.txt"), "inner");
    EXPECT_EQ(messages, QStringList({"\"" + left +
                                     "sub/inner.txt\" stays in the trash: its old folder is "
                                     "gone."}));

    // Empty again, but an entry was made in it and removed: not the folder as it was made.
    messages.clear();
    TypeInput("made");
    Key(Qt::Key_F7);
    dir.write("left/made/passing.txt", "passing");
    ASSERT_TRUE(QFile::remove(left + "made/passing.txt"));
    Undo();
    EXPECT_TRUE(QFileInfo(left + "made").isDir());
    EXPECT_EQ(messages, QStringList({"The folder \"" + left +
                                     "made\" stays: it changed since it was made."}));
}
