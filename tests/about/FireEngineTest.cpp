// The fire's arithmetic without a window: palette, geometry, steps, masking.
#include "about/FireEngine.h"
#include "about/FireReference.h"

#include <QImage>
#include <algorithm>
#include <gtest/gtest.h>

namespace
{

void Configure(TFireEngine& fire, const TFireRules& rules)
{
    fire.Decay = rules.Decay;
    fire.MaxHeat = rules.MaxHeat;
    fire.SpreadRate = rules.SpreadRate;
    fire.Smoothness = rules.Smoothness;
    fire.Distribution = rules.Distribution;
    fire.Chaos = rules.Chaos;
    ASSERT_TRUE(fire.SetFlammability(rules.Flammability));
    ASSERT_TRUE(fire.SetMaxBurn(rules.MaxBurn));
    ASSERT_TRUE(fire.SetEdgeRatio(rules.EdgeRatio, rules.W));
    ASSERT_TRUE(fire.Rebuild(rules.W, rules.H, 767, 511, 255));
}

TFireRules AboutBoxRules()
{
    TFireRules rules;
    rules.W = 340;
    rules.H = 47;
    rules.Flammability = 390;
    rules.MaxHeat = 230;
    rules.Chaos = 200;
    rules.MaxBurn = 80;
    rules.EdgeRatio = 0.99f;
    return rules;
}

bool AllCold(const TFireEngine& fire)
{
    for (int row = 0; row < fire.Height(); ++row)
        for (int column = 0; column < fire.Width(); ++column)
            if (fire.Heat(row, column) != 16)
                return false;
    for (quint8 f : fire.FuelLine())
        if (f != 16)
            return false;
    return true;
}

int HotPixels(const TFireEngine& fire)
{
    int hot = 0;
    for (int row = 0; row < fire.Height(); ++row)
        for (int column = 0; column < fire.Width(); ++column)
            hot += fire.Heat(row, column) > 16 ? 1 : 0;
    return hot;
}

} // namespace

TEST(FirePalette, StartValuesGiveBlackRedYellowWhiteRamp)
{
    const TFirePaletteTable p = BuildFirePalette(767, 511, 255);
    for (int i : {0, 15, 16, 30, 47, 240, 255})
        EXPECT_EQ(p[size_t(i)], qRgb(0, 0, 0)) << "entry " << i;
    EXPECT_EQ(p[48], qRgb(3, 0, 0));
    EXPECT_EQ(p[110], qRgb(251, 0, 0));
    EXPECT_EQ(p[111], qRgb(255, 0, 0));
    EXPECT_EQ(p[112], qRgb(255, 3, 0));
    EXPECT_EQ(p[175], qRgb(255, 255, 0));
    EXPECT_EQ(p[176], qRgb(255, 255, 3));
    EXPECT_EQ(p[239], qRgb(255, 255, 255));
}

TEST(FirePalette, ClampsEveryIntensityToAByte)
{
    const TFirePaletteTable p = BuildFirePalette(2000, -40, 6);
    EXPECT_EQ(p[239], qRgb(255, 0, 6));
    EXPECT_EQ(p[238], qRgb(255, 0, 2));
    EXPECT_EQ(p[237], qRgb(255, 0, 0));
    EXPECT_EQ(p[16], qRgb(255, 0, 0)); // 2000 - 4 × 223 is still above 255
}

TEST(FireGeometry, AboutBoxValues)
{
    TFireEngine fire;
    Configure(fire, AboutBoxRules());
    EXPECT_EQ(fire.FireWidth(), 337);
    EXPECT_EQ(fire.L0(), 1);
    EXPECT_EQ(fire.R0(), 339);
    EXPECT_EQ(fire.BurnRows(), 37);
    EXPECT_EQ(fire.RowStride(), 340);
    EXPECT_EQ(fire.DisplayImage().size(), QSize(340, 47));
    EXPECT_EQ(fire.DisplayImage().colorTable().size(), 256);
    EXPECT_EQ(fire.DisplayImage().colorTable()[111], qRgb(255, 0, 0));
}

TEST(FireGeometry, RowStrideAndHalfEvenRounding)
{
    TFireEngine fire;
    ASSERT_TRUE(fire.SetEdgeRatio(0.25f, 10));
    EXPECT_EQ(fire.FireWidth(), 2); // 2.5 rounds to even
    ASSERT_TRUE(fire.SetEdgeRatio(0.25f, 14));
    EXPECT_EQ(fire.FireWidth(), 4); // 3.5 rounds to even
    ASSERT_TRUE(fire.Rebuild(30, 9, 767, 511, 255));
    EXPECT_EQ(fire.RowStride(), 32);
    EXPECT_EQ(fire.HeatBytes().size(), 9u * 32u);
    EXPECT_EQ(fire.FireWidth(), 8); // 7.5 rounds to even
    EXPECT_EQ(fire.BurnRows(), 6);  // 9 × 0.75 = 6.75, cut
    ASSERT_TRUE(fire.Rebuild(1, 1, 767, 511, 255));
    EXPECT_EQ(fire.RowStride(), 4);
}

TEST(FireGeometry, RangeCheckedSettersIgnoreBadValues)
{
    TFireEngine fire;
    EXPECT_FALSE(fire.SetFlammability(0));
    EXPECT_FALSE(fire.SetFlammability(400));
    EXPECT_EQ(fire.Flammability(), 385);
    EXPECT_TRUE(fire.SetFlammability(399));
    EXPECT_FALSE(fire.SetMaxBurn(0));
    EXPECT_FALSE(fire.SetMaxBurn(101));
    EXPECT_EQ(fire.MaxBurn(), 75);
    ASSERT_TRUE(fire.Rebuild(100, 10, 767, 511, 255));
    EXPECT_EQ(fire.FireWidth(), 50);
    EXPECT_FALSE(fire.SetEdgeRatio(1.0f, 100));
    EXPECT_FALSE(fire.SetEdgeRatio(0.0f, 100));
    EXPECT_FALSE(fire.SetEdgeRatio(-0.5f, 100));
    EXPECT_EQ(fire.EdgeRatio(), 0.5f);
    EXPECT_EQ(fire.FireWidth(), 50);
}

TEST(FireSteps, EdgeColumnsStayColdWhileTheMiddleBurns)
{
    TFireEngine fire;
    Configure(fire, AboutBoxRules());
    for (int step = 0; step < 200; ++step) {
        ASSERT_TRUE(fire.Burn());
        // The fuel line is copied into the bottom row after the edges are cooled;
        // heating then reaches columns 1 and 338 again, but never 0 and 339.
        for (int column : {0, 1, 338, 339})
            ASSERT_EQ(fire.Heat(0, column), 16) << "step " << step << " column " << column;
        ASSERT_EQ(fire.FuelLine()[0], 16);
        ASSERT_EQ(fire.FuelLine()[339], 16);
    }
    EXPECT_GT(fire.Heat(0, 2), 16);
    EXPECT_GT(fire.FuelLine()[170], 16);
    // MaxHeat 230 caps the fuel at 246; values above 239 show black.
    const quint8 hottest = *std::max_element(fire.FuelLine().begin(), fire.FuelLine().end());
    EXPECT_GT(hottest, 239);
    EXPECT_LE(hottest, 246);
    EXPECT_EQ(fire.Palette()[246], qRgb(0, 0, 0));
    EXPECT_GT(HotPixels(fire), 1000);
}

TEST(FireSteps, RebuildMakesEveryPixelCold)
{
    TFireEngine fire;
    Configure(fire, AboutBoxRules());
    for (int step = 0; step < 100; ++step)
        fire.Burn();
    ASSERT_GT(HotPixels(fire), 0);
    const quint32 seed = fire.Seed();
    ASSERT_TRUE(fire.Rebuild(340, 47, 767, 511, 255));
    EXPECT_TRUE(AllCold(fire));
    EXPECT_EQ(fire.Seed(), seed); // the generator runs on across rebuilds
    const QImage& shown = fire.DisplayImage();
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            ASSERT_EQ(shown.pixelIndex(x, y), 16);
}

TEST(FireSteps, FlammabilitySetsHowOftenHotSpotsLight)
{
    const auto ignitions = [](int flammability, int steps) {
        TFireEngine fire;
        TFireRules rules = AboutBoxRules();
        rules.Flammability = flammability;
        Configure(fire, rules);
        for (int step = 0; step < steps; ++step)
            fire.Burn();
        return fire.Ignitions();
    };
    const qint64 often = ignitions(390, 5000);
    EXPECT_GT(often, 400); // one step in ten on average: 500 expected
    EXPECT_LT(often, 600);
    EXPECT_EQ(ignitions(399, 300), 300);
    EXPECT_LT(ignitions(1, 2000), 20); // one step in 399
}

TEST(FireSteps, StepsThatCannotBeComputedFail)
{
    const auto burnsWith = [](auto change) {
        TFireEngine fire;
        TFireRules rules = AboutBoxRules();
        change(rules);
        Configure(fire, rules);
        bool ok = true;
        for (int step = 0; step < 20 && ok; ++step)
            ok = fire.Burn();
        return ok;
    };
    EXPECT_TRUE(burnsWith([](TFireRules&) {}));
    EXPECT_FALSE(burnsWith([](TFireRules& r) { r.Chaos = 0; }));
    EXPECT_FALSE(burnsWith([](TFireRules& r) { r.Decay = -1; }));
    EXPECT_FALSE(burnsWith([](TFireRules& r) { r.Distribution = -1; }));
    EXPECT_FALSE(burnsWith([](TFireRules& r) {
        r.W = 10; // 10 × 0.5 leaves a burning width of 5
        r.EdgeRatio = 0.5f;
        r.Flammability = 399;
    }));

    TFireEngine unbuilt;
    EXPECT_FALSE(unbuilt.Burn());
    EXPECT_FALSE(unbuilt.Blit());
    EXPECT_FALSE(unbuilt.Rebuild(0, 10, 767, 511, 255));
    EXPECT_FALSE(unbuilt.HasBuffers());
    EXPECT_FALSE(unbuilt.Burn());
}

TEST(FireSteps, BurningWidthSetForAWiderControlStaysInsideTheFuelLine)
{
    TFireEngine fire;
    ASSERT_TRUE(fire.SetFlammability(399));
    ASSERT_TRUE(fire.Rebuild(20, 10, 767, 511, 255));
    ASSERT_TRUE(fire.SetEdgeRatio(0.9f, 400)); // 360 columns for a 20-column fire
    ASSERT_LT(fire.L0(), 0);
    for (int step = 0; step < 50; ++step)
        ASSERT_TRUE(fire.Burn());
    EXPECT_EQ(fire.FuelLine().size(), 20u);
    EXPECT_GT(*std::max_element(fire.FuelLine().begin(), fire.FuelLine().end()), 16);
    ASSERT_TRUE(fire.Rebuild(20, 10, 767, 511, 255)); // the ratio now meets the real width
    EXPECT_EQ(fire.FireWidth(), 18);
}

// The engine must match a plain model of the rules pixel for pixel after many steps.
class FireExactHeat : public ::testing::TestWithParam<TFireRules>
{
};

TEST_P(FireExactHeat, MatchesTheRulesAfterManySteps)
{
    const TFireRules rules = GetParam();
    TFireEngine fire;
    Configure(fire, rules);
    TReferenceFire model(rules);
    ASSERT_EQ(fire.FireWidth(), model.fireWidth);
    ASSERT_EQ(fire.BurnRows(), model.burnRows);
    for (int step = 1; step <= 150; ++step) {
        ASSERT_TRUE(fire.Burn());
        model.Step();
        if (step % 50 != 0)
            continue;
        ASSERT_EQ(fire.Seed(), model.seed) << "step " << step;
        for (int i = 0; i < rules.W; ++i)
            ASSERT_EQ(fire.FuelLine()[size_t(i)], model.fuel[size_t(i)]) << "fuel " << i;
        for (int row = 0; row < rules.H; ++row)
            for (int column = 0; column < rules.W; ++column)
                ASSERT_EQ(fire.Heat(row, column), model.HeatAt(row, column))
                    << "step " << step << " row " << row << " column " << column;
    }
    // The comparison saw flames rise above the fuel line.
    int risen = 0;
    for (int row = 1; row < rules.H; ++row)
        for (int column = 0; column < rules.W; ++column)
            risen += fire.Heat(row, column) > 16 ? 1 : 0;
    EXPECT_GT(risen, 0);
}

TFireRules Rules(int w, int h, auto change)
{
    TFireRules rules;
    rules.W = w;
    rules.H = h;
    change(rules);
    return rules;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, FireExactHeat,
    ::testing::Values(AboutBoxRules(),
                      // Row padding, wide drift into neighbouring rows, flames
                      // through the whole height.
                      Rules(30, 20,
                            [](TFireRules& r) {
                                r.Distribution = 3;
                                r.Decay = 7;
                                r.Smoothness = 2;
                                r.MaxBurn = 100;
                                r.Flammability = 399;
                                r.EdgeRatio = 0.9f;
                            }),
                      // The burning width rounds to the whole width.
                      Rules(10, 8,
                            [](TFireRules& r) {
                                r.EdgeRatio = 0.97f;
                                r.Distribution = 0;
                                r.Flammability = 399;
                                r.MaxBurn = 100;
                            }),
                      // Negative divisors and an odd negative Chaos, with fuel that does not
                      // simply climb to the top.
                      Rules(24, 12,
                            [](TFireRules& r) {
                                r.Distribution = -3;
                                r.Decay = -4;
                                r.Chaos = -7;
                                r.SpreadRate = -7;
                                r.Flammability = 395;
                                r.EdgeRatio = 0.8f;
                            }),
                      // Drifts across several rows, out of the image at both ends, and a wide
                      // smoothing window.
                      Rules(12, 8,
                            [](TFireRules& r) {
                                r.Distribution = 5;
                                r.Decay = 0;
                                r.Smoothness = 3;
                                r.MaxBurn = 100;
                                r.Flammability = 399;
                                r.EdgeRatio = 0.9f;
                            }),
                      // Narrower than a hot spot: the spots are cut at the edge.
                      Rules(3, 5,
                            [](TFireRules& r) {
                                r.Distribution = 0;
                                r.Flammability = 399;
                                r.EdgeRatio = 0.99f;
                            }),
                      // Hot flames through the whole height of a row-aligned image: drifts left out
                      // of the row above the top would land on the top row's last pixels.
                      Rules(12, 4, [](TFireRules& r) {
                          r.Distribution = 2;
                          r.Decay = 0;
                          r.MaxBurn = 100;
                          r.Flammability = 399;
                          r.EdgeRatio = 0.9f;
                      })));

TEST(FireMask, SmallMaskCutsOnlyTheBottomLeft)
{
    TFireEngine fire;
    TFireRules rules = AboutBoxRules();
    rules.W = 40;
    rules.H = 20;
    Configure(fire, rules);
    for (int step = 0; step < 40; ++step)
        fire.Burn();
    // 10 × 5, black but for its top row and its left column.
    QImage mask(10, 5, QImage::Format_RGB32);
    mask.fill(qRgb(0, 0, 0));
    for (int x = 0; x < 10; ++x)
        mask.setPixel(x, 0, qRgb(255, 255, 255));
    for (int y = 0; y < 5; ++y)
        mask.setPixel(0, y, qRgb(255, 255, 255));
    fire.UpdateMask(mask, qRgb(255, 255, 255));
    ASSERT_EQ(fire.MaskBits().size(), QSize(10, 5));
    ASSERT_TRUE(fire.Blit());
    int hidden = 0;
    for (int row = 0; row < 20; ++row) {
        for (int column = 0; column < 40; ++column) {
            // Stored row 0 is the bottom; the mask's top row lies on stored row 4.
            const bool inMask = row < 5 && column < 10;
            const bool through = !inMask || row == 4 || column == 0;
            const int shown = fire.DisplayImage().pixelIndex(column, 19 - row);
            ASSERT_EQ(shown, through ? fire.Heat(row, column) : 0)
                << "row " << row << " column " << column;
            hidden += (!through && fire.Heat(row, column) > 16) ? 1 : 0;
        }
    }
    EXPECT_GT(hidden, 0); // some hot pixels were really cut
}

TEST(FireMask, TransparentColourAndLargeMask)
{
    TFireEngine fire;
    TFireRules rules = AboutBoxRules();
    rules.W = 16;
    rules.H = 8;
    rules.EdgeRatio = 0.9f;
    Configure(fire, rules);
    for (int step = 0; step < 30; ++step)
        fire.Burn();
    // Larger than the fire: its top-left 16 × 8 covers the fire; red lets it through.
    QImage mask(20, 12, QImage::Format_RGB32);
    mask.fill(qRgb(255, 255, 255));
    mask.setPixel(3, 7, qRgb(255, 0, 0)); // lies on stored row 0, column 3
    fire.UpdateMask(mask, qRgb(255, 0, 0));
    ASSERT_TRUE(fire.Blit());
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 16; ++column) {
            const int expected = (row == 0 && column == 3) ? fire.Heat(0, 3) : 0;
            ASSERT_EQ(fire.DisplayImage().pixelIndex(column, 7 - row), expected);
        }
    fire.UpdateMask(QImage(), qRgb(255, 0, 0));
    EXPECT_TRUE(fire.MaskBits().isNull());
    ASSERT_TRUE(fire.Blit());
    EXPECT_EQ(fire.DisplayImage().pixelIndex(5, 7), fire.Heat(0, 5));
}
