// The digit display: its patterns, its geometry and what it paints.
#include "controls/Display.h"

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <gtest/gtest.h>
#include <set>

namespace
{

const QColor kAqua(0, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kUnlit(0, 0, 160); // distinct from the lit and background colours

// The players' read-out settings, with unlit dots given a visible colour.
void PlayerSettings(TDisplay& d)
{
    d.resize(24, 32);
    d.SetDigitStyle(ds5x7Dot);
    d.SetMargin(1);
    d.SetSegWidth(4);
    d.SetOnColor(kAqua);
    d.SetOffColor(kUnlit);
    d.SetPenOnColor(kBlack);
    d.SetPenOffColor(kBlack);
}

QImage Render(TDisplay& d)
{
    return d.grab().toImage();
}

std::set<int> LitElements(TDigitStyle style, unsigned char code)
{
    std::set<int> lit;
    for (int i = 0; i < TDisplay::ElementCount(style); ++i)
        if (TDisplay::IsLit(style, code, i))
            lit.insert(i);
    return lit;
}

class PaintCounter final : public QObject
{
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

} // namespace

TEST(DisplayTest, NewControlHasItsDefaults)
{
    TDisplay d;
    EXPECT_EQ(d.width(), 120);
    EXPECT_EQ(d.height(), 200);
    EXPECT_EQ(d.Digit(), 0);
    EXPECT_EQ(d.OnColor(), QColor(255, 0, 0));
    EXPECT_EQ(d.OffColor(), QColor(128, 128, 128));
    EXPECT_EQ(d.BackColor(), kBlack);
    EXPECT_EQ(d.PenOnColor(), QColor(128, 128, 128));
    EXPECT_EQ(d.PenOffColor(), QColor(128, 128, 128));
    EXPECT_EQ(d.SegWidth(), 15);
    EXPECT_EQ(d.Margin(), 10);
    EXPECT_EQ(d.DigitStyle(), ds7Seg);
    // Seven segments at 120 x 200 with margin 10 and width 15.
    EXPECT_EQ(d.HalfSeg(), 7);
    EXPECT_EQ(d.SegLength(), 85);
    EXPECT_EQ(d.SegHeight(), 68);
}

TEST(DisplayTest, PatternTables)
{
    // Space: only the seven-segment dash, nothing in the other styles.
    EXPECT_EQ(LitElements(ds7Seg, 0x20), std::set<int>({1}));
    EXPECT_TRUE(LitElements(ds16Seg, 0x20).empty());
    EXPECT_TRUE(LitElements(ds5x7Dot, 0x20).empty());
    EXPECT_TRUE(LitElements(ds5x7Bulb, 0x20).empty());
    // Every seven-segment character outside 0-9, A-F, a-f is the dash.
    EXPECT_EQ(LitElements(ds7Seg, 'G'), std::set<int>({1}));
    EXPECT_EQ(LitElements(ds7Seg, ':'), std::set<int>({1}));
    EXPECT_EQ(LitElements(ds7Seg, '8').size(), 7u);
    EXPECT_EQ(LitElements(ds7Seg, '1'), std::set<int>({4, 6}));
    EXPECT_EQ(LitElements(ds7Seg, 'c'), LitElements(ds7Seg, 'C'));
    // Sixteen segments: 8 uses the left half only, A spans the full width.
    EXPECT_EQ(LitElements(ds16Seg, '8'), std::set<int>({0, 2, 4, 7, 9, 11, 14}));
    EXPECT_EQ(LitElements(ds16Seg, 'A'), std::set<int>({0, 1, 2, 6, 7, 8, 9, 13}));
    EXPECT_EQ(LitElements(ds16Seg, 'q'), LitElements(ds16Seg, 'Q'));
    EXPECT_EQ(LitElements(ds16Seg, 0x05), std::set<int>({7, 8}));
    // 5 x 7: the colon is two 2 x 2 squares in columns 1 and 2.
    EXPECT_EQ(LitElements(ds5x7Dot, ':'), std::set<int>({6, 7, 11, 12, 21, 22, 26, 27}));
    EXPECT_EQ(LitElements(ds5x7Dot, '-'), std::set<int>({15, 16, 17, 18, 19}));
    // Codes above 127 show the dash of each style.
    EXPECT_EQ(LitElements(ds7Seg, 0xC8), std::set<int>({1}));
    EXPECT_EQ(LitElements(ds16Seg, 0xC8), std::set<int>({7, 8}));
    EXPECT_EQ(LitElements(ds5x7Bulb, 0xFF), LitElements(ds5x7Dot, '-'));
}

TEST(DisplayTest, PlayerSettingsGiveFourPixelDotsWithoutGaps)
{
    TDisplay d;
    PlayerSettings(d);
    d.SetDigit('8');
    const QImage img = Render(d); // the paint notices the new size
    for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 5; ++col)
            EXPECT_EQ(d.Point(5 * row + col), QPoint(1 + 4 * col, 1 + 4 * row));

    // The off-screen picture lands at (1, 1): dot (row, col) covers 4 x 4 pixels from
    // (2 + 4 col, 2 + 4 row), a black outline around a 2 x 2 fill.
    for (int row = 0; row < 7; ++row) {
        for (int col = 0; col < 5; ++col) {
            const int x = 2 + 4 * col, y = 2 + 4 * row;
            const QColor fill = TDisplay::IsLit(ds5x7Dot, '8', 5 * row + col) ? kAqua : kUnlit;
            SCOPED_TRACE(testing::Message() << "row " << row << " col " << col);
            EXPECT_EQ(img.pixelColor(x, y), kBlack);
            EXPECT_EQ(img.pixelColor(x + 3, y + 3), kBlack);
            EXPECT_EQ(img.pixelColor(x + 3, y + 1), kBlack);
            EXPECT_EQ(img.pixelColor(x + 1, y + 1), fill);
            EXPECT_EQ(img.pixelColor(x + 2, y + 2), fill);
        }
    }
    // The 8's rows 0E 11 11 0E 11 11 0E: top row lights columns 1 to 3.
    EXPECT_EQ(img.pixelColor(2 + 1, 2 + 1), kUnlit);
    EXPECT_EQ(img.pixelColor(2 + 4 + 1, 2 + 1), kAqua);
}

TEST(DisplayTest, SixteenSegmentEightAgainstA)
{
    TDisplay d;
    d.SetDigitStyle(ds16Seg);
    d.SetOnColor(kAqua);
    d.SetOffColor(kUnlit);
    // The upper right segment (a right trapezoid at (W-M-S, M+h), S x V): its middle.
    const QPoint upperRight(120 - 10 - 15 + 7 + 1, 10 + 7 + 40 + 1);
    // The upper left segment, its mirror image.
    const QPoint upperLeft(10 + 7 + 1, 10 + 7 + 40 + 1);
    d.SetDigit('8');
    QImage img = Render(d);
    EXPECT_EQ(img.pixelColor(upperLeft), kAqua);
    EXPECT_EQ(img.pixelColor(upperRight), kUnlit);
    d.SetDigit('A');
    img = Render(d);
    EXPECT_EQ(img.pixelColor(upperLeft), kAqua);
    EXPECT_EQ(img.pixelColor(upperRight), kAqua);
}

TEST(DisplayTest, SevenSegmentSpaceLightsTheMiddleOnly)
{
    TDisplay d;
    d.SetOnColor(kAqua);
    d.SetOffColor(kUnlit);
    d.SetDigit(' ');
    const QImage img = Render(d);
    // Middle segment at (M+h, H/2-h), 85 x 15; top segment at (M+h, M). Pixels are
    // shifted by one, as the picture is copied to (1, 1).
    EXPECT_EQ(img.pixelColor(60 + 1, 100 + 1), kAqua);
    EXPECT_EQ(img.pixelColor(60 + 1, 10 + 7 + 1), kUnlit);
    EXPECT_EQ(img.pixelColor(10 + 7 + 1, 20 + 34 + 1), kUnlit); // upper left
    EXPECT_EQ(img.pixelColor(5, 5), kBlack);                    // background
}

TEST(DisplayTest, BulbsAreRound)
{
    TDisplay d;
    d.SetDigitStyle(ds5x7Bulb);
    d.SetMargin(0);
    d.SetSegWidth(20);
    d.SetOnColor(kAqua);
    d.SetDigit('8');
    const QImage img = Render(d);
    // Bulb in row 0, column 1 (lit): its centre is filled, its box's corner is not.
    const QPoint p = d.Point(1);
    EXPECT_EQ(img.pixelColor(p.x() + 1 + 10, p.y() + 1 + 10), kAqua);
    EXPECT_EQ(img.pixelColor(p.x() + 1 + 1, p.y() + 1 + 1), kBlack);
}

TEST(DisplayTest, RepaintsOnlyOnRealChanges)
{
    TDisplay d;
    PaintCounter counter;
    d.installEventFilter(&counter);
    d.show();
    QApplication::processEvents();
    d.SetDigit('5');
    QApplication::processEvents();
    const int afterChange = counter.count;
    EXPECT_GT(afterChange, 0);
    d.SetDigit('5');
    d.SetOnColor(d.OnColor());
    d.SetSegWidth(d.SegWidth());
    d.SetDigitStyle(d.DigitStyle());
    QApplication::processEvents();
    EXPECT_EQ(counter.count, afterChange);
    d.SetOffColor(kUnlit);
    QApplication::processEvents();
    EXPECT_GT(counter.count, afterChange);
}

TEST(DisplayTest, ResizeRecomputesGeometryAtTheNextPaint)
{
    TDisplay d;
    d.SetDigitStyle(ds5x7Dot);
    const QPoint before = d.Point(34);
    d.resize(60, 100);
    EXPECT_EQ(d.Point(34), before);
    Render(d);
    // Margin 10, dot 15: gaps (60-20-75)/4 = -8 and (100-20-105)/6 = -4, used as they are.
    EXPECT_EQ(d.Point(34), QPoint(10 + 4 * (15 - 8), 10 + 6 * (15 - 4)));
}
