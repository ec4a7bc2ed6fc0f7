// Where the cursor, the focus and the counts stand after the commands a user gives,
// driven by real keys and clicks on the lists.
#include "main/UserInputFixture.h"

#include <QComboBox>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <QWindow>

namespace
{

class CursorFocusTest : public UserInputTest
{
protected:
    // The panel whose list has the keyboard focus, and whether it shows a cursor.
    bool HasFocusAndCursor(TSide side)
    {
        return main->Panel(side).Files->ActiveView()->hasFocus() &&
               main->Panel(side).Files->GetFocusedIndex() >= 0;
    }
    // Totals as they must read for the panel's rows (".." is no object).
    QString ObjectsLine(TSide side)
    {
        return QString("%1 object(s)").arg(Names(side).size() - Names(side).count(".."));
    }
};

} // namespace

TEST_F(CursorFocusTest, ThePanelOfTheCommandStaysActiveWithItsCursor)
{
    dir.write("left/keep.txt", "k");
    dir.mkdir("right/-dashdir");
    dir.write("x.txt", "member");
    dir.write("y.txt", "other member");
    ASSERT_TRUE(RunZip(dir.path(), {"-q", right + "pack.zip", "x.txt"}));
    ASSERT_TRUE(RunZip(dir.path(), {"-q", left + "other.zip", "y.txt"}));
    Reload();
    // Out of an archive in the right panel into the left one.
    Click(At(sdRight, "pack.zip"));
    Key(Qt::Key_Return);
    ASSERT_TRUE(main->ShowsArchive(sdRight));
    Click(At(sdRight, "x.txt"));
    Key(Qt::Key_F5);
    EXPECT_TRUE(QFileInfo::exists(left + "x.txt"));
    EXPECT_EQ(main->ActivePanel, 2);
    EXPECT_TRUE(HasFocusAndCursor(sdRight));
    EXPECT_EQ(main->Left().Total->Text(1), ObjectsLine(sdLeft));
    // The delete question is about the member under the cursor, not the other panel.
    QStringList texts;
    AnswerQuestion(TfConfirm::mrNo, &texts);
    Key(Qt::Key_F8);
    EXPECT_TRUE(texts.value(0).startsWith("You have selected the file x.txt to be deleted."))
        << texts.value(0).toStdString();

    // From archive to archive: both keep their cursor, the right one the focus.
    Click(At(sdLeft, "other.zip"));
    Key(Qt::Key_Return);
    Click(At(sdRight, "x.txt"));
    Key(Qt::Key_F6);
    EXPECT_EQ(main->ActivePanel, 2);
    EXPECT_TRUE(HasFocusAndCursor(sdRight));
    EXPECT_GE(main->Left().Files->GetFocusedIndex(), 0);
    EXPECT_TRUE(Names(sdLeft).contains("x.txt"));
    EXPECT_EQ(main->Left().Total->Text(1), ObjectsLine(sdLeft));
    EXPECT_EQ(main->Right().Total->Text(1), ObjectsLine(sdRight));

    // Folder to folder: the cursor stays on its entry, not on the first row.
    Key(Qt::Key_Backspace);
    Click(At(sdRight, "pack.zip"));
    Key(Qt::Key_F5);
    EXPECT_EQ(main->ActivePanel, 2);
    EXPECT_TRUE(HasFocusAndCursor(sdRight));
    EXPECT_EQ(FocusedName(sdRight), "pack.zip");
}

TEST_F(CursorFocusTest, TheCursorLandsOnTheEntryTheCommandConcerns)
{
    for (int i = 0; i < 80; ++i)
        dir.write(QString("left/file%1.txt").arg(i, 2, 10, QChar('0')), QByteArray(i, 'x'));
    dir.write("left/inner/deep.txt", "d");
    Reload();
    // F7: on the new folder, with the counts of the new rows.
    TypeInput("made");
    Key(Qt::Key_F7);
    EXPECT_EQ(FocusedName(sdLeft), "made");
    EXPECT_EQ(main->Left().Total->Text(1), ObjectsLine(sdLeft));
    // F9: on the renamed entry.
    Click(At(sdLeft, "file40.txt"));
    TypeInput("zz.txt");
    Key(Qt::Key_F9);
    EXPECT_EQ(FocusedName(sdLeft), "zz.txt");
    // Into a folder and out by its ".." row: on the folder left.
    Click(At(sdLeft, "inner"));
    Key(Qt::Key_Return);
    Click(At(sdLeft, ".."));
    Key(Qt::Key_Return);
    EXPECT_EQ(FocusedName(sdLeft), "inner");

    // A re-read keeps the scroll position and the cursor.
    Click(At(sdLeft, "file70.txt"));
    QScrollBar* scroll = static_cast<QTreeView*>(View(sdLeft))->verticalScrollBar();
    const int position = scroll->value();
    ASSERT_GT(position, 0);
    Key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(scroll->value(), position);
    EXPECT_EQ(FocusedName(sdLeft), "file70.txt");

    // A new sort order and directory sizes keep the cursor on its entry, and its mark.
    Key(Qt::Key_Space);
    main->Actions.MenuSort[soSize]->trigger();
    EXPECT_EQ(FocusedName(sdLeft), "file70.txt");
    EXPECT_EQ(main->Left().Selected->Text(1), "1 object(s)");
    main->Actions.MenuDirectorySize->trigger();
    EXPECT_EQ(FocusedName(sdLeft), "file70.txt");
    EXPECT_EQ(main->Left().Selected->Text(1), "1 object(s)");
}

TEST_F(CursorFocusTest, ASecondClickOnTheSortedHeaderReversesKeepingParentAndFoldersFirst)
{
    dir.mkdir("left/-dashdir");
    dir.mkdir("left/zdir");
    dir.write("left/a.txt", "1");
    dir.write("left/b.txt", "22");
    Reload();
    QHeaderView* header = static_cast<QTreeView*>(View(sdLeft))->header();
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "-dashdir", "zdir", "a.txt", "b.txt"}));
    EXPECT_TRUE(header->isSortIndicatorShown());
    EXPECT_EQ(header->sortIndicatorSection(), 0);
    ClickHeader(sdLeft, 0);
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "zdir", "-dashdir", "b.txt", "a.txt"}));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    ClickHeader(sdLeft, 0);
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "-dashdir", "zdir", "a.txt", "b.txt"}));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    ClickHeader(sdLeft, 2); // another column starts ascending
    EXPECT_EQ(header->sortIndicatorSection(), 2);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(Names(sdLeft).first(), "..");
}

TEST_F(CursorFocusTest, TheDriveListListsTheDrivesAndLeadsInAndOut)
{
    Click(At(sdLeft, ".."));
    auto* drives = main->Left().Drives;
    drives->setFocus();
    QTest::keyClick(drives, Qt::Key_Home); // "Drives", the first item
    ASSERT_EQ(main->Left().Directory, "Drives");
    ASSERT_EQ(main->Left().Listing.Count(), main->LogicalDrives.size());
    EXPECT_EQ(Names(sdLeft).first(), "/");
    EXPECT_FALSE(View(sdLeft)->model()->index(0, 2).data().toString().isEmpty()); // free space
    // Backspace leads back; Enter on a drive opens it.
    main->Left().Files->setFocus();
    Key(Qt::Key_Backspace);
    EXPECT_EQ(main->Left().Directory, left);
    QTest::keyClick(drives, Qt::Key_Home);
    main->Left().Files->setFocus();
    main->Left().Files->FocusItem(0);
    Key(Qt::Key_Return);
    EXPECT_EQ(main->Left().Directory, "/");
    // A drive is no entry a command acts on: no question, no copy, no message.
    QTest::keyClick(drives, Qt::Key_Home);
    main->Left().Files->setFocus();
    main->Left().Files->FocusItem(0);
    bool asked = false;
    QTimer::singleShot(300, [&asked] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            asked = true;
            d->done(2);
        }
    });
    Key(Qt::Key_F8);
    QTest::qWait(400);
    Key(Qt::Key_F5);
    EXPECT_FALSE(asked);
    EXPECT_EQ(messages, QStringList());
    EXPECT_EQ(QDir(right).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

TEST_F(CursorFocusTest, TheSizeColumnShowsTheWidestSizeWhole)
{
    dir.write("left/small.txt", "x");
    QFile big(dir.write("left/big.img"));
    ASSERT_TRUE(big.resize(123456789012)); // sparse: twelve digits without the disk space
    Reload();
    const QModelIndex cell = View(sdLeft)->model()->index(Row(sdLeft, "big.img"), 2);
    const QString text = cell.data().toString();
    ASSERT_EQ(text, "123,456,789,012");
    // The text as the view lays it out in the cell: whole, not elided.
    QStyleOptionViewItem option;
    option.initFrom(View(sdLeft)->viewport());
    option.rect = View(sdLeft)->visualRect(cell);
    option.text = text;
    option.font = View(sdLeft)->font();
    option.features = QStyleOptionViewItem::HasDisplay;
    const QRect textRect =
        View(sdLeft)->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, View(sdLeft));
    EXPECT_GE(textRect.width(), View(sdLeft)->fontMetrics().horizontalAdvance(text));
    // The Name column takes what is left of the panel.
    EXPECT_GT(main->Left().Files->ColumnWidth(0), 0);
}
