#include "main/MainWindowFixture.h"

#include <QDir>
#include <QFile>
#include <QToolBar>

TEST_F(MainWindowTest, DoubleClickIntoASubdirectoryAndBack)
{
    dir.mkdir("ARCHIVE");
    dir.write("ARCHIVE/a.txt", QByteArray(3000, 'a'));
    dir.write("ARCHIVE/b.txt", QByteArray(456, 'b'));
    Open(sdLeft, dir.path());
    const QString freeBefore = main->Left().LabelFree->text();
    DoubleClick(sdLeft, "ARCHIVE");
    EXPECT_EQ(main->Left().Directory, dir("ARCHIVE/"));
    EXPECT_EQ(main->Left().DirectoryLabel->text(), dir("ARCHIVE/"));
    EXPECT_EQ(main->Left().Total->Text(1), "3 objects");
    EXPECT_EQ(main->Left().Total->Text(2), "3,456 bytes");
    EXPECT_EQ(main->Left().LabelFree->text(), freeBefore);
    EXPECT_EQ(main->Left().Files->GetFocusedIndex(), 0);
    DoubleClick(sdLeft, "..");
    EXPECT_EQ(main->Left().Directory, dir.path());
    EXPECT_TRUE(Names(sdLeft).contains("ARCHIVE"));
}

TEST_F(MainWindowTest, DoubleClickOnNothingDoesNothing)
{
    const QString empty = dir.mkdir("empty");
    Open(sdLeft, empty);
    main->Left().Directory = "Drives";
    main->RefreshPanel(sdLeft);
    ASSERT_EQ(main->Left().Listing.Count(), 0);
    main->FilesDblClick(sdLeft);
    EXPECT_EQ(main->Left().Directory, "Drives");
}

TEST_F(MainWindowTest, HeaderClicksSortTheActivePanelAndLeaveTheMenu)
{
    dir.write("big.txt", QByteArray(500, 'x'));
    dir.write("small.txt", QByteArray(5, 'x'));
    dir.write("a.zzz", QByteArray(50, 'x'));
    Open(sdRight, dir.path());
    Open(sdLeft, dir.path());
    main->SetSortOrder(2); // "Size" header of either list: the active (left) panel
    EXPECT_EQ(main->Left().SortOrder, soSize);
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "small.txt", "a.zzz", "big.txt"}));
    EXPECT_EQ(main->Right().SortOrder, soName);
    EXPECT_TRUE(main->Actions.MenuSort[soName]->isChecked());
    main->SetSortOrder(4); // "Attr.": the current order again
    EXPECT_EQ(main->Left().SortOrder, soSize);
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "small.txt", "a.zzz", "big.txt"}));
    EXPECT_EQ(main->Left().Files->SelectedCount(), 0); // item states dropped
}

TEST_F(MainWindowTest, SortMenuActsOnTheActivePanelOnly)
{
    dir.write("b.txt", QByteArray(1, 'x'));
    dir.write("a.txt", QByteArray(9, 'x'));
    Open(sdLeft, dir.path());
    Open(sdRight, dir.path());
    main->Actions.MenuSort[soSize]->trigger();
    EXPECT_EQ(main->Right().SortOrder, soSize);
    EXPECT_EQ(main->Left().SortOrder, soName);
    EXPECT_TRUE(main->Actions.MenuSort[soSize]->isChecked());
    main->FilesEnter(sdLeft);
    EXPECT_TRUE(main->Actions.MenuSort[soName]->isChecked());
}

TEST_F(MainWindowTest, ViewStyleActsOnTheActivePanelOnly)
{
    main->FilesEnter(sdLeft);
    main->Actions.MenuView[vsList]->trigger();
    EXPECT_EQ(main->Left().ViewStyle, vsList);
    EXPECT_EQ(main->Left().Files->ViewStyle(), vsList);
    EXPECT_EQ(main->Right().Files->ViewStyle(), vsReport);
    main->FilesEnter(sdRight);
    EXPECT_TRUE(main->Actions.MenuView[vsReport]->isChecked());
    main->ActivePanel = 0;
    main->SetViewStyle(vsIcon); // no active panel: only the menu changes
    EXPECT_TRUE(main->Actions.MenuView[vsIcon]->isChecked());
    EXPECT_EQ(main->Right().Files->ViewStyle(), vsReport);
}

TEST_F(MainWindowTest, DirectorySizesMeasureTreesButNotDotNames)
{
    dir.write("A/one", QByteArray(100, 'x'));
    dir.write("A/two", QByteArray(100, 'x'));
    dir.write("A/.hidden-counts", QByteArray(0, 'x'));
    dir.write("B/C/file", QByteArray(50, 'x'));
    dir.write("B/.cache/skipped", QByteArray(999, 'x'));
    dir.write(".profile", QByteArray(7, 'x'));
    dir.write("top.txt", QByteArray(1000, 'x'));
    Open(sdLeft, dir.path());
    main->Actions.MenuDirectorySize->trigger();
    const TFileListing& l = main->Left().Listing;
    EXPECT_EQ(l[Row(sdLeft, "A")].Size, 200);
    EXPECT_EQ(l[Row(sdLeft, "B")].Size, 50);
    EXPECT_EQ(l[Row(sdLeft, "..")].Size, 0);
    EXPECT_EQ(main->Left().Total->Text(2), "1,257 bytes"); // 1,007 of files + 250
    EXPECT_EQ(main->Left().Total->Text(1), "5 object(s)");
    int image = 0;
    QString text;
    main->FilesODGetItemInfo(sdLeft, Row(sdLeft, "A"), 2, 1, image, text);
    EXPECT_EQ(text, "200");
}

TEST_F(MainWindowTest, ResortingNeverReReadsTheDisk)
{
    dir.write("gone.txt", "x");
    dir.write("kept.txt", "y");
    Open(sdLeft, dir.path());
    QFile::remove(dir("gone.txt"));
    for (int column = 0; column < 4; ++column) {
        main->SetSortOrder(column);
        EXPECT_TRUE(Names(sdLeft).contains("gone.txt"));
    }
}

TEST_F(MainWindowTest, SynchronizeShowsTheActiveDirectoryInTheOtherPanel)
{
    const QString work = dir.mkdir("WORK");
    dir.write("WORK/x.txt", "12");
    Open(sdRight, dir.path());
    Open(sdLeft, work);
    main->Actions.MenuSynchronizeWindows->trigger();
    EXPECT_EQ(main->Right().Directory, work);
    EXPECT_TRUE(Names(sdRight).contains("x.txt"));
    EXPECT_EQ(main->Right().DirectoryLabel->text(), work);
    EXPECT_EQ(main->Right().Total->Text(1), "2 object(s)");
    EXPECT_EQ(main->ActivePanel, 1); // the focus stays
}

TEST_F(MainWindowTest, ToolbarCanBeHiddenAndShown)
{
    auto* bar = main->findChild<QToolBar*>("Toolbar");
    ASSERT_TRUE(bar->isVisible());
    main->Actions.MenuToolbar->trigger();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(main->Actions.MenuToolbar->isChecked());
    main->Actions.MenuToolbar->trigger();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(main->Actions.MenuToolbar->isChecked());
}
