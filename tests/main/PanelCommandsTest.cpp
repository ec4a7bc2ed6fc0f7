#include "main/MainWindowFixture.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

TEST_F(MainWindowTest, DoubleClickIntoASubdirectoryAndBack)
{
    dir.mkdir("ARCHIVE");
    dir.write("ARCHIVE/a.txt", QByteArray(3000, 'a'));
    dir.write("ARCHIVE/b.txt", QByteArray(456, 'b'));
    Open(sdLeft, dir.path());
    DoubleClickRow(sdLeft, "ARCHIVE");
    EXPECT_EQ(main->Left().Directory, dir("ARCHIVE/"));
    EXPECT_EQ(main->Left().DirectoryLabel->text(), dir("ARCHIVE/"));
    EXPECT_EQ(main->Left().Total->Text(1), "2 objects"); // ".." is no object
    EXPECT_EQ(main->Left().Total->Text(2), "3,456 bytes");
    EXPECT_EQ(main->Left().Files->GetFocusedIndex(), 0);
    DoubleClick(sdLeft, "..");
    EXPECT_EQ(main->Left().Directory, dir.path());
    EXPECT_TRUE(Names(sdLeft).contains("ARCHIVE"));
}

TEST_F(MainWindowTest, FreeSpaceFollowsEveryChangeOfLocation)
{
    // /proc has no free space at all: entering it must show that, and leaving it not.
    ASSERT_TRUE(QFile::link("/proc", dir("proc")));
    Open(sdLeft, dir.path());
    const QString here = main->Left().LabelFree->text();
    ASSERT_NE(here, "0 bytes free");
    DoubleClickRow(sdLeft, "proc");
    ASSERT_EQ(main->Left().Directory, dir("proc/"));
    EXPECT_EQ(main->Left().LabelFree->text(), "0 bytes free");
    ASSERT_EQ(main->Left().Listing[main->Left().Files->GetFocusedIndex()].Name, "..");
    QTest::keyClick(View(sdLeft), Qt::Key_Return);
    ASSERT_EQ(main->Left().Directory, dir.path());
    EXPECT_NE(main->Left().LabelFree->text(), "0 bytes free");
    EXPECT_TRUE(main->Left().LabelFree->text().endsWith(" bytes free"));
}

TEST_F(MainWindowTest, DoubleClickOnNothingDoesNothing)
{
    const QString empty = dir.mkdir("empty");
    Open(sdLeft, empty);
    main->Left().Directory = "Drives";
    main->RefreshPanel(sdLeft);
    main->Left().Files->ClearItemStates(); // no row has the cursor
    main->FilesDblClick(sdLeft);
    EXPECT_EQ(main->Left().Directory, "Drives");
}

TEST_F(MainWindowTest, HeaderClickSortsTheClickedPanelAndTheSortMenuFollows)
{
    dir.write("big.txt", QByteArray(500, 'x'));
    dir.write("small.txt", QByteArray(5, 'x'));
    dir.write("a.zzz", QByteArray(50, 'x'));
    Open(sdRight, dir.path());
    Open(sdLeft, dir.path());
    QAction* bySize = main->Actions.MenuSort[soSize];
    auto* bar = main->findChild<QToolBar*>("Toolbar");
    auto* sizeButton = qobject_cast<QToolButton*>(bar->widgetForAction(bySize));
    ASSERT_TRUE(sizeButton);
    ClickHeader(sdRight, 2); // "Size" of the inactive right list
    EXPECT_EQ(main->ActivePanel, 2);
    EXPECT_EQ(main->Right().SortOrder, soSize);
    EXPECT_EQ(Names(sdRight), QStringList({"..", "small.txt", "a.zzz", "big.txt"}));
    EXPECT_EQ(main->Left().SortOrder, soName);
    EXPECT_TRUE(bySize->isChecked());
    EXPECT_TRUE(sizeButton->isChecked());
    ClickHeader(sdRight, 4); // "Attr.": the current order again
    EXPECT_EQ(main->Right().SortOrder, soSize);
    EXPECT_EQ(Names(sdRight), QStringList({"..", "small.txt", "a.zzz", "big.txt"}));
    EXPECT_EQ(main->Right().Files->GetFocusedIndex(), 0); // the cursor stays on ".."
    EXPECT_EQ(main->Right().Selected->Text(1), "0 object(s)");
    // Back in the left panel by a click on its "Name" header: its own order shows.
    ClickHeader(sdLeft, 0);
    EXPECT_EQ(main->ActivePanel, 1);
    EXPECT_TRUE(main->Actions.MenuSort[soName]->isChecked());
    EXPECT_FALSE(sizeButton->isChecked());
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
    main->Left().Files->setFocus();
    ASSERT_TRUE(View(sdLeft)->hasFocus()); // the usual case: the list has the focus
    auto* bar = main->findChild<QToolBar*>("Toolbar");
    QWidget* listButton = bar->widgetForAction(main->Actions.MenuView[vsList]);
    QTest::mouseClick(listButton, Qt::LeftButton);
    EXPECT_EQ(main->Left().ViewStyle, vsList);
    EXPECT_EQ(main->Left().Files->ViewStyle(), vsList);
    EXPECT_EQ(main->Right().Files->ViewStyle(), vsReport);
    EXPECT_TRUE(main->Actions.MenuView[vsList]->isChecked());
    EXPECT_TRUE(qobject_cast<QToolButton*>(listButton)->isChecked());
    EXPECT_TRUE(View(sdLeft)->hasFocus());
    main->Actions.MenuView[vsIcon]->trigger(); // the menu item, as a click on it does
    EXPECT_EQ(main->Left().Files->ViewStyle(), vsIcon);
    EXPECT_TRUE(main->Actions.MenuView[vsIcon]->isChecked());
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
    EXPECT_EQ(main->Left().Total->Text(1), "4 object(s)");
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
    ASSERT_EQ(main->Right().Selected->Text(1), "0 object(s)"); // its first row is ".."
    Open(sdLeft, work);
    QTest::keyClick(View(sdLeft), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(main->Right().Directory, work);
    EXPECT_TRUE(Names(sdRight).contains("x.txt"));
    EXPECT_EQ(main->Right().DirectoryLabel->text(), work);
    EXPECT_EQ(main->Right().Total->Text(1), "1 object(s)"); // x.txt; ".." is no object
    // The selection line counts marks: the re-read list has none.
    EXPECT_EQ(main->Right().Selected->Text(1), "0 object(s)");
    EXPECT_EQ(main->ActivePanel, 1); // the focus stays
}

TEST_F(MainWindowTest, ToolbarCheckFollowsTheToolbarHoweverItIsHidden)
{
    auto* bar = main->findChild<QToolBar*>("Toolbar");
    ASSERT_TRUE(bar->isVisible());
    main->Actions.MenuToolbar->trigger();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(main->Actions.MenuToolbar->isChecked());
    main->Actions.MenuToolbar->trigger();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(main->Actions.MenuToolbar->isChecked());
    // The window's own right-click menu lists the tool bar; choosing it hides the bar.
    bool chosen = false;
    QTimer choose; // picks the item once the menu is up; dies with the test
    choose.setSingleShot(true);
    QObject::connect(&choose, &QTimer::timeout, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!popup)
            return;
        for (QAction* item : popup->actions())
            if (item->text().remove('&') == "Toolbar") {
                QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(item).center());
                chosen = true;
            }
        if (!chosen)
            popup->close();
    });
    choose.start(0);
    // A right click on the bar, delivered through the window as the windowing system does.
    const QPoint onBar = bar->mapTo(main.get(), bar->rect().bottomRight() - QPoint(5, 5));
    QTest::mouseClick(main->windowHandle(), Qt::RightButton, {}, onBar);
    ASSERT_TRUE(chosen);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(main->Actions.MenuToolbar->isChecked());
    main->Actions.MenuToolbar->trigger();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(main->Actions.MenuToolbar->isChecked());
}
