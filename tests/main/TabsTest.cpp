// Tabs in the panels, driven with real keys and clicks: opened, switched, closed (never
// the last), locked, dropped on; commands act on the shown tab; each tab's history, with
// the cursor on the entry it had and a gone place skipped; a hidden tab's folder changed
// meanwhile shows the change when shown again.
#include "controls/TabStrip.h"
#include "main/UserInputFixture.h"
#include "search/FileSearch.h"

#include <QMenu>
#include <QMimeData>

namespace
{

class TabsTest : public UserInputTest
{
protected:
    TTabStrip* Bar(TSide side) { return main->Panel(side).TabBar; }
    TPanelTabs& Tabs(TSide side) { return main->Panel(side).Tabs; }
    // The middle of a tab of a panel's bar, in the bar's coordinates.
    QPoint TabAt(TSide side, int index) { return Bar(side)->tabRect(index).center(); }
    bool Lands(TSide side, const QString& folder)
    {
        return QTest::qWaitFor(
            [&] { return !main->Reading(side) && main->Panel(side).Directory == folder; }, 30000);
    }
    QString Focused(TSide side)
    {
        const TPanel& p = main->Panel(side);
        const int row = p.Files->GetFocusedIndex();
        return row >= 0 && row < p.Listing.Count() ? p.Listing[row].Name : QString();
    }
    // Enter on a row of the active list, as the user presses it.
    void Enter(TSide side, const QString& name)
    {
        Click(At(side, name));
        Key(Qt::Key_Return);
    }
};

} // namespace

TEST_F(TabsTest, KeysOpenSwitchAndCloseTabsEachKeepingItsFolderAndCursor)
{
    dir.write("left/a.txt", "a");
    dir.write("left/sub/b.txt", "b");
    Reload();
    Click(At(sdLeft, "a.txt"));
    EXPECT_TRUE(Bar(sdLeft)->isHidden()); // one tab: no bar
    Key(Qt::Key_T, Qt::ControlModifier);
    ASSERT_EQ(Tabs(sdLeft).Count(), 2);
    EXPECT_TRUE(Bar(sdLeft)->isVisible());
    EXPECT_EQ(Tabs(sdLeft).Shown(), 1);
    EXPECT_EQ(Bar(sdLeft)->tabText(0), "left");
    // The new tab goes into sub/; the first one stays on left/ with its cursor.
    Enter(sdLeft, "sub");
    ASSERT_TRUE(Lands(sdLeft, left + "sub/"));
    Click(At(sdLeft, "b.txt"));
    EXPECT_EQ(Bar(sdLeft)->tabText(1), "sub");
    Key(Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_TRUE(Lands(sdLeft, left));
    EXPECT_EQ(Tabs(sdLeft).Shown(), 0);
    EXPECT_EQ(Focused(sdLeft), "a.txt");
    EXPECT_EQ(main->Left().DirectoryLabel->text(), left);
    Key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(Lands(sdLeft, left + "sub/"));
    EXPECT_EQ(Focused(sdLeft), "b.txt");
    // The same keys as the X server sends them (Backtab, Shift held) step back too.
    Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(Lands(sdLeft, left));
    Key(Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_TRUE(Lands(sdLeft, left + "sub/"));
    // The right panel has tabs of its own: still one.
    EXPECT_EQ(Tabs(sdRight).Count(), 1);
    // Ctrl+W closes the shown tab and shows the other; never the last one.
    Key(Qt::Key_W, Qt::ControlModifier);
    ASSERT_TRUE(Lands(sdLeft, left));
    EXPECT_EQ(Tabs(sdLeft).Count(), 1);
    EXPECT_TRUE(Bar(sdLeft)->isHidden());
    EXPECT_EQ(Focused(sdLeft), "a.txt");
    Key(Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(Tabs(sdLeft).Count(), 1);
    EXPECT_EQ(main->Left().Directory, left);
    EXPECT_EQ(main->Left().Listing.Count(), 3); // "..", sub, a.txt
}

TEST_F(TabsTest, ClicksOnTheBarSwitchCloseAndOpenTabs)
{
    dir.write("left/sub/b.txt", "b");
    Reload();
    Key(Qt::Key_T, Qt::ControlModifier);
    Enter(sdLeft, "sub");
    ASSERT_TRUE(Lands(sdLeft, left + "sub/"));
    main->FilesEnter(sdRight);
    View(sdRight)->setFocus();
    QTest::mouseClick(Bar(sdLeft), Qt::LeftButton, {}, TabAt(sdLeft, 0));
    ASSERT_TRUE(Lands(sdLeft, left));
    EXPECT_EQ(Tabs(sdLeft).Shown(), 0);
    EXPECT_EQ(main->ActivePanel, 1); // the panel clicked is the active one
    // A double click beside the tabs opens one on the place shown.
    const QPoint beside(Bar(sdLeft)->tabRect(1).right() + 20, TabAt(sdLeft, 1).y());
    QTest::mouseDClick(Bar(sdLeft), Qt::LeftButton, {}, beside);
    ASSERT_EQ(Tabs(sdLeft).Count(), 3);
    EXPECT_EQ(Tabs(sdLeft).Shown(), 1);
    EXPECT_EQ(Bar(sdLeft)->tabText(1), "left");
    EXPECT_EQ(Bar(sdLeft)->tabText(2), "sub");
    // A tab dragged along the bar is shown (the press shows it) and moves.
    QTest::mousePress(Bar(sdLeft), Qt::LeftButton, {}, TabAt(sdLeft, 2));
    for (int x = TabAt(sdLeft, 2).x(); x > 0; x -= 5)
        QTest::mouseMove(Bar(sdLeft), QPoint(x, TabAt(sdLeft, 2).y()));
    QTest::mouseRelease(Bar(sdLeft), Qt::LeftButton, {}, QPoint(1, TabAt(sdLeft, 2).y()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Bar(sdLeft)->tabText(0) == "sub"; }, 30000));
    EXPECT_EQ(Tabs(sdLeft).Tab(0).Place.Folder, left + "sub/");
    EXPECT_EQ(Tabs(sdLeft).Tab(2).Place.Folder, left);
    EXPECT_EQ(Tabs(sdLeft).Shown(), 0);
    EXPECT_EQ(Bar(sdLeft)->currentIndex(), 0);
    EXPECT_EQ(main->Left().Directory, left + "sub/");
    QTest::mousePress(Bar(sdLeft), Qt::LeftButton, {}, TabAt(sdLeft, 0));
    for (int x = TabAt(sdLeft, 0).x(); x < TabAt(sdLeft, 2).x() + 10; x += 5)
        QTest::mouseMove(Bar(sdLeft), QPoint(x, TabAt(sdLeft, 0).y()));
    QTest::mouseRelease(Bar(sdLeft), Qt::LeftButton, {}, TabAt(sdLeft, 2) + QPoint(10, 0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Bar(sdLeft)->tabText(2) == "sub"; }, 30000));
    EXPECT_EQ(Tabs(sdLeft).Shown(), 2);
    EXPECT_EQ(Tabs(sdLeft).Tab(0).Place.Folder, left);
    EXPECT_EQ(main->Left().Directory, left + "sub/");
    // A middle click closes the tab clicked, shown or not.
    QTest::mouseClick(Bar(sdLeft), Qt::MiddleButton, {}, TabAt(sdLeft, 2));
    ASSERT_EQ(Tabs(sdLeft).Count(), 2);
    EXPECT_EQ(Bar(sdLeft)->tabText(1), "left");
    EXPECT_EQ(main->Left().Directory, left);
    QTest::mouseClick(Bar(sdLeft), Qt::MiddleButton, {}, TabAt(sdLeft, 1));
    EXPECT_EQ(Tabs(sdLeft).Count(), 1);
    EXPECT_TRUE(Bar(sdLeft)->isHidden());
}

TEST_F(TabsTest, ALockedTabStaysAndGoingElsewhereOpensANewTab)
{
    dir.write("left/sub/b.txt", "b");
    Reload();
    Key(Qt::Key_T, Qt::ControlModifier);
    // The context menu of the shown tab: Lock.
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, TabAt(sdLeft, 1),
                                Bar(sdLeft)->mapToGlobal(TabAt(sdLeft, 1)));
    QApplication::sendEvent(Bar(sdLeft), &menuEvent);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().value(0)->text(), "&Lock");
    QTest::keyClick(menu, Qt::Key_Down); // onto the first entry
    QTest::keyClick(menu, Qt::Key_Return);
    ASSERT_TRUE(Tabs(sdLeft).Tab(1).Locked);
    EXPECT_EQ(Bar(sdLeft)->tabText(1), "left (locked)");
    // Enter on a folder: a new tab goes there, the locked one stays on left/.
    Enter(sdLeft, "sub");
    ASSERT_TRUE(Lands(sdLeft, left + "sub/"));
    ASSERT_EQ(Tabs(sdLeft).Count(), 3);
    EXPECT_EQ(Tabs(sdLeft).Shown(), 2);
    EXPECT_EQ(Bar(sdLeft)->tabText(2), "sub");
    EXPECT_FALSE(Tabs(sdLeft).Tab(2).Locked);
    EXPECT_EQ(Tabs(sdLeft).Tab(1).Place.Folder, left);
    // So does the parent folder key from a locked tab.
    main->SetTabLocked(sdLeft, 2, true);
    Key(Qt::Key_Backspace);
    ASSERT_TRUE(Lands(sdLeft, left));
    EXPECT_EQ(Tabs(sdLeft).Count(), 4);
    EXPECT_EQ(Tabs(sdLeft).Tab(2).Place.Folder, left + "sub/");
}

TEST_F(TabsTest, CopyActsOnTheShownTabOnly)
{
    dir.write("left/one/a.txt", "a");
    dir.write("left/two/b.txt", "b");
    Reload();
    Enter(sdLeft, "one");
    ASSERT_TRUE(Lands(sdLeft, left + "one/"));
    Click(At(sdLeft, "a.txt"));
    Key(Qt::Key_T, Qt::ControlModifier);
    Key(Qt::Key_Backspace);
    ASSERT_TRUE(Lands(sdLeft, left));
    Enter(sdLeft, "two");
    ASSERT_TRUE(Lands(sdLeft, left + "two/"));
    Click(At(sdLeft, "b.txt"));
    Key(Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_TRUE(Lands(sdLeft, left + "one/"));
    Key(Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_TRUE(Lands(sdLeft, left + "two/"));
    EXPECT_EQ(Focused(sdLeft), "b.txt");
    Key(Qt::Key_F5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(right + "b.txt"); }, 30000));
    EXPECT_FALSE(QFileInfo::exists(right + "a.txt"));
    EXPECT_EQ(Names(sdRight), QStringList({"..", "b.txt"}));
}

TEST_F(TabsTest, EntriesDraggedOntoATabGoIntoItsFolder)
{
    dir.write("left/x.txt", "x");
    dir.write("left/y.txt", "y");
    dir.mkdir("right/into");
    Reload();
    // The right panel: a tab on into/ (hidden) and one on right/ (shown).
    main->FilesEnter(sdRight);
    Enter(sdRight, "into");
    ASSERT_TRUE(Lands(sdRight, right + "into/"));
    Key(Qt::Key_T, Qt::ControlModifier);
    Key(Qt::Key_Backspace);
    ASSERT_TRUE(Lands(sdRight, right));
    // x.txt dragged from the left list and let go over the right panel's hidden tab.
    Click(At(sdLeft, "x.txt"));
    QWidget* from = View(sdLeft)->viewport();
    const QPoint start = from->mapFrom(main.get(), At(sdLeft, "x.txt"));
    const QPoint over = from->mapFromGlobal(Bar(sdRight)->mapToGlobal(TabAt(sdRight, 0)));
    QTest::mousePress(from, Qt::LeftButton, {}, start);
    QTest::mouseMove(from, over);
    QTest::mouseRelease(from, Qt::LeftButton, {}, over);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(right + "into/x.txt"); }, 30000));
    EXPECT_FALSE(QFileInfo::exists(left + "x.txt")); // a drag without Ctrl moves
    EXPECT_FALSE(QFileInfo::exists(right + "x.txt"));
    EXPECT_EQ(main->Right().Directory, right); // the tab shown stays shown
    // Files another program drops on a tab go into its folder too.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(left + "y.txt")});
    QDragEnterEvent enter(TabAt(sdRight, 0), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(Bar(sdRight), &enter);
    QDropEvent drop(QPointF(TabAt(sdRight, 0)), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(Bar(sdRight), &drop);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(right + "into/y.txt"); }, 30000));
    EXPECT_TRUE(QFileInfo::exists(left + "y.txt")); // copied
    // The hidden tab shows both when shown.
    QTest::mouseClick(Bar(sdRight), Qt::LeftButton, {}, TabAt(sdRight, 0));
    ASSERT_TRUE(Lands(sdRight, right + "into/"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Names(sdRight).size() == 3; }, 30000));
    EXPECT_EQ(Names(sdRight), QStringList({"..", "x.txt", "y.txt"}));
}

TEST_F(TabsTest, BackAndForwardRestoreTheCursorAndSkipAGonePlace)
{
    dir.write("left/one/f1.txt", "1");
    dir.write("left/two/f2.txt", "2");
    dir.write("left/three/f3.txt", "3");
    Reload();
    for (const auto& [folder, file] :
         {std::pair{"one", "f1.txt"}, {"two", "f2.txt"}, {"three", "f3.txt"}}) {
        main->Left().Directory = left + folder + "/";
        main->RefreshPanel(sdLeft);
        ASSERT_TRUE(Lands(sdLeft, left + folder + "/"));
        Click(At(sdLeft, file));
    }
    Key(Qt::Key_Left, Qt::AltModifier);
    ASSERT_TRUE(Lands(sdLeft, left + "two/"));
    EXPECT_EQ(Focused(sdLeft), "f2.txt");
    Key(Qt::Key_Left, Qt::AltModifier);
    ASSERT_TRUE(Lands(sdLeft, left + "one/"));
    EXPECT_EQ(Focused(sdLeft), "f1.txt");
    Key(Qt::Key_Right, Qt::AltModifier);
    ASSERT_TRUE(Lands(sdLeft, left + "two/"));
    Key(Qt::Key_Left, Qt::AltModifier);
    ASSERT_TRUE(Lands(sdLeft, left + "one/"));
    // two/ goes: forward skips it, says so, and lands on three/ with its cursor.
    ASSERT_TRUE(QDir(left + "two").removeRecursively());
    Key(Qt::Key_Right, Qt::AltModifier);
    ASSERT_TRUE(Lands(sdLeft, left + "three/"));
    EXPECT_EQ(Focused(sdLeft), "f3.txt");
    EXPECT_TRUE(main->Left().Total->Text(3).contains(left + "two/"));
    // Alt+Down lists the places, newest first; choosing one goes there.
    Key(Qt::Key_Down, Qt::AltModifier);
    QMenu* menu = main->HistoryMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 4); // and the places before left/
    EXPECT_EQ(menu->actions()[0]->text(), left + "three/");
    EXPECT_TRUE(menu->actions()[0]->isChecked()); // where the tab is
    EXPECT_EQ(menu->actions()[1]->text(), left + "one/");
    menu->setActiveAction(menu->actions()[0]);
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    ASSERT_TRUE(Lands(sdLeft, left + "one/"));
    EXPECT_EQ(Focused(sdLeft), "f1.txt");
    // A new place drops the places ahead: back from it is one/, not three/.
    Enter(sdLeft, "..");
    ASSERT_TRUE(Lands(sdLeft, left));
    Key(Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(main->Left().Directory, left);
    Key(Qt::Key_Left, Qt::AltModifier);
    ASSERT_TRUE(Lands(sdLeft, left + "one/"));
}

TEST_F(TabsTest, APathTypedIntoAnArchiveIsOneStepOfTheHistory)
{
    dir.mkdir("left/sub");
    ASSERT_TRUE(ArchiveWithOneMember(left + "sub/", "pack.zip"));
    Reload();
    Click(At(sdLeft, "sub"));
    Key(Qt::Key_L, Qt::ControlModifier);
    for (const QChar c : left + "sub/pack.zip")
        QTest::keyClick(main->windowHandle(), c.toLatin1());
    Key(Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->ShowsArchive(sdLeft); }, 30000));
    Key(Qt::Key_Left, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !main->Reading(sdLeft) && !main->ShowsArchive(sdLeft); }, 30000));
    EXPECT_EQ(main->Left().Directory, left);
    EXPECT_EQ(Focused(sdLeft), "sub");
}

TEST_F(TabsTest, AHiddenTabShowsItsFolderAsItIsWhenShownAgain)
{
    dir.write("left/a.txt", "a");
    dir.write("left/b.txt", "b");
    Reload();
    Click(At(sdLeft, "a.txt"));
    Key(Qt::Key_Insert); // marks a.txt, the cursor goes on to b.txt
    Key(Qt::Key_T, Qt::ControlModifier);
    main->Left().Directory = right;
    main->RefreshPanel(sdLeft);
    ASSERT_TRUE(Lands(sdLeft, right));
    Key(Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_TRUE(Lands(sdLeft, left));
    Key(Qt::Key_Tab, Qt::ControlModifier); // left/ hidden now, its listing kept
    ASSERT_TRUE(Lands(sdLeft, right));
    // Meanwhile another program adds an entry to the hidden tab's folder.
    dir.write("left/c.txt", "c");
    Key(Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !main->Reading(sdLeft) && Names(sdLeft).contains("c.txt"); }, 30000));
    EXPECT_EQ(main->Left().Directory, left);
    EXPECT_EQ(main->MarkedOrFocusedNames(sdLeft), QStringList({"a.txt"}));
    // Unchanged, it shows what it kept, the marks too.
    Key(Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_TRUE(Lands(sdLeft, right));
    Key(Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_TRUE(Lands(sdLeft, left));
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(main->MarkedOrFocusedNames(sdLeft), QStringList({"a.txt"}));
    // Gone while hidden: its nearest existing parent, and the status line says so.
    dir.mkdir("left/inner");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Row(sdLeft, "inner") >= 0; }, 30000)); // live
    Enter(sdLeft, "inner");
    ASSERT_TRUE(Lands(sdLeft, left + "inner/"));
    Key(Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_TRUE(Lands(sdLeft, right));
    ASSERT_TRUE(QDir(left + "inner").removeRecursively());
    Key(Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_TRUE(Lands(sdLeft, left));
    EXPECT_EQ(main->Left().Total->Text(3), left + "inner/ is gone");
    EXPECT_EQ(Bar(sdLeft)->tabText(0), "left");
}

namespace
{

// Windows started over one Panels.ini, as runs of the program one after the other.
class TabsRestartTest : public ::testing::Test
{
protected:
    void SetUp() override { TZipArchive::SetLibraryDirectory(QStringLiteral(TRVX_LIB_DIR)); }
    TfMain& Start(const QString& kept)
    {
        main = std::make_unique<TfMain>();
        main->resize(900, 600);
        main->KeepPanelsIn(kept);
        main->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(main.get()));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return !main->Reading(sdLeft) && !main->Reading(sdRight); }, 30000));
        return *main;
    }
    bool Lands(const QString& folder)
    {
        return QTest::qWaitFor(
            [&] { return !main->Reading(sdLeft) && main->Left().Directory == folder; }, 30000);
    }
    void Go(const QString& folder)
    {
        main->Left().Directory = folder;
        main->RefreshPanel(sdLeft);
        ASSERT_TRUE(Lands(folder));
    }
    QString Focused()
    {
        const TPanel& p = main->Left();
        const int row = p.Files->GetFocusedIndex();
        return row >= 0 && row < p.Listing.Count() ? p.Listing[row].Name : QString();
    }

    AppFont font{DesignFont()};
    TempDir dir;
    std::unique_ptr<TfMain> main;
};

} // namespace

TEST_F(TabsRestartTest, TabsAndHistoryAreThereAfterARestartAndAGoneFolderGivesWayToItsParent)
{
    const QString kept = dir("config/Panels.ini");
    dir.write("a/one/f.txt", "f");
    dir.write("b/g.txt", "g");
    dir.write("b/h.txt", "h");
    dir.mkdir("c/deep");
    Start(kept);
    Go(dir("a/"));
    main->Left().Files->FocusItem(1); // "..", one
    Go(dir("a/one/"));
    main->Actions.MenuNewTab->trigger();
    Go(dir("c/deep/"));
    main->Actions.MenuNewTab->trigger();
    Go(dir("b/"));
    main->Left().Files->FocusItem(2); // "..", g.txt, h.txt
    main->SetTabLocked(sdLeft, 2, true);
    main->ShowTab(sdLeft, 0);
    ASSERT_TRUE(Lands(dir("a/one/")));
    // The right panel: b/, then an archive in c/.
    dir.write("c/x.txt", "x");
    QProcess zip;
    zip.setWorkingDirectory(dir("c"));
    zip.start("zip", {"-q", "-m", "pack.zip", "x.txt"});
    ASSERT_TRUE(zip.waitForFinished() && zip.exitCode() == 0);
    main->Right().Directory = dir("b/");
    main->RefreshPanel(sdRight);
    main->Right().Directory = dir("c/");
    main->RefreshPanel(sdRight);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main->Reading(sdRight); }, 30000));
    main->Right().Files->FocusItem(2); // "..", deep, pack.zip
    main->FilesDblClick(sdRight);
    ASSERT_TRUE(main->ShowsArchive(sdRight));
    EXPECT_TRUE(main->close());
    ASSERT_TRUE(QDir(dir("c/deep")).removeRecursively());

    Start(kept);
    TPanelTabs& tabs = main->Left().Tabs;
    ASSERT_EQ(tabs.Count(), 3);
    EXPECT_EQ(tabs.Shown(), 0);
    EXPECT_EQ(main->Left().Directory, dir("a/one/"));
    EXPECT_EQ(main->Left().TabBar->tabText(1), "deep");
    EXPECT_EQ(main->Left().TabBar->tabText(2), "b (locked)");
    EXPECT_TRUE(main->Left().TabBar->isVisible());
    EXPECT_EQ(main->Right().Tabs.Count(), 1);
    // The archive shown again is one place of its history, not two: back from it is
    // c/, then b/.
    ASSERT_TRUE(main->ShowsArchive(sdRight));
    main->FilesEnter(sdRight);
    main->Actions.MenuBack->trigger();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !main->Reading(sdRight) && !main->ShowsArchive(sdRight); }, 30000));
    EXPECT_EQ(main->Right().Directory, dir("c/"));
    main->Actions.MenuBack->trigger();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !main->Reading(sdRight) && main->Right().Directory == dir("b/"); }, 30000));
    main->FilesEnter(sdLeft);
    // The first tab's history leads back to a/.
    main->Actions.MenuBack->trigger();
    ASSERT_TRUE(Lands(dir("a/")));
    EXPECT_EQ(Focused(), "one");
    // The locked tab, read when first shown, with its cursor.
    main->ShowTab(sdLeft, 2);
    ASSERT_TRUE(Lands(dir("b/")));
    EXPECT_EQ(Focused(), "h.txt");
    EXPECT_TRUE(tabs.Tab(2).Locked);
    // The tab whose folder went shows its nearest parent and says so.
    main->ShowTab(sdLeft, 1);
    ASSERT_TRUE(Lands(dir("c/")));
    EXPECT_EQ(main->Left().Total->Text(3), dir("c/deep/") + " is gone");
    EXPECT_EQ(main->Left().TabBar->tabText(1), "c");
    EXPECT_TRUE(main->close());
}

TEST_F(TabsTest, ArchivesAndSearchResultsInTabsComeBackWhenShownAgain)
{
    dir.write("left/deep/found.txt", "f");
    ASSERT_TRUE(ArchiveWithOneMember(left, "pack.zip"));
    Reload();
    Enter(sdLeft, "pack.zip");
    ASSERT_TRUE(main->ShowsArchive(sdLeft));
    Click(At(sdLeft, "x.txt"));
    Key(Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(Bar(sdLeft)->tabText(0), "pack.zip");
    Key(Qt::Key_Backspace); // out of the archive in the new tab
    ASSERT_TRUE(Lands(sdLeft, left));
    EXPECT_FALSE(main->ShowsArchive(sdLeft));
    TSearchHit hit;
    hit.Folder = left + "deep/";
    hit.Name = "found.txt";
    main->FeedToPanel(left, {hit});
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->ShowsFedResults(sdLeft); }, 30000));
    EXPECT_EQ(Bar(sdLeft)->tabText(1), "Search results");
    // Back on the archive's tab: the archive again, its cursor on the member.
    QTest::mouseClick(Bar(sdLeft), Qt::LeftButton, {}, TabAt(sdLeft, 0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->ShowsArchive(sdLeft); }, 30000));
    EXPECT_EQ(Focused(sdLeft), "x.txt");
    EXPECT_EQ(main->ArchiveFile(sdLeft), left + "pack.zip");
    // And the results' tab shows the results again, not their folder.
    QTest::mouseClick(Bar(sdLeft), Qt::LeftButton, {}, TabAt(sdLeft, 1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->ShowsFedResults(sdLeft); }, 30000));
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "deep/found.txt"}));
    EXPECT_EQ(Bar(sdLeft)->tabText(1), "Search results");
}
