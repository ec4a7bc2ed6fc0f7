// Edit's Cut, Copy and Paste through the desktop clipboard, driven by keys: what goes on
// the clipboard, byte for byte; files another program put there pasted as a copy
// between folders (questions on taken names, undo), or moved after a cut; and the text
// fields that keep the keys for their text.
#include "fileops/uCollision.h"
#include "main/UserInputFixture.h"
#include "panel/PathLine.h"

#include <QClipboard>
#include <QFileInfo>
#include <QMimeData>

namespace
{

class ClipboardTest : public UserInputTest
{
protected:
    void TearDown() override
    {
        QGuiApplication::clipboard()->clear();
        UserInputTest::TearDown();
    }
    static const QMimeData* Clip() { return QGuiApplication::clipboard()->mimeData(); }
    // Puts `formats` on the clipboard, as another program does.
    static void SetClip(const QList<std::pair<QString, QByteArray>>& formats)
    {
        auto* data = new QMimeData;
        for (const auto& [format, bytes] : formats)
            data->setData(format, bytes);
        QGuiApplication::clipboard()->setMimeData(data);
    }
    static QByteArray Uri(const QString& path) { return "file://" + path.toUtf8(); }
};

TEST_F(ClipboardTest, CopyAndCutPutTheMarkedFilesAsTheDesktopsFileManagersDo)
{
    dir.write("left/a b%.txt", "a");
    dir.write("left/\xc3\xa9t\xc3\xa9.txt", "b");
    dir.write("left/other.txt", "c");
    Reload();
    const QString accented = QString::fromUtf8("\xc3\xa9t\xc3\xa9.txt");
    Select(sdLeft, {"a b%.txt", accented});
    Key(Qt::Key_C, Qt::ControlModifier);
    // The rows in list order, "a b%.txt" before the accented name.
    const QByteArray one = Uri(left) + "a%20b%25.txt", two = Uri(left) + "%C3%A9t%C3%A9.txt";
    ASSERT_TRUE(Clip());
    EXPECT_EQ(Clip()->data("text/uri-list"), one + "\r\n" + two + "\r\n");
    EXPECT_EQ(Clip()->data("x-special/gnome-copied-files"), "copy\n" + one + "\n" + two);
    EXPECT_FALSE(Clip()->hasFormat("application/x-kde-cutselection"));
    EXPECT_EQ(Clip()->text(), left + "a b%.txt\n" + left + accented);

    // Without marks, the file under the cursor; a cut says so in both markers.
    main->Left().Files->ClearItemStates();
    main->Left().Files->FocusItem(Row(sdLeft, "other.txt"));
    Key(Qt::Key_X, Qt::ControlModifier);
    const QByteArray third = Uri(left) + "other.txt";
    EXPECT_EQ(Clip()->data("text/uri-list"), third + "\r\n");
    EXPECT_EQ(Clip()->data("x-special/gnome-copied-files"), "cut\n" + third);
    EXPECT_EQ(Clip()->data("application/x-kde-cutselection"), "1");
    EXPECT_TRUE(QFileInfo::exists(left + "other.txt")); // a cut moves nothing yet
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(ClipboardTest, PasteCopiesAnotherProgramsFilesAskingOnATakenNameAndUndoTakesThemBack)
{
    const QString elsewhere = dir.mkdir("elsewhere");
    QByteArray binary(200000, Qt::Uninitialized);
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char(i * 7 + 3);
    dir.write("elsewhere/data bin", binary);
    dir.write("elsewhere/folder/inner.txt", "inner");
    dir.write("elsewhere/taken.txt", "incoming");
    dir.write("right/taken.txt", "old");
    Reload();
    // Another program's list: a comment line and percent-encoded names.
    SetClip(
        {{"text/uri-list", "# from a test\r\n" + Uri(elsewhere) + "data%20bin\r\n" +
                               Uri(elsewhere) + "folder\r\n" + Uri(elsewhere) + "taken.txt\r\n"}});
    Select(sdRight, {"taken.txt"});
    QStringList asked;
    AnswerNextModal([&asked](QDialog* d) {
        auto* question = qobject_cast<TfCollision*>(d);
        ASSERT_TRUE(question);
        asked << question->LabelExisting->text();
        QTest::mouseClick(question->ButtonSkip, Qt::LeftButton);
    });
    Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains(right + "taken.txt")) << asked[0].toStdString();
    EXPECT_EQ(readAll(right + "data bin"), binary);
    EXPECT_EQ(readAll(right + "folder/inner.txt"), "inner");
    EXPECT_EQ(readAll(right + "taken.txt"), "old");
    EXPECT_EQ(readAll(elsewhere + "data bin"), binary); // a copy leaves the sources
    EXPECT_TRUE(Names(sdRight).contains("data bin"));
    EXPECT_EQ(main->ActiveSide(), sdRight);
    EXPECT_TRUE(Clip()->hasFormat("text/uri-list")); // a copy can be pasted again

    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(QFileInfo::exists(right + "data bin"));
    EXPECT_FALSE(QFileInfo::exists(right + "folder"));
    EXPECT_EQ(readAll(right + "taken.txt"), "old");
    EXPECT_EQ(readAll(elsewhere + "data bin"), binary);
}

TEST_F(ClipboardTest, CutThenPasteMovesTheFilesAndEmptiesTheClipboard)
{
    dir.write("left/one.txt", "one");
    dir.write("left/two.txt", "two");
    dir.write("left/stays.txt", "stays");
    Reload();
    Select(sdLeft, {"one.txt", "two.txt"});
    Key(Qt::Key_X, Qt::ControlModifier);
    main->FilesEnter(sdRight);
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(readAll(right + "one.txt"), "one");
    EXPECT_EQ(readAll(right + "two.txt"), "two");
    EXPECT_FALSE(QFileInfo::exists(left + "one.txt"));
    EXPECT_FALSE(QFileInfo::exists(left + "two.txt"));
    EXPECT_TRUE(QFileInfo::exists(left + "stays.txt"));
    EXPECT_FALSE(Names(sdLeft).contains("one.txt")); // both panels show the move
    EXPECT_TRUE(Names(sdRight).contains("one.txt"));
    EXPECT_TRUE(!Clip() || Clip()->formats().isEmpty());

    // A cut made in another program says so in the GNOME list alone.
    SetClip({{"x-special/gnome-copied-files", "cut\n" + Uri(right) + "one.txt"}});
    main->FilesEnter(sdLeft);
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(readAll(left + "one.txt"), "one");
    EXPECT_FALSE(QFileInfo::exists(right + "one.txt"));
    EXPECT_TRUE(!Clip() || Clip()->formats().isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(ClipboardTest, TextFieldsKeepTheKeysAndOtherContentIsNotPasted)
{
    dir.write("left/a.txt", "a");
    dir.write("right/b.txt", "b");
    Reload();
    Select(sdLeft, {"a.txt"});
    Key(Qt::Key_L, Qt::ControlModifier);
    TPathLine* line = main->Left().PathLine;
    ASSERT_TRUE(line->hasFocus());
    line->setText("/typed/path");
    line->selectAll();
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clip()->text(), "/typed/path");
    EXPECT_FALSE(Clip()->hasFormat("text/uri-list"));

    // Files on the clipboard: Ctrl+V in the line pastes their paths as text, no file.
    SetClip(
        {{"text/uri-list", Uri(right) + "b.txt\r\n"}, {"text/plain", (right + "b.txt").toUtf8()}});
    line->clear();
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(line->text(), right + "b.txt");
    EXPECT_FALSE(QFileInfo::exists(left + "b.txt"));
    Key(Qt::Key_Escape);

    // Text alone on the clipboard pastes nothing and says so.
    QGuiApplication::clipboard()->setText(right + "b.txt");
    main->FilesEnter(sdLeft);
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_FALSE(QFileInfo::exists(left + "b.txt"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("no files")) << messages[0].toStdString();
}

TEST_F(ClipboardTest, MembersOfAnArchiveDoNotGoOnTheClipboardNorFilesIntoOne)
{
    ASSERT_TRUE(ArchiveWithOneMember(left, "box.zip"));
    dir.write("right/b.txt", "b");
    Reload();
    QGuiApplication::clipboard()->setText("before");
    OpenArchive(sdLeft, "box.zip");
    main->Left().Files->FocusItem(Row(sdLeft, "x.txt"));
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clip()->text(), "before");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("archive")) << messages[0].toStdString();

    const QByteArray archive = readAll(left + "box.zip");
    SetClip({{"text/uri-list", Uri(right) + "b.txt\r\n"}});
    Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].contains("Nothing was pasted")) << messages[1].toStdString();
    EXPECT_EQ(readAll(left + "box.zip"), archive);
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "x.txt"}));
}

} // namespace
