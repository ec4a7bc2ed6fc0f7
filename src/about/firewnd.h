#pragma once
// TFire: a control that shows an animated fire, fed from a fuel line along its bottom
// edge, painted through a 256-entry fire palette and optionally cut by a mask picture
// placed at its bottom-left corner (the fire shows where the mask has the transparent
// colour). A timer runs one step per tick while Burning is set; the arithmetic lives
// in TFireEngine. TpalColor holds the start intensities of the palette ramp.
//
// Range-checked setters ignore values out of range without a message. A rebuild
// (size, parent, MaxBurn, palette change) starts the fire from cold. A step that
// cannot be computed (Chaos 0, Decay -1, Distribution -1, FireWidth 5) stops the fire:
// Burning becomes false while the timer keeps running and its ticks do nothing.
// Everything runs on the user-interface thread.

#include "about/FireEngine.h"

#include <QImage>
#include <QWidget>

class QTimer;
class TFire;

class TpalColor final
{
public:
    // `owner` (may be null) is rebuilt whenever a value changes, unless a fire is
    // being constructed.
    explicit TpalColor(TFire* owner = nullptr) : m_owner(owner) {}

    int Red() const { return m_red; }
    int Green() const { return m_green; }
    int Blue() const { return m_blue; }
    void SetRed(int value);
    void SetGreen(int value);
    void SetBlue(int value);

private:
    void Changed();

    TFire* m_owner{nullptr};
    int m_red{767};
    int m_green{511};
    int m_blue{255};
};

class TFire final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFire)

public:
    // A new fire is 100 × 100 with its timer running at 50 ms; with a parent it is
    // built at once, otherwise when it gets one.
    explicit TFire(QWidget* parent = nullptr);
    ~TFire() override;

    // True while any fire runs its constructor.
    static bool Constructing() { return s_constructing; }

    int Decay() const { return m_engine.Decay; }
    void SetDecay(int value) { m_engine.Decay = value; }
    const QImage& Mask() const { return m_mask; }
    void SetMask(const QImage& picture); // copied; the mask is updated
    QRgb TransparentColor() const { return m_transparentColor; }
    void SetTransparentColor(QRgb colour);
    int Flammability() const { return m_engine.Flammability(); }
    void SetFlammability(int value) { m_engine.SetFlammability(value); } // 1..399
    int MaxHeat() const { return m_engine.MaxHeat; }
    void SetMaxHeat(int value) { m_engine.MaxHeat = value; }
    int SpreadRate() const { return m_engine.SpreadRate; }
    void SetSpreadRate(int value) { m_engine.SpreadRate = value; }
    int Smoothness() const { return m_engine.Smoothness; }
    void SetSmoothness(int value) { m_engine.Smoothness = value; }
    int Distribution() const { return m_engine.Distribution; }
    void SetDistribution(int value) { m_engine.Distribution = value; }
    int Chaos() const { return m_engine.Chaos; }
    void SetChaos(int value) { m_engine.Chaos = value; }
    bool Burning() const { return m_burning; }
    void SetBurning(bool value); // the timer runs exactly when true
    int MaxBurn() const { return m_engine.MaxBurn(); }
    void SetMaxBurn(int value); // 1..100, then a rebuild even when unchanged
    int Interval() const;
    void SetInterval(int milliseconds); // values <= 0 are ignored
    float EdgeRatio() const { return m_engine.EdgeRatio(); }
    void SetEdgeRatio(float value); // 0 < value < 1; sets the burning width, no rebuild
    TpalColor& FirePalette() { return m_palette; }
    void SetFirePalette(const TpalColor& colours); // copied value by value

    // Moves and resizes; a changed size rebuilds the fire when it has a parent.
    void SetBounds(int x, int y, int width, int height);
    // New palette and buffers for the current size, all cold.
    void Rebuild();
    // One timer tick: a step and a repaint while Burning; a failing step stops it.
    void TimerTick();
    // Masks the current heat into the display image; nothing without a parent.
    void Blit();

    const TFireEngine& Engine() const { return m_engine; }
    bool TimerActive() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    static inline bool s_constructing = false;

    TFireEngine m_engine;
    TpalColor m_palette{this};
    QImage m_mask;
    QImage m_frame; // the display image in colour, kept between paints
    QRgb m_transparentColor{qRgb(255, 255, 255)};
    bool m_burning{true};
    QTimer* m_timer{nullptr}; // owned as a child
};
