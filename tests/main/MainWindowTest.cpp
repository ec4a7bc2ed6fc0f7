#include "main/MainWindowFixture.h"
#include "panel/DriveSelector.h"
#include "panel/PanelText.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"

#include <QAbstractItemView>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHeaderView>
#include <QSplitter>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTreeView>

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
    files->SetMarks({Row(sdLeft, "one.bin"), Row(sdLeft, "two.bin")}, 0);
    EXPECT_EQ(main->Left().Selected->Text(1), "2 object(s)");
    EXPECT_EQ(main->Left().Selected->Text(2), "3,500 byte(s)");
    EXPECT_EQ(main->Left().Total->Text(1), "3 object(s)"); // ".." is no object
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
    // The drive levels, then the entry that connects to a server (no remote place is in
    // use, so no mount is listed).
    EXPECT_EQ(drives->Items(), DriveListItems(sub, main->LogicalDrives, &current)
                                   << QStringLiteral("0:Connect to server…"));
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

    ASSERT_EQ(main->Left().Selected->Text(1), "0 object(s)"); // ".." is no object to act on
    QTest::keyClick(drives, Qt::Key_Home);                    // "Drives", the first item
    EXPECT_EQ(main->Left().Directory, "Drives");
    EXPECT_EQ(main->Left().Listing.Count(), main->LogicalDrives.size()); // a row per drive
    EXPECT_EQ(main->Left().DirectoryLabel->text(), "Drives");
    EXPECT_EQ(drives->ItemText(0), "T0:Drives");
    // No disk, so no free space; a drive is nothing a command acts on.
    EXPECT_EQ(main->Left().LabelFree->text(), "");
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

namespace
{

// Every text of a panel shows whole: status panels, caption, free space (beside the drive
// selector, not over it), column captions and the dates of the rows.
void ExpectNothingCut(TfMain& window, TSide side)
{
    TPanel& p = window.Panel(side);
    for (TStatusLine* line : {p.Selected, p.Total}) {
        const QList<QLabel*> labels = line->findChildren<QLabel*>();
        for (int i = 0; i < 3; ++i) {
            EXPECT_GE(labels[i]->width(), labels[i]->sizeHint().width())
                << labels[i]->text().toStdString();
            EXPECT_LE(labels[i]->geometry().right(), line->width())
                << labels[i]->text().toStdString();
        }
    }
    for (QLabel* label : {p.DirectoryLabel, p.LabelFree}) {
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        EXPECT_GE(label->height(), label->sizeHint().height()) << label->text().toStdString();
        EXPECT_LE(label->geometry().right(), p.Panel->width()) << label->text().toStdString();
    }
    EXPECT_FALSE(p.LabelFree->geometry().intersects(p.Drives->geometry()));
    auto* view = static_cast<QTreeView*>(p.Files->ActiveView());
    QHeaderView* header = view->header();
    const int headerMargin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int column = 0; column < header->count(); ++column) {
        const QString caption = view->model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_LE(header->fontMetrics().horizontalAdvance(caption) + 2 * headerMargin,
                  header->sectionSize(column))
            << caption.toStdString();
    }
    QStyleOptionViewItem option;
    option.initFrom(view);
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        const QModelIndex date = view->model()->index(row, pcModified);
        EXPECT_LE(view->itemDelegate()->sizeHint(option, date).width(),
                  header->sectionSize(pcModified))
            << date.data().toString().toStdString();
    }
}

} // namespace

TEST_F(MainWindowTest, LayoutScalesWithTheDesktopFontAndCutsNoText)
{
    // A date in every month at a two-digit evening hour, the hours after midnight and noon
    // (whose "12" is wider than "10" in proportional fonts), and a total of twelve digits.
    for (int month = 1; month <= 14; ++month) {
        QFile file(dir.write(QString("month%1.txt").arg(month)));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const QTime time = month == 13   ? QTime(0, 20, 0)
                           : month == 14 ? QTime(12, 22, 22)
                                         : QTime(22, 58, 58);
        file.setFileTime(QDateTime(QDate(2026, std::min(month, 12), 28), time),
                         QFileDevice::FileModificationTime);
    }
    QFile big(dir.write("big.bin"));
    ASSERT_TRUE(big.resize(123456789012)); // sparse
    const QFont desktop = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    QFont large = desktop;
    large.setPixelSize(20);
    for (const QFont& font : {desktop, large}) {
        const AppFont shown(font);
        const int pixels = QFontInfo(font).pixelSize();
        TfMain window; // at its design size, scaled by the font
        const double ratio = pixels / 11.0;
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        for (TSide side : {sdRight, sdLeft}) {
            window.Panel(side).Directory = dir.path();
            window.RefreshPanel(side);
        }
        QTest::keyClick(window.Left().Files->ActiveView(), Qt::Key_A, Qt::ControlModifier);
        QApplication::processEvents();
        EXPECT_EQ(window.Left().Total->Text(2), "123,456,789,012 byte(s)");
        EXPECT_NEAR(window.Left().Files->ColumnWidth(pcExt), 40 * ratio, 1);
        for (TSide side : {sdLeft, sdRight}) {
            SCOPED_TRACE(pixels);
            ExpectNothingCut(window, side);
        }
        const QString shots = qEnvironmentVariable("TRVX_SCREENSHOT_DIR");
        if (!shots.isEmpty())
            window.grab().save(QString("%1/main-%2px.png").arg(shots).arg(pixels));
    }
}
