#pragma once
// The arithmetic of the animated fire, without any window: the fire's own random
// generator, the fire palette, the fuel line, the heat and display images, one
// animation step (Burn) and the masking of the heat image into the display image
// (Blit). TFire (firewnd.h) owns one engine and only adds the timer and painting.
//
// Layout: the heat image is H rows of RowStride bytes, row 0 at the bottom, stored
// bottom row first, exactly as an 8-bit bottom-up bitmap; the bytes of a row beyond
// W carry no heat value. Sideways drift works on byte positions, so a drift past a
// row's end lands in the neighbouring row. Writes that would fall outside the image
// are dropped: before its first byte, after its last byte, and every write into the
// row above the top when the flames rise through the whole height (MaxBurn 100).
//
// Not thread-safe; all calls come from the user-interface thread.

#include <QImage>
#include <QRgb>
#include <QtGlobal>
#include <array>
#include <vector>

// Colour of each heat value. Entries 16 to 239 hold the ramp, the rest are black.
using TFirePaletteTable = std::array<QRgb, 256>;

// The ramp: entry i from 239 down to 16 gets (r, g, b) clamped to 0..255, then each of
// r, g, b drops by 4 (to 0 once it is 3 or less). Negative start values show as 0.
TFirePaletteTable BuildFirePalette(int red, int green, int blue);

class TFireEngine final
{
public:
    static constexpr quint32 SeedStart = 0x38549391u;
    static constexpr quint8 Cold = 16;       // the coldest heat value
    static constexpr quint8 SparkHeat = 239; // value of a newly lit hot spot

    TFireEngine() = default;
    TFireEngine(const TFireEngine&) = delete;
    TFireEngine& operator=(const TFireEngine&) = delete;

    // Settings. The range-checked setters return whether the value was stored.
    int Decay{5};
    int MaxHeat{223};
    int SpreadRate{20};
    int Smoothness{1};
    int Distribution{1};
    int Chaos{50};
    int Flammability() const { return m_flammability; }
    bool SetFlammability(int value); // 1..399
    int MaxBurn() const { return m_maxBurn; }
    bool SetMaxBurn(int value); // 1..100; the caller rebuilds when stored
    float EdgeRatio() const { return m_edgeRatio; }
    // 0 < value < 1: stores it and sets FireWidth to Round(value × width), no rebuild.
    bool SetEdgeRatio(float value, int width);

    // Replaces palette and buffers for a fire of width × height, all cold. Returns
    // false (leaving no buffers) when the images cannot be created; an empty size
    // gives no buffers either. Cost: O(width × height).
    bool Rebuild(int width, int height, int red, int green, int blue);

    // One animation step. Returns false when the step cannot be computed: no
    // buffers, or a zero divisor (Chaos 0, Decay -1, Distribution -1, FireWidth 5);
    // the state is then partly advanced. Cost: O(W × BurnRows).
    bool Burn();

    // Masks the heat image into the display image. Does nothing and returns false
    // without buffers. Cost: O(W × H).
    bool Blit();

    // Writes the display image's colours into `frame`, which becomes (or stays) a
    // W × H Format_RGB32 picture: each pixel is the palette colour of its value. Drawing
    // this is cheaper than having the painter convert the indexed image on each paint.
    void Render(QImage& frame) const;

    // Turns `mask` into MaskBits: 1 where a pixel's colour equals `transparent`
    // (alpha ignored), 0 elsewhere. A null picture gives an empty mask.
    void UpdateMask(const QImage& mask, QRgb transparent);

    // The next number of the generator, 0 to 2^27 - 1.
    quint32 NextRandom();

    bool HasBuffers() const { return !m_heat.empty(); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int RowStride() const { return m_rowStride; }
    int FireWidth() const { return m_fireWidth; }
    int BurnRows() const { return m_burnRows; }
    int L0() const { return (m_width - m_fireWidth) / 2; }
    int R0() const { return L0() + m_fireWidth + 1; }
    quint32 Seed() const { return m_seed; }
    // Hot spots lit since the engine was made.
    qint64 Ignitions() const { return m_ignitions; }

    const std::vector<quint8>& FuelLine() const { return m_fuel; }
    // The whole heat image, H × RowStride bytes, bottom row first.
    const std::vector<quint8>& HeatBytes() const { return m_heat; }
    quint8 Heat(int row, int column) const { return m_heat[size_t(row * m_rowStride + column)]; }
    // W × H, 8-bit indexed, top row first as shown, colour table = Palette().
    const QImage& DisplayImage() const { return m_display; }
    const TFirePaletteTable& Palette() const { return m_palette; }
    // Monochrome (QImage::Format_Mono, most significant bit first), index 1 = fire
    // shows through. Null when there is no mask.
    const QImage& MaskBits() const { return m_maskBits; }

private:
    void CoolEdges();
    bool Rise();
    bool Ignite();
    bool HeatFuel();
    void SmoothFuel();

    int m_flammability{385};
    int m_maxBurn{75};
    float m_edgeRatio{0.5f};

    quint32 m_seed{SeedStart};
    qint64 m_ignitions{0};
    int m_width{0};
    int m_height{0};
    int m_rowStride{0};
    int m_fireWidth{0};
    int m_burnRows{0};
    std::vector<quint8> m_fuel;
    std::vector<quint8> m_heat;
    QImage m_display;
    QImage m_maskBits;
    std::vector<quint8> m_maskBytes; // MaskBits as 0x00 / 0xFF bytes, top row first
    TFirePaletteTable m_palette{};
};
