// Viewer and player windows opened from a panel fit: never narrower than their menu bar,
// never larger than the screen nor off it, and with a larger desktop font their fixed
// sizes grow with it so that no text is cut.
#include "about/uAbout.h"
#include "controls/Display.h"
#include "controls/FontScale.h"
#include "main/FileOpsFixture.h"
#include "players/PlayerWindows.h"
#include "players/uSound.h"
#include "viewers/uImage.h"

#include <QLabel>
#include <QMenuBar>
#include <QScreen>

namespace
{

bool Convert(const QString& folder, const QStringList& arguments)
{
    QProcess convert;
    convert.setWorkingDirectory(folder);
    convert.start("convert", arguments);
    return convert.waitForFinished(60000) && convert.exitCode() == 0;
}

bool Sox(const QString& folder, const QStringList& arguments)
{
    QProcess sox;
    sox.setWorkingDirectory(folder);
    sox.start("sox", arguments);
    return sox.waitForFinished(30000) && sox.exitCode() == 0;
}

QFont PixelFont(int pixels)
{
    QFont font = DesignFont();
    font.setPixelSize(pixels);
    return font;
}

class WindowFitTest : public FileOpsTest
{
protected:
    void SetUp() override
    {
        FileOpsTest::SetUp();
        main->Categories.SetCategory(TExtensionCategory::Image, "PNG");
        main->Categories.SetCategory(TExtensionCategory::Sound, "WAV");
    }
    TfImage* ViewWithF3(const QString& name)
    {
        Reload();
        main->Left().Files->FocusItem(Row(sdLeft, name));
        Press(Qt::Key_F3);
        const QList<TfImage*> viewers = main->findChildren<TfImage*>();
        return viewers.size() == 1 ? viewers.constFirst() : nullptr;
    }
    // Every entry of a window's menu bar lies inside the bar.
    static void ExpectWholeMenuBar(QMenuBar* bar)
    {
        for (QAction* a : bar->actions())
            EXPECT_TRUE(bar->rect().contains(bar->actionGeometry(a))) << a->text().toStdString();
    }
    static void ExpectOnScreen(const QWidget* w)
    {
        const QRect area = w->screen()->availableGeometry();
        EXPECT_TRUE(area.contains(w->frameGeometry()))
            << w->frameGeometry().x() << "," << w->frameGeometry().y() << " "
            << w->frameGeometry().width() << "x" << w->frameGeometry().height();
    }
};

} // namespace

TEST_F(WindowFitTest, ATinyPictureOpensAWindowWideEnoughForItsMenu)
{
    ASSERT_TRUE(Convert(left, {"-size", "1x1", "xc:red", "dot.png"}));
    TfImage* viewer = ViewWithF3("dot.png");
    ASSERT_NE(viewer, nullptr) << messages.join('\n').toStdString();
    EXPECT_EQ(viewer->PictureSize(), QSize(1, 1));
    EXPECT_GE(viewer->width(), viewer->menuBar()->sizeHint().width());
    EXPECT_EQ(viewer->menuBar()->height(), viewer->menuBar()->sizeHint().height()); // one row
    ExpectWholeMenuBar(viewer->menuBar());
    ExpectOnScreen(viewer);
}

TEST_F(WindowFitTest, ALargePictureBesideAHugeMainWindowStaysOnTheScreen)
{
    ASSERT_TRUE(Convert(left, {"-size", "3000x2500", "xc:blue", "wide.png"}));
    main->resize(5000, 4000);
    TfImage* viewer = ViewWithF3("wide.png");
    ASSERT_NE(viewer, nullptr) << messages.join('\n').toStdString();
    ExpectOnScreen(viewer);
    EXPECT_LE(viewer->width(), viewer->screen()->availableGeometry().width());
    ExpectWholeMenuBar(viewer->menuBar());
}

TEST_F(WindowFitTest, PlayerViewerAndAboutBoxGrowWithALargeDesktopFont)
{
    const AppFont large(PixelFont(20));
    ASSERT_TRUE(Sox(left, {"-n", "-r", "44100", "-b", "24", "-c", "2", "tone.wav", "synth", "0.2",
                           "sine", "440"}));
    Reload();
    main->Left().Files->FocusItem(Row(sdLeft, "tone.wav"));
    Press(Qt::Key_F3);
    ASSERT_NE(fSound, nullptr);
    EXPECT_EQ(fSound->size(), QSize(491, 75)); // 270 x 41 at 20 / 11
    // Every label shows its whole text, and the last digit lies inside the panel's frame.
    for (QLabel* label : {fSound->LabelResolution, fSound->LabelRate}) {
        SCOPED_TRACE(label->text().toStdString());
        EXPECT_GE(label->width(), label->sizeHint().width());
        EXPECT_GE(label->height(), label->fontMetrics().height());
    }
    const QRect inside = fSound->PanelInformation->contentsRect();
    EXPECT_TRUE(inside.contains(fSound->Sec2->geometry()));
    ExpectOnScreen(fSound);
    fSound->close();

    ASSERT_TRUE(Convert(left, {"-size", "1x1", "xc:red", "dot.png"}));
    TfImage* viewer = ViewWithF3("dot.png");
    ASSERT_NE(viewer, nullptr);
    ExpectWholeMenuBar(viewer->menuBar());
    TfImage* empty = TfImage::Open(main.get(), QString());
    EXPECT_EQ(empty->size(), fontscale::Scaled(QSize(296, 269)));

    TfAbout about(main.get());
    EXPECT_EQ(about.size(), QSize(618, 318));
    EXPECT_TRUE(about.rect().contains(about.ButtonClose->geometry()));
    EXPECT_GE(about.ButtonClose->width(), about.ButtonClose->sizeHint().width());
}
