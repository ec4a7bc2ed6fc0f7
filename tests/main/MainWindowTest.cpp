#include "main/DriveSelector.h"
#include "main/MainWindowFixture.h"
#include "main/PanelText.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QSplitter>

TEST_F(MainWindowTest, StartsWithBothPanelsAtTheProgramDriveLeftActive)
{
    const QString root = platform::DriveOf(platform::ProgramDirectory(), platform::LogicalDrives());
    for (TSide side : {sdLeft, sdRight}) {
        TPanel& p = main->Panel(side);
        EXPECT_EQ(p.Directory, root);
        EXPECT_EQ(p.SortOrder, soName);
        EXPECT_EQ(p.ViewStyle, vsReport);
        EXPECT_EQ(p.Files->ViewStyle(), vsReport);
        EXPECT_EQ(p.Mask, "*.*");
        EXPECT_GT(p.Listing.Count(), 0);
        EXPECT_EQ(p.DirectoryLabel->text(), root);
        EXPECT_TRUE(p.LabelFree->text().endsWith(" bytes free"));
        EXPECT_TRUE(p.Total->Text(1).endsWith(" object(s)"));
    }
    EXPECT_EQ(main->ActivePanel, 1);
    EXPECT_EQ(main->Left().Files->GetFocusedIndex(), 0);
    EXPECT_TRUE(main->Left().Files->IsItemSelected(0));
    EXPECT_FALSE(main->UseRecycleBin);
    EXPECT_TRUE(main->Actions.MenuView[vsReport]->isChecked());
    EXPECT_TRUE(main->Actions.MenuSort[soName]->isChecked());
}

TEST_F(MainWindowTest, ResizeSplitsTheClientWidthInHalves)
{
    main->showNormal();
    auto* splitter = main->findChild<QSplitter*>();
    main->resize(688 + (main->width() - main->ClientWidth()), 434);
    QApplication::processEvents();
    ASSERT_EQ(main->ClientWidth(), 688);
    EXPECT_EQ(splitter->sizes().first(), 342);
    EXPECT_EQ(main->Left().Files->ColumnWidth(0), 342 - 297);
    // Dragging the splitter keeps the split and recomputes only the Name columns.
    splitter->setSizes({350, 335});
    main->SplitterMoved();
    EXPECT_EQ(main->Left().Files->ColumnWidth(0), 350 - 297);
    EXPECT_EQ(main->Right().Files->ColumnWidth(0), 335 - 297);
    EXPECT_EQ(splitter->sizes().first(), 350);
}

TEST_F(MainWindowTest, RefreshMovesTheFocusAndTheActiveMark)
{
    dir.write("a.txt", "1");
    Open(sdRight, dir.path());
    EXPECT_EQ(main->ActivePanel, 2);
    EXPECT_EQ(main->Right().Files->GetFocusedIndex(), 0);
    Open(sdLeft, dir.path());
    EXPECT_EQ(main->ActivePanel, 1);
}

TEST_F(MainWindowTest, EnteringAPanelShowsItsOwnSortAndView)
{
    main->Right().SortOrder = soDateTime;
    main->Right().ViewStyle = vsList;
    main->FilesEnter(sdRight);
    EXPECT_EQ(main->ActivePanel, 2);
    EXPECT_TRUE(main->Actions.MenuSort[soDateTime]->isChecked());
    EXPECT_TRUE(main->Actions.MenuView[vsList]->isChecked());
    main->FilesEnter(sdLeft);
    EXPECT_TRUE(main->Actions.MenuSort[soName]->isChecked());
    EXPECT_TRUE(main->Actions.MenuView[vsReport]->isChecked());
}

TEST_F(MainWindowTest, SelectionLineCountsObjectsAndBytes)
{
    dir.write("one.bin", QByteArray(1000, 'a'));
    dir.write("two.bin", QByteArray(2500, 'b'));
    dir.write("three.bin", QByteArray(7, 'c'));
    Open(sdLeft, dir.path());
    TVirtualListView* files = main->Left().Files;
    files->ClearItemStates();
    files->SetItemSelected(Row(sdLeft, "one.bin"), true);
    files->SetItemSelected(Row(sdLeft, "two.bin"), true);
    EXPECT_EQ(main->Left().Selected->Text(1), "2 object(s)");
    EXPECT_EQ(main->Left().Selected->Text(2), "3,500 byte(s)");
    EXPECT_EQ(main->Left().Total->Text(1), "4 object(s)"); // ".." counts
    EXPECT_EQ(main->Left().Total->Text(2), "3,507 byte(s)");
}

TEST_F(MainWindowTest, CellsComeFromTheListingRows)
{
    dir.write("archive.tar.gz", QByteArray(1234, 'x'));
    Open(sdLeft, dir.path());
    int image = -1;
    QString text;
    const int row = Row(sdLeft, "archive.tar.gz");
    main->FilesODGetItemInfo(sdLeft, row, pcExt, omText, image, text);
    EXPECT_EQ(text, "gz");
    main->FilesODGetItemInfo(sdLeft, row, pcSize, omText, image, text);
    EXPECT_EQ(text, "1,234");
    EXPECT_EQ(image, -1); // the image is filled only when asked for
}

TEST_F(MainWindowTest, DriveSelectorChoosesDrivesOrRefusesUnreachableTargets)
{
    QStringList messages;
    platform::SetMessageHandler([&](const QString& m) { messages << m; });
    const QString sub = dir.mkdir("a/b");
    Open(sdLeft, sub);
    auto* drives = static_cast<TDriveSelector*>(main->Left().Drives);
    int current = -1;
    EXPECT_EQ(drives->Items(), DriveListItems(sub, main->LogicalDrives, &current));
    EXPECT_EQ(drives->currentIndex(), current);
    EXPECT_EQ(ParseDriveItem(drives->ItemText(current)).Target, sub);

    // A level whose folder vanished: message, location kept, selector back on it.
    QDir(dir("a")).removeRecursively();
    int levelA = -1;
    for (int i = 0; i < drives->count(); ++i)
        if (ParseDriveItem(drives->ItemText(i)).Target == dir("a/"))
            levelA = i;
    ASSERT_GE(levelA, 0);
    drives->setCurrentIndex(levelA);
    main->DrivesChange(sdLeft, levelA);
    EXPECT_EQ(messages, QStringList({"No access to " + dir("a/") + "."}));
    EXPECT_EQ(main->Left().Directory, sub);
    EXPECT_EQ(drives->currentIndex(), current);

    ASSERT_EQ(main->Left().Selected->Text(1), "1 object(s)"); // the ".." row
    QTest::keyClick(drives, Qt::Key_Home);                    // "Drives", the first item
    EXPECT_EQ(main->Left().Directory, "Drives");
    EXPECT_EQ(main->Left().Listing.Count(), 0);
    EXPECT_EQ(main->Left().DirectoryLabel->text(), "Drives");
    EXPECT_EQ(drives->ItemText(0), "T0:Drives");
    // No disk, so no free space; no rows, so nothing selected.
    EXPECT_EQ(main->Left().LabelFree->text(), "");
    EXPECT_EQ(main->Left().Selected->Text(1), "0 object(s)");
    EXPECT_EQ(main->Left().Selected->Text(2), "0 byte(s)");
    platform::SetMessageHandler({});
}

TEST_F(MainWindowTest, CacheHintBoundsIconLookupsToVisibleRows)
{
    for (int i = 0; i < 2000; ++i)
        dir.write(QString("f%1.txt").arg(i, 5, 10, QChar('0')));
    Open(sdLeft, dir.path());
    main->IconLookupCount = 0;
    static_cast<QAbstractItemView*>(main->Left().Files->ActiveView())->viewport()->repaint();
    const int visible = main->IconLookupCount;
    EXPECT_GT(visible, 0);
    EXPECT_LT(visible, 100);
    // Painting the same rows again looks nothing up.
    static_cast<QAbstractItemView*>(main->Left().Files->ActiveView())->viewport()->repaint();
    EXPECT_EQ(main->IconLookupCount, visible);
    const TFileListing& l = main->Left().Listing;
    EXPECT_EQ(l[l.Count() - 1].ImageIndex, 0); // never painted, never looked up
}
