// The picture viewer window: fitting against the owner's client area, stretching,
// reloading, closing on Escape and on a picture that cannot be decoded.
#include "platform/Messages.h"
#include "support/DesignFont.h"
#include "support/TempDir.h"
#include "viewers/ModalAnswer.h"
#include "viewers/uImage.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

QString WritePicture(const TempDir& dir, const QString& name, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(qRgb(30, 60, 90));
    const QString path = dir(name);
    EXPECT_TRUE(image.save(path, "BMP"));
    return path;
}

void Settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

QSize ClientArea(const TfImage& viewer)
{
    return viewer.Scroller->viewport()->size();
}

class ImageViewer : public testing::Test
{
protected:
    void SetUp() override
    {
        owner.resize(800, 600);
        platform::SetMessageHandler([this](const QString& text) { messages << text; });
    }
    void TearDown() override { platform::SetMessageHandler({}); }

    TfImage* OpenViewer(const QString& path)
    {
        TfImage* viewer = TfImage::Open(&owner, path);
        Settle();
        return viewer;
    }

    AppFont font{DesignFont()}; // the margins hold exactly
    TempDir dir;
    QWidget owner;
    QStringList messages;
};

} // namespace

TEST_F(ImageViewer, LargePictureFitsTheOwnersClientAreaLessMarginsAndZooms)
{
    owner.resize(700, 500); // well inside the 800 x 600 offscreen screen
    TfImage* viewer = OpenViewer(WritePicture(dir, "big.bmp", {2000, 1500}));
    ASSERT_NE(nullptr, viewer);
    // Zoomed to fit: the whole picture, its proportions kept, no scroll bars.
    EXPECT_EQ(QSize(690, 470), ClientArea(*viewer));
    EXPECT_FALSE(viewer->Scroller->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(viewer->Scroller->verticalScrollBar()->isVisible());
    EXPECT_EQ(QSize(626, 470), viewer->Image->size());
    EXPECT_EQ(QStringLiteral("big.bmp"), viewer->windowTitle());
    const QPoint screenCentre = viewer->screen()->availableGeometry().center();
    EXPECT_LE((viewer->frameGeometry().center() - screenCentre).manhattanLength(), 2);
    EXPECT_EQ(nullptr, QApplication::overrideCursor());

    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer)); // shortcuts need the active window
    QTest::keyClick(viewer->Scroller, Qt::Key_1);     // 100 %: scrolls
    Settle();
    EXPECT_EQ(QSize(2000, 1500), viewer->Image->size());
    EXPECT_TRUE(viewer->Scroller->horizontalScrollBar()->isVisible());
    EXPECT_EQ(2000 - ClientArea(*viewer).width(),
              viewer->Scroller->horizontalScrollBar()->maximum());
    QTest::keyClick(viewer->Scroller, Qt::Key_Minus);
    EXPECT_EQ(QSize(1600, 1200), viewer->Image->size());
    QTest::keyClick(viewer->Scroller, Qt::Key_Plus);
    QTest::keyClick(viewer->Scroller, Qt::Key_Plus);
    EXPECT_EQ(QSize(2500, 1875), viewer->Image->size());
    QTest::keyClick(viewer->Scroller, Qt::Key_F);
    Settle();
    EXPECT_EQ(QSize(626, 470), viewer->Image->size());
    viewer->close();
}

TEST_F(ImageViewer, SmallPictureGetsExactlyItsSizeWithoutScrollBars)
{
    TfImage* viewer = OpenViewer(WritePicture(dir, "small.bmp", {200, 80}));
    ASSERT_NE(nullptr, viewer);
    EXPECT_EQ(QSize(200, 80), ClientArea(*viewer));
    EXPECT_FALSE(viewer->Scroller->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(viewer->Scroller->verticalScrollBar()->isVisible());
    EXPECT_EQ(QSize(200, 80), viewer->Image->size());
    viewer->close();

    // Narrower than the menu bar: the window keeps the bar's width.
    viewer = OpenViewer(WritePicture(dir, "narrow.bmp", {30, 20}));
    ASSERT_NE(nullptr, viewer);
    EXPECT_EQ(QSize(viewer->menuBar()->sizeHint().width(), 20), ClientArea(*viewer));
    EXPECT_EQ(QSize(30, 20), viewer->Image->size());
    viewer->close();
}

TEST_F(ImageViewer, OwnerMenuBarIsNotPartOfTheClientArea)
{
    QMainWindow main;
    main.menuBar()->addMenu(QStringLiteral("&File"));
    main.show();
    main.resize(800, 600 + main.menuBar()->sizeHint().height());
    Settle();
    TfImage* viewer = TfImage::Open(&main, WritePicture(dir, "tall.bmp", {300, 1000}));
    Settle();
    ASSERT_NE(nullptr, viewer);
    EXPECT_EQ(QSize(300, 570), ClientArea(*viewer));
    viewer->close();
}

TEST_F(ImageViewer, StretchFollowsTheWindowAndNormalSizeReturns)
{
    TfImage* viewer = OpenViewer(WritePicture(dir, "pic.bmp", {200, 150}));
    ASSERT_NE(nullptr, viewer);
    viewer->MenuViewStretch->trigger();
    EXPECT_TRUE(viewer->Stretched());
    EXPECT_TRUE(viewer->Image->hasScaledContents());
    EXPECT_EQ(QSize(200, 150), viewer->Image->size());

    viewer->resize(viewer->size() + QSize(120, 90));
    Settle();
    EXPECT_EQ(ClientArea(*viewer), viewer->Image->size());
    EXPECT_EQ(QSize(320, 240), viewer->Image->size());

    const QSize windowSize = viewer->size();
    viewer->MenuViewStretch->trigger(); // off: natural size, the window keeps its size
    Settle();
    EXPECT_FALSE(viewer->Stretched());
    EXPECT_FALSE(viewer->Image->hasScaledContents());
    EXPECT_EQ(QSize(200, 150), viewer->Image->size());
    EXPECT_EQ(windowSize, viewer->size());

    viewer->MenuViewStretch->trigger();
    const QPoint position = viewer->pos();
    viewer->MenuViewNormalSize->trigger(); // unchecks and fits again, without centring
    Settle();
    EXPECT_FALSE(viewer->Stretched());
    EXPECT_EQ(QSize(200, 150), ClientArea(*viewer));
    EXPECT_EQ(position, viewer->pos());
    viewer->close();
}

TEST_F(ImageViewer, OpeningAnotherPictureWhileStretchedShowsItAtNaturalSize)
{
    TfImage* viewer = OpenViewer(WritePicture(dir, "first.bmp", {120, 100}));
    ASSERT_NE(nullptr, viewer);
    viewer->MenuViewStretch->trigger();
    const QString second = WritePicture(dir, "second.bmp", {160, 40});
    testmodal::AnswerFileDialog(second);
    viewer->MenuOpen->trigger();
    Settle();
    EXPECT_EQ(second, viewer->FileName());
    EXPECT_FALSE(viewer->Stretched());
    EXPECT_FALSE(viewer->Image->hasScaledContents());
    EXPECT_EQ(QSize(160, 40), viewer->Image->size());
    EXPECT_EQ(QSize(160, 40), ClientArea(*viewer));
    EXPECT_EQ(QStringLiteral("second.bmp"), viewer->windowTitle());

    // A cancelled dialog changes nothing.
    testmodal::AnswerFileDialog(QString());
    viewer->MenuOpen->trigger();
    EXPECT_EQ(second, viewer->FileName());
    EXPECT_EQ(QSize(160, 40), viewer->Image->size());
    viewer->close();
}

TEST_F(ImageViewer, EscapeAndCloseDestroyTheWindow)
{
    QPointer<TfImage> viewer = OpenViewer(WritePicture(dir, "a.bmp", {50, 50}));
    ASSERT_TRUE(viewer);
    QTest::keyClick(viewer->Scroller, Qt::Key_Escape);
    Settle();
    EXPECT_TRUE(viewer.isNull());

    viewer = OpenViewer(WritePicture(dir, "b.bmp", {50, 50}));
    ASSERT_TRUE(viewer);
    viewer->MenuClose->trigger();
    Settle();
    EXPECT_TRUE(viewer.isNull());
}

TEST_F(ImageViewer, UndecodableFileIsReportedAndOpensNoViewer)
{
    // A BMP cut in half would show its missing rows from whatever memory held before.
    const QString cut = WritePicture(dir, "cut.bmp", QSize(40, 30));
    QFile(cut).resize(QFileInfo(cut).size() / 2);
    const QStringList bad = {dir.write("broken.jpg", "not a picture at all"), dir("missing.bmp"),
                             cut};
    for (const QString& path : bad) {
        messages.clear();
        EXPECT_EQ(nullptr, TfImage::Open(&owner, path));
        Settle();
        EXPECT_TRUE(owner.findChildren<TfImage*>().isEmpty());
        EXPECT_EQ(nullptr, QApplication::overrideCursor());
        ASSERT_EQ(1, messages.size()) << qPrintable(path);
        EXPECT_TRUE(messages[0].startsWith("Cannot show " + path + ": "))
            << qPrintable(messages[0]);
    }
    EXPECT_TRUE(messages[0].endsWith(": The picture file is cut short")) << qPrintable(messages[0]);

    // An empty viewer that fails to load stays open and empty.
    QPointer<TfImage> viewer = OpenViewer(QString());
    viewer->SetFileName(bad.front());
    EXPECT_FALSE(viewer->Load());
    Settle();
    ASSERT_TRUE(viewer);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(QString(), viewer->FileName());
    EXPECT_EQ(QStringLiteral("Image viewer"), viewer->windowTitle());
    viewer->close();
}

TEST_F(ImageViewer, EmptyViewerIsUsableAndOpensAPicture)
{
    QPointer<TfImage> viewer = OpenViewer(QString());
    ASSERT_TRUE(viewer);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(QStringLiteral("Image viewer"), viewer->windowTitle());
    EXPECT_EQ(QSize(0, 0), viewer->PictureSize());
    EXPECT_GE(viewer->width(), 200);

    const QString path = WritePicture(dir, "later.bmp", {170, 30});
    testmodal::AnswerFileDialog(path);
    viewer->MenuOpen->trigger();
    Settle();
    ASSERT_TRUE(viewer);
    EXPECT_EQ(QSize(170, 30), viewer->PictureSize());
    EXPECT_EQ(QSize(170, 30), ClientArea(*viewer));
    viewer->close();
}

TEST_F(ImageViewer, MenuOffersOnlyWhatTheViewerDoes)
{
    TfImage viewer(nullptr);
    viewer.setAttribute(Qt::WA_DeleteOnClose, false);
    const QList<QAction*> menus = viewer.menuBar()->actions();
    ASSERT_EQ(3, menus.size());
    const QList<QAction*> file = menus[0]->menu()->actions();
    QStringList entries;
    for (QAction* a : file)
        entries << (a->isSeparator() ? QStringLiteral("-")
                                     : a->text() + (a->isEnabled() ? "" : " (off)") + " " +
                                           a->shortcut().toString());
    EXPECT_EQ(QStringList({"&New (off) Ctrl+N", "&Open... Ctrl+O", "&Save (off) Ctrl+S",
                           "Save &as... (off) Ctrl+A", "-", "Printer s&etup... (off) ",
                           "&Print (off) ", "-", "&Close "}),
              entries);
    for (QAction* a : menus[1]->menu()->actions())
        EXPECT_FALSE(a->isEnabled()) << qPrintable(a->text());
    EXPECT_TRUE(viewer.MenuViewStretch->isCheckable());
    EXPECT_FALSE(viewer.MenuViewStretch->isChecked());
}

namespace
{

// A picture whose colour tells its number.
QRgb Colour(int i)
{
    return qRgb(i * 2, 255 - i * 2, (i * 37) % 256);
}

QRgb Shown(const TfImage& viewer)
{
    return viewer.Image->pixmap().toImage().pixel(0, 0);
}

} // namespace

TEST_F(ImageViewer, StepsThroughTheFoldersPicturesInTheGivenOrder)
{
    // 100 small PNGs; the panel's order is not the names' order.
    QStringList folder;
    for (int i = 0; i < 100; ++i) {
        QImage image(QSize(64, 48), QImage::Format_RGB32);
        image.fill(Colour(i));
        const QString path = dir(QStringLiteral("p%1.png").arg((i * 37) % 100, 3, 10, QChar('0')));
        ASSERT_TRUE(image.save(path, "PNG"));
        folder << path;
    }
    TfImage* viewer = OpenViewer(folder[2]);
    ASSERT_NE(nullptr, viewer);
    viewer->SetFolder(folder);
    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer)); // shortcuts need the active window
    const QString third = QFileInfo(folder[2]).fileName();
    EXPECT_EQ(third + QString::fromUtf8(" — 3 of 100"), viewer->windowTitle());

    struct TStep {
        Qt::Key Key;
        int Index;
    };
    const TStep steps[] = {{Qt::Key_PageDown, 3}, {Qt::Key_Space, 4},     {Qt::Key_Right, 5},
                           {Qt::Key_Left, 4},     {Qt::Key_Backspace, 3}, {Qt::Key_PageUp, 2},
                           {Qt::Key_End, 99},     {Qt::Key_PageDown, 99}, {Qt::Key_Home, 0},
                           {Qt::Key_PageUp, 0}};
    for (const TStep& step : steps) {
        QTest::keyClick(viewer->Scroller, step.Key);
        const QString name = QFileInfo(folder[step.Index]).fileName();
        EXPECT_EQ(name + QStringLiteral(" — %1 of 100").arg(step.Index + 1), viewer->windowTitle());
        EXPECT_EQ(Colour(step.Index), Shown(*viewer)) << step.Index;
        EXPECT_EQ(folder[step.Index], viewer->FileName());
    }
    // The next one in the same direction was decoded ahead.
    QTest::keyClick(viewer->Scroller, Qt::Key_PageDown);
    EXPECT_TRUE(viewer->ShownFromPrefetch());
    EXPECT_EQ(Colour(1), Shown(*viewer));
    QTest::keyClick(viewer->Scroller, Qt::Key_End);
    EXPECT_FALSE(viewer->ShownFromPrefetch());
    QTest::keyClick(viewer->Scroller, Qt::Key_PageUp);
    EXPECT_TRUE(viewer->ShownFromPrefetch());
    EXPECT_EQ(Colour(98), Shown(*viewer));
    EXPECT_EQ(nullptr, QApplication::overrideCursor());
    viewer->close();
}

TEST_F(ImageViewer, APictureThatCannotBeDecodedSaysSoAndTheNextKeyMovesOn)
{
    const QString good1 = WritePicture(dir, "a.bmp", {40, 30});
    const QString bad = dir.write("b.jpg", "not a picture at all");
    const QString good2 = WritePicture(dir, "c.bmp", {50, 20});
    TfImage* viewer = OpenViewer(good1);
    ASSERT_NE(nullptr, viewer);
    viewer->SetFolder({good1, bad, good2});
    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer));
    QTest::keyClick(viewer->Scroller, Qt::Key_PageDown);
    EXPECT_EQ(QString::fromUtf8("b.jpg — 2 of 3"), viewer->windowTitle());
    EXPECT_TRUE(viewer->Image->text().startsWith("Cannot show b.jpg: "))
        << qPrintable(viewer->Image->text());
    EXPECT_TRUE(messages.isEmpty()); // said in the window, no box to stop the stepping
    QTest::keyClick(viewer->Scroller, Qt::Key_PageDown);
    EXPECT_EQ(QString::fromUtf8("c.bmp — 3 of 3"), viewer->windowTitle());
    EXPECT_EQ(QSize(50, 20), viewer->PictureSize());
    EXPECT_TRUE(viewer->Image->text().isEmpty());
    viewer->close();
}

namespace
{

// A picture whose every pixel differs from its neighbours, and from the same pixel of
// picture `i` + 1: a scaled copy cannot pass for it.
QRgb Detail(int x, int y, int i)
{
    return qRgb((x * 7 + i * 50) % 256, (y * 13) % 256, (x + y) % 2 ? 255 : 0);
}

QString WriteDetailed(const TempDir& dir, int i, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, Detail(x, y, i));
    const QString path = dir(QStringLiteral("d%1.bmp").arg(i));
    EXPECT_TRUE(image.save(path, "BMP"));
    return path;
}

} // namespace

TEST_F(ImageViewer, SteppedPicturesAreDecodedAtTheWindowsSizeAndWholeAt100Percent)
{
    const QSize large(1600, 1200);
    const QStringList folder = {WriteDetailed(dir, 0, large), WriteDetailed(dir, 1, large),
                                WriteDetailed(dir, 2, large), WriteDetailed(dir, 3, large)};
    TfImage* viewer = OpenViewer(folder[0]);
    ASSERT_NE(nullptr, viewer);
    viewer->SetFolder(folder);
    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer));

    QTest::keyClick(viewer->Scroller, Qt::Key_PageDown);
    ASSERT_EQ(1, viewer->FolderIndex());
    EXPECT_EQ(large, viewer->PictureSize());
    // Zoomed to fit: held at the size shown, nothing larger.
    const QSize shown = viewer->Image->size();
    EXPECT_LT(shown.width(), large.width());
    EXPECT_EQ(shown, viewer->HeldSize());
    EXPECT_EQ(shown, viewer->Image->pixmap().size());
    EXPECT_LE(viewer->PicturesAhead(), 2); // the next two, no more

    // 100 %: decoded again, whole, every pixel its own.
    QTest::keyClick(viewer->Scroller, Qt::Key_1);
    EXPECT_EQ(large, viewer->HeldSize());
    const QImage pixels = viewer->Image->pixmap().toImage();
    ASSERT_EQ(large, pixels.size());
    for (const QPoint p : {QPoint(0, 0), QPoint(777, 555), QPoint(1599, 1199), QPoint(1001, 3)})
        EXPECT_EQ(Detail(p.x(), p.y(), 1), pixels.pixel(p)) << p.x() << "," << p.y();

    // At 100 % the next ones come whole; back to fit, fitted again.
    QTest::keyClick(viewer->Scroller, Qt::Key_PageDown);
    ASSERT_EQ(2, viewer->FolderIndex());
    EXPECT_EQ(large, viewer->HeldSize());
    EXPECT_EQ(Detail(1001, 3, 2), viewer->Image->pixmap().toImage().pixel(1001, 3));
    QTest::keyClick(viewer->Scroller, Qt::Key_F);
    QTest::keyClick(viewer->Scroller, Qt::Key_PageDown);
    ASSERT_EQ(3, viewer->FolderIndex());
    EXPECT_EQ(viewer->Image->size(), viewer->HeldSize());
    EXPECT_LT(viewer->HeldSize().width(), large.width());
    EXPECT_EQ(nullptr, QApplication::overrideCursor());
    viewer->close();
}
