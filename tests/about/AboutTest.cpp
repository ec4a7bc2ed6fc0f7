// The about box: its layout and values, and a fire that burns only while it is shown
// and starts cold at every showing.
#include "about/firewnd.h"
#include "about/uAbout.h"
#include "support/DesignFont.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace
{

bool AllCold(const TFireEngine& fire)
{
    for (int row = 0; row < fire.Height(); ++row)
        for (int column = 0; column < fire.Width(); ++column)
            if (fire.Heat(row, column) != 16)
                return false;
    return true;
}

// Whether the fire area of a picture of the box is black all over.
bool FireAreaBlack(TfAbout& box)
{
    const QImage shot = box.grab(QRect(0, 0, 340, 47)).toImage();
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if ((shot.pixel(x, y) & RGB_MASK) != 0)
                return false;
    return true;
}

bool WaitForFlames(TfAbout& box)
{
    return QTest::qWaitFor([&] { return !AllCold(box.Fire->Engine()); }, 3000);
}

} // namespace

TEST(AboutBox, LayoutAndFireValues)
{
    const AppFont font(DesignFont()); // the design sizes hold exactly
    TfAbout box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Information"));
    EXPECT_EQ(box.size(), QSize(340, 175));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    EXPECT_TRUE(box.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(box.Fire->geometry(), QRect(0, 0, 340, 47));
    EXPECT_EQ(box.LabelVersion->text(), QStringLiteral("Version 2.01"));
    EXPECT_EQ(box.LabelVersion->geometry(), QRect(0, 47, 340, 29));
    EXPECT_FALSE(box.LabelCredits->text().isEmpty());
    EXPECT_FALSE(box.LabelEMail->text().isEmpty());
    EXPECT_EQ(box.ButtonClose->text(), QStringLiteral("Close"));
    EXPECT_EQ(box.ButtonClose->geometry(), QRect(260, 145, 75, 25));
    EXPECT_TRUE(box.ButtonClose->isDefault());

    const TFire& fire = *box.Fire;
    EXPECT_EQ(fire.Flammability(), 390);
    EXPECT_EQ(fire.MaxHeat(), 230);
    EXPECT_EQ(fire.Chaos(), 200);
    EXPECT_EQ(fire.MaxBurn(), 80);
    EXPECT_EQ(fire.Interval(), 2);
    EXPECT_EQ(fire.EdgeRatio(), 0.99f);
    EXPECT_FALSE(fire.Burning());
    EXPECT_FALSE(fire.TimerActive());
    EXPECT_EQ(fire.Engine().FireWidth(), 337);
    EXPECT_EQ(fire.Engine().L0(), 1);
    EXPECT_EQ(fire.Engine().R0(), 339);
    EXPECT_EQ(fire.Engine().BurnRows(), 37);
    EXPECT_EQ(fire.Engine().RowStride(), 340);
    EXPECT_TRUE(AllCold(fire.Engine()));

    // The mask covers the whole fire and lets it through its white pixels only.
    const QImage& bits = fire.Engine().MaskBits();
    ASSERT_EQ(bits.size(), QSize(340, 47));
    EXPECT_LE(fire.Mask().colorCount(), 16);
    int through = 0;
    for (int y = 0; y < 47; ++y)
        for (int x = 0; x < 340; ++x)
            through += bits.pixelIndex(x, y);
    EXPECT_GT(through, 1000);
    EXPECT_LT(through, 340 * 47 / 2);
}

TEST(AboutBox, StartsColdAtEveryShowingAndRestsWhileClosed)
{
    TfAbout box;
    // Closed by the button, by Esc and by the window's close box in turn.
    const std::vector<std::function<void()>> closers = {
        [&] { box.ButtonClose->click(); },
        [&] { QTest::keyClick(&box, Qt::Key_Escape); },
        [&] { box.close(); },
    };
    for (size_t n = 0; n < closers.size(); ++n) {
        SCOPED_TRACE(n);
        box.show();
        EXPECT_TRUE(box.Fire->Burning());
        EXPECT_TRUE(box.Fire->TimerActive());
        EXPECT_TRUE(AllCold(box.Fire->Engine()));
        EXPECT_TRUE(FireAreaBlack(box));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !FireAreaBlack(box); }, 3000));

        closers[n]();
        EXPECT_FALSE(box.isVisible());
        EXPECT_FALSE(box.Fire->Burning());
        EXPECT_FALSE(box.Fire->TimerActive());
        EXPECT_TRUE(AllCold(box.Fire->Engine()));
        const quint32 seed = box.Fire->Engine().Seed();
        QTest::qWait(60);
        EXPECT_EQ(box.Fire->Engine().Seed(), seed); // no steps while closed
    }
}

TEST(AboutBox, ModalShowingEndsWithTheButton)
{
    TfAbout box;
    bool burnedWhileOpen = false;
    QTimer::singleShot(0, &box, [&] {
        burnedWhileOpen = WaitForFlames(box);
        QTest::keyClick(&box, Qt::Key_Return);
        if (box.isVisible())
            box.ButtonClose->click(); // keep the test from hanging if Enter failed
    });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
    EXPECT_TRUE(burnedWhileOpen);
    EXPECT_TRUE(AllCold(box.Fire->Engine()));
}

TEST(AboutBox, CentredTheFirstTimeThenKeepsItsPosition)
{
    TfAbout box;
    box.show();
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    // Within the width of a window frame, which is not known before the first showing.
    EXPECT_LE((box.geometry().center() - centre).manhattanLength(), 16);
    box.move(box.pos() + QPoint(30, 20));
    const QPoint moved = box.pos();
    box.ButtonClose->click();
    box.show();
    EXPECT_EQ(box.pos(), moved);
    box.close();
}
