// The figures a panel shows as the user sees them in its widgets: counts, times, names,
// free space, and which files open as archives.
#include "main/FileOpsFixture.h"
#include "panel/PanelText.h"

#include <QDateTime>
#include <QHeaderView>
#include <QTreeView>

namespace
{

class PanelFiguresTest : public FileOpsTest
{
protected:
    // A cell as the list view shows it.
    QString Shown(TSide side, const QString& name, int column)
    {
        QAbstractItemView* view = View(side);
        return view->model()->index(Row(side, name), column).data().toString();
    }
    QString Header(TSide side, int column)
    {
        auto* tree = static_cast<QTreeView*>(View(side));
        return tree->model()->headerData(column, Qt::Horizontal).toString();
    }
    void SetModified(const QString& path, const QDateTime& time)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
    }
    void EnterOn(TSide side, const QString& name)
    {
        main->Panel(side).Files->FocusItem(Row(side, name));
        main->FilesEnter(side);
        Press(Qt::Key_Return);
    }
};

} // namespace

TEST_F(PanelFiguresTest, StatusLinesCountNeitherTheParentRowNorTheCursorRow)
{
    const QString empty = dir.mkdir("left/empty");
    Open(sdLeft, empty);
    EXPECT_EQ(main->Left().Total->Text(1), "0 object(s)");

    dir.write("left/one.bin", QByteArray(1000, 'a'));
    dir.write("left/two.bin", QByteArray(2500, 'b'));
    Open(sdLeft, left);
    EXPECT_EQ(main->Left().Total->Text(1), "3 object(s)"); // empty, one.bin, two.bin
    // The cursor on a file marks nothing.
    Press(Qt::Key_End);
    ASSERT_EQ(FocusedName(sdLeft), "two.bin");
    EXPECT_EQ(main->Left().Selected->Text(1), "0 object(s)");
    EXPECT_EQ(main->Left().Selected->Text(2), "0 byte(s)");
    Press(Qt::Key_Insert);
    EXPECT_EQ(main->Left().Selected->Text(1), "1 object(s)");
    EXPECT_EQ(main->Left().Selected->Text(2), "2,500 byte(s)");
    Press(Qt::Key_Up);
    Press(Qt::Key_Insert);
    EXPECT_EQ(main->Left().Selected->Text(1), "2 object(s)");
    EXPECT_EQ(main->Left().Selected->Text(2), "3,500 byte(s)");

    // In an archive too: ".." is no member.
    ASSERT_TRUE(ArchiveWithOneMember(left, "one.zip"));
    Open(sdLeft, left);
    EnterOn(sdLeft, "one.zip");
    ASSERT_TRUE(main->ShowsArchive(sdLeft));
    EXPECT_EQ(main->Left().Total->Text(1), "1 objects");
}

TEST_F(PanelFiguresTest, TimesShowTheirOwnSecondsAndZipMembersTheirStoredOnes)
{
    const QDateTime odd({2024, 5, 6}, {18, 47, 23});
    SetModified(dir.write("left/odd.txt", "x"), odd);
    SetModified(dir.write("left/even.txt", "y"), odd.addSecs(1));
    Open(sdLeft, left);
    EXPECT_EQ(Shown(sdLeft, "odd.txt", pcModified), "5/6/24 6:47:23 PM");
    EXPECT_EQ(Shown(sdLeft, "even.txt", pcModified), "5/6/24 6:47:24 PM");

    // A ZIP archive stores times in two-second steps: its members show what it holds.
    ASSERT_TRUE(RunZip(left, {"-q", "times.zip", "odd.txt", "even.txt"}));
    Open(sdLeft, left);
    EnterOn(sdLeft, "times.zip");
    ASSERT_TRUE(main->ShowsArchive(sdLeft));
    const QString member = Shown(sdLeft, "odd.txt", pcModified);
    EXPECT_TRUE(member == "5/6/24 6:47:22 PM" || member == "5/6/24 6:47:24 PM")
        << member.toStdString();
    EXPECT_EQ(Shown(sdLeft, "even.txt", pcModified), "5/6/24 6:47:24 PM");
}

TEST_F(PanelFiguresTest, ZipArchivesOpenByTheirContentWhateverTheirExtension)
{
    for (const char* name : {"data.dat", "book.epub", "tool.jar", "letter.docx", "app.apk"}) {
        ASSERT_TRUE(ArchiveWithOneMember(left, name)) << name;
        Open(sdLeft, left);
        EnterOn(sdLeft, name);
        EXPECT_TRUE(main->ShowsArchive(sdLeft)) << name;
        EXPECT_EQ(Names(sdLeft), QStringList({"..", "x.txt"})) << name;
        EXPECT_EQ(main->Left().DirectoryLabel->text(), left + name);
        // ".." leads back to the folder, the archive under the cursor.
        Press(Qt::Key_Home);
        Press(Qt::Key_Return);
        EXPECT_FALSE(main->ShowsArchive(sdLeft)) << name;
        EXPECT_EQ(main->Left().Directory, left);
        EXPECT_TRUE(QFile::remove(left + name));
    }
}

TEST_F(PanelFiguresTest, ANameEndingInADotKeepsItsDot)
{
    dir.write("left/trailingdot.", "1");
    dir.write("left/two.dots..", "2");
    dir.write("left/normal.txt", "3");
    Open(sdLeft, left);
    EXPECT_EQ(Shown(sdLeft, "trailingdot.", pcName), "trailingdot.");
    EXPECT_EQ(Shown(sdLeft, "trailingdot.", pcExt), "");
    EXPECT_EQ(Shown(sdLeft, "two.dots..", pcName), "two.dots..");
    EXPECT_EQ(Shown(sdLeft, "normal.txt", pcName), "normal");
    EXPECT_EQ(Shown(sdLeft, "normal.txt", pcExt), "txt");
}

TEST_F(PanelFiguresTest, TheDriveListLabelsItsFreeSpaceColumn)
{
    EXPECT_EQ(Header(sdLeft, pcSize), "Size");
    Open(sdLeft, "Drives");
    ASSERT_EQ(main->Left().Directory, "Drives");
    EXPECT_EQ(Header(sdLeft, pcSize), "Free");
    EXPECT_EQ(Header(sdRight, pcSize), "Size");
    Open(sdLeft, left);
    EXPECT_EQ(Header(sdLeft, pcSize), "Size");
}

TEST_F(PanelFiguresTest, TwoPanelsOnOneFileSystemShowTheSameFreeSpaceAfterACommand)
{
    Open(sdRight, right);
    Open(sdLeft, left);
    // The disk fills by 32 MB outside both folders; then a command in the left panel.
    dir.write("big.bin", QByteArray(32 << 20, 'z'));
    TypeInput("made");
    Press(Qt::Key_F7);
    ASSERT_TRUE(QFileInfo(left + "made").isDir());
    EXPECT_FALSE(main->Left().LabelFree->text().isEmpty());
    EXPECT_EQ(main->Right().LabelFree->text(), main->Left().LabelFree->text());
}
