#include "main/MainWindowFixture.h"
#include "panel/PanelText.h"
#include "platform/Messages.h"

#include <QFile>

namespace
{

void SetModified(const QString& path, const QDateTime& time)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
}

// The text of the Modified column of the left panel's `row`, as the view asks for it.
QString ModifiedCell(TfMain& main, int row)
{
    int image = 0;
    QString text;
    main.FilesODGetItemInfo(sdLeft, row, pcModified, omText, image, text);
    return text;
}

} // namespace

TEST_F(MainWindowTest, ArchiveOpensLikeAFolderAndClosesThroughItsParentRow)
{
    SetModified(dir.write("src/dir/a.txt", QByteArray(100, 'a')), {{2021, 3, 4}, {5, 6, 8}});
    SetModified(dir.write("src/b.txt", QByteArray(23, 'b')), {{2023, 7, 1}, {18, 0, 0}});
    const QString save = dir.mkdir("SAVE");
    ASSERT_TRUE(RunZip(dir("src"), {"-q", "-r", save + "backup.zip", "dir", "b.txt"}));
    Open(sdLeft, save);
    const qint64 archiveSize = QFile(save + "backup.zip").size();

    DoubleClick(sdLeft, "backup.zip");
    EXPECT_EQ(main->Left().DirectoryLabel->text(), save + "backup.zip");
    EXPECT_EQ(main->Left().Directory, save);
    EXPECT_TRUE(main->ShowsArchive(sdLeft));
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "dir", "b.txt"})); // its top, folders first
    EXPECT_EQ(main->Left().Listing[0].Size, archiveSize);
    EXPECT_EQ(main->Left().Total->Text(1), "2 objects"); // the rows, not ".."
    EXPECT_EQ(main->Left().Total->Text(2), "23 bytes");
    EXPECT_EQ(main->Left().Files->GetFocusedIndex(), 0);
    EXPECT_EQ(ModifiedCell(*main, Row(sdLeft, "b.txt")), "7/1/23 6:00:00 PM");
    DoubleClick(sdLeft, "dir");
    EXPECT_EQ(ModifiedCell(*main, Row(sdLeft, "dir/a.txt")), "3/4/21 5:06:08 AM");
    DoubleClick(sdLeft, "..");
    main->SetSortOrder(3); // the "Modified" header
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "dir", "b.txt"}));

    DoubleClick(sdLeft, "..");
    EXPECT_FALSE(main->ShowsArchive(sdLeft));
    EXPECT_EQ(main->Left().DirectoryLabel->text(), save);
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "backup.zip"}));
}

TEST_F(MainWindowTest, UnreadableArchiveLeavesThePanelAsItWas)
{
    dir.write("a.txt", "some text");
    const QString archive = Zip("broken.zip", {"a.txt"});
    QFile f(archive);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.resize(40)); // the member's data now runs past the end
    f.close();
    Open(sdLeft, dir.path());
    const QStringList before = Names(sdLeft);
    const QString totals = main->Left().Total->Text(1);
    main->Left().Files->FocusItem(Row(sdLeft, "broken.zip"));
    EXPECT_THROW(main->FilesDblClick(sdLeft), platform::EError);
    EXPECT_EQ(Names(sdLeft), before);
    EXPECT_EQ(main->Left().DirectoryLabel->text(), dir.path());
    EXPECT_EQ(main->Left().Total->Text(1), totals);
    EXPECT_FALSE(main->ShowsArchive(sdLeft));
}
