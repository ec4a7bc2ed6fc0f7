// The fire control: start values, property rules, rebuilds, the timer and painting.
#include "about/firewnd.h"

#include <QImage>
#include <QWidget>
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

// A fire on a parent, burning fast so that a few ticks heat it.
struct TParentedFire {
    QWidget parent;
    TFire* fire = new TFire(&parent);

    TParentedFire()
    {
        fire->SetFlammability(399);
        fire->SetBounds(0, 0, 60, 30);
    }
    void Ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            fire->TimerTick();
    }
};

} // namespace

TEST(FireControl, StartValues)
{
    TFire fire;
    EXPECT_EQ(fire.size(), QSize(100, 100));
    EXPECT_EQ(fire.Decay(), 5);
    EXPECT_TRUE(fire.Mask().isNull());
    EXPECT_EQ(fire.TransparentColor() & RGB_MASK, 0xFFFFFFu);
    EXPECT_EQ(fire.Flammability(), 385);
    EXPECT_EQ(fire.MaxHeat(), 223);
    EXPECT_EQ(fire.SpreadRate(), 20);
    EXPECT_EQ(fire.Smoothness(), 1);
    EXPECT_EQ(fire.Distribution(), 1);
    EXPECT_EQ(fire.Chaos(), 50);
    EXPECT_TRUE(fire.Burning());
    EXPECT_TRUE(fire.TimerActive());
    EXPECT_EQ(fire.MaxBurn(), 75);
    EXPECT_EQ(fire.Interval(), 50);
    EXPECT_EQ(fire.EdgeRatio(), 0.5f);
    EXPECT_EQ(fire.FirePalette().Red(), 767);
    EXPECT_EQ(fire.FirePalette().Green(), 511);
    EXPECT_EQ(fire.FirePalette().Blue(), 255);
    EXPECT_EQ(fire.Engine().Seed(), 0x38549391u);
    EXPECT_FALSE(fire.Engine().HasBuffers()); // no parent yet
    EXPECT_FALSE(TFire::Constructing());
}

TEST(FireControl, BuiltWhenItGetsAParentAndOnEverySizeChange)
{
    QWidget parent; // destroyed after the fire, which it will own
    TFire fire;
    fire.resize(80, 20);
    EXPECT_FALSE(fire.Engine().HasBuffers());
    fire.setParent(&parent);
    ASSERT_TRUE(fire.Engine().HasBuffers());
    EXPECT_EQ(fire.Engine().Width(), 80);
    EXPECT_EQ(fire.Engine().BurnRows(), 15); // 20 × 0.75
    fire.SetBounds(5, 5, 120, 40);
    EXPECT_EQ(fire.geometry(), QRect(5, 5, 120, 40));
    EXPECT_EQ(fire.Engine().Width(), 120);
    EXPECT_EQ(fire.Engine().FireWidth(), 60);
    // A resize through the layout machinery of a shown window rebuilds as well.
    parent.resize(300, 200);
    parent.show();
    fire.resize(90, 30);
    EXPECT_EQ(fire.Engine().Width(), 90);
    EXPECT_EQ(fire.Engine().Height(), 30);
}

TEST(FireControl, MaxBurnRebuildsOnlyWhenStored)
{
    TParentedFire f;
    f.Ticks(20);
    ASSERT_FALSE(AllCold(f.fire->Engine()));
    const std::vector<quint8> heat = f.fire->Engine().HeatBytes();
    f.fire->SetMaxBurn(0);
    f.fire->SetMaxBurn(101);
    EXPECT_EQ(f.fire->MaxBurn(), 75);
    EXPECT_EQ(f.fire->Engine().HeatBytes(), heat); // not reset
    f.fire->SetMaxBurn(75);                        // the current value resets the fire
    EXPECT_TRUE(AllCold(f.fire->Engine()));
    f.fire->SetMaxBurn(50);
    EXPECT_EQ(f.fire->Engine().BurnRows(), 15);
}

TEST(FireControl, OtherRangeChecks)
{
    TParentedFire f;
    f.fire->SetInterval(0);
    f.fire->SetInterval(-5);
    EXPECT_EQ(f.fire->Interval(), 50);
    f.fire->SetInterval(2);
    EXPECT_EQ(f.fire->Interval(), 2);
    f.fire->SetFlammability(400);
    EXPECT_EQ(f.fire->Flammability(), 399);
    f.Ticks(10);
    const std::vector<quint8> heat = f.fire->Engine().HeatBytes();
    f.fire->SetEdgeRatio(1.0f);
    f.fire->SetEdgeRatio(0.0f);
    EXPECT_EQ(f.fire->EdgeRatio(), 0.5f);
    EXPECT_EQ(f.fire->Engine().FireWidth(), 30);
    f.fire->SetEdgeRatio(0.8f); // 60 × 0.8: a new burning width, no rebuild
    EXPECT_EQ(f.fire->Engine().FireWidth(), 48);
    EXPECT_EQ(f.fire->Engine().HeatBytes(), heat);
}

TEST(FireControl, PaletteChangesRebuild)
{
    TParentedFire f;
    f.Ticks(10);
    f.fire->FirePalette().SetRed(999);
    EXPECT_TRUE(AllCold(f.fire->Engine()));
    EXPECT_EQ(f.fire->Engine().Palette()[16], qRgb(107, 0, 0)); // 999 - 4 × 223

    TpalColor colours; // belongs to no fire: only stores
    colours.SetRed(300);
    colours.SetGreen(200);
    colours.SetBlue(100);
    EXPECT_EQ(colours.Red(), 300);
    f.Ticks(10);
    f.fire->SetFirePalette(colours);
    EXPECT_TRUE(AllCold(f.fire->Engine()));
    EXPECT_EQ(f.fire->FirePalette().Green(), 200);
    EXPECT_EQ(f.fire->Engine().Palette()[239], qRgb(255, 200, 100));
}

TEST(FireControl, TicksRunOnlyWhileBurning)
{
    TParentedFire f;
    f.fire->SetBurning(false);
    EXPECT_FALSE(f.fire->TimerActive());
    const quint32 seed = f.fire->Engine().Seed();
    f.Ticks(5);
    EXPECT_EQ(f.fire->Engine().Seed(), seed);
    f.fire->SetBurning(true);
    EXPECT_TRUE(f.fire->TimerActive());
    f.Ticks(1);
    EXPECT_NE(f.fire->Engine().Seed(), seed);
}

TEST(FireControl, FailingStepStopsTheFireButNotTheTimer)
{
    TParentedFire f;
    f.Ticks(10);
    f.fire->SetChaos(0);
    f.Ticks(1);
    EXPECT_FALSE(f.fire->Burning());
    EXPECT_TRUE(f.fire->TimerActive());
    const std::vector<quint8> heat = f.fire->Engine().HeatBytes();
    const quint32 seed = f.fire->Engine().Seed();
    f.Ticks(3);
    EXPECT_EQ(f.fire->Engine().Seed(), seed);
    // Burning again continues from the kept heat.
    f.fire->SetChaos(50);
    f.fire->SetBurning(true);
    EXPECT_EQ(f.fire->Engine().HeatBytes(), heat);
    f.Ticks(1);
    EXPECT_TRUE(f.fire->Burning());

    TFire loose; // never built: its first step fails
    loose.TimerTick();
    EXPECT_FALSE(loose.Burning());
}

TEST(FireControl, PaintsThePaletteColourOfEachValue)
{
    TParentedFire f;
    f.fire->FirePalette().SetRed(999); // cold shows as (107, 0, 0)
    QImage mask(4, 2, QImage::Format_RGB32);
    mask.fill(qRgb(0, 0, 0)); // black: the fire is hidden there
    f.fire->SetMask(mask);
    const QImage shot = f.fire->grab().toImage();
    ASSERT_EQ(shot.size(), QSize(60, 30));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x) {
            const bool hidden = x < 4 && y >= 28;
            ASSERT_EQ(shot.pixel(x, y) & RGB_MASK, hidden ? 0u : qRgb(107, 0, 0) & RGB_MASK)
                << x << "," << y;
        }
    // Changing the transparent colour to black lets the fire through the whole mask.
    f.fire->SetTransparentColor(qRgb(0, 0, 0));
    EXPECT_EQ(f.fire->grab().toImage().pixel(0, 29) & RGB_MASK, qRgb(107, 0, 0) & RGB_MASK);
}
