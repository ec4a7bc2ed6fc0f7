#include "about/FireEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace
{

constexpr quint32 RandomRange = 1u << 27; // NextRandom gives 0 .. RandomRange - 1

// Remainder of a draw (0 .. 2^27 - 1) by a non-zero signed divisor, as integer division
// truncating toward zero gives it: the sign of the divisor does not matter. Uses a
// multiplication instead of a division (Lemire's fastmod), since the step takes two
// remainders per pixel.
class TRemainder final
{
public:
    explicit TRemainder(qint64 divisor)
    {
        quint64 magnitude = quint64(divisor < 0 ? -divisor : divisor);
        // Every draw is below 2^27, so larger divisors leave it as it is.
        m_divisor = quint32(std::min<quint64>(magnitude, RandomRange));
        m_magic = ~quint64(0) / m_divisor + 1;
    }
    quint32 operator()(quint32 value) const
    {
        const quint64 low = m_magic * value;
        return quint32((static_cast<unsigned __int128>(low) * m_divisor) >> 64);
    }

private:
    quint32 m_divisor{1};
    quint64 m_magic{0};
};

constexpr quint32 Multiplier = 1664525u;
constexpr quint32 Increment = 1013904223u;

quint32 Advance(quint32& seed)
{
    seed = seed * Multiplier + Increment;
    return seed >> 5;
}

// The generator two and three draws ahead in one step each, so the three draws of a
// pixel do not wait for one another (arithmetic modulo 2^32).
constexpr quint32 Multiplier2 = Multiplier * Multiplier;
constexpr quint32 Increment2 = Increment * (Multiplier + 1u);
constexpr quint32 Multiplier3 = Multiplier2 * Multiplier;
constexpr quint32 Increment3 = Increment * (Multiplier2 + Multiplier + 1u);

quint8 ToByte(qint64 value)
{
    return quint8(std::clamp<qint64>(value, 0, 255));
}

} // namespace

TFirePaletteTable BuildFirePalette(int red, int green, int blue)
{
    TFirePaletteTable table;
    table.fill(qRgb(0, 0, 0));
    qint64 r = red, g = green, b = blue;
    const auto next = [](qint64 c) { return c <= 3 ? 0 : c - 4; };
    for (int i = 239; i >= 16; --i) {
        table[size_t(i)] = qRgb(ToByte(r), ToByte(g), ToByte(b));
        r = next(r);
        g = next(g);
        b = next(b);
    }
    return table;
}

bool TFireEngine::SetFlammability(int value)
{
    if (value < 1 || value > 399)
        return false;
    m_flammability = value;
    return true;
}

bool TFireEngine::SetMaxBurn(int value)
{
    if (value < 1 || value > 100)
        return false;
    m_maxBurn = value;
    return true;
}

bool TFireEngine::SetEdgeRatio(float value, int width)
{
    if (!(value > 0.0f && value < 1.0f))
        return false;
    m_edgeRatio = value;
    m_fireWidth = int(std::nearbyint(double(width) * double(value)));
    return true;
}

quint32 TFireEngine::NextRandom()
{
    return Advance(m_seed);
}

bool TFireEngine::Rebuild(int width, int height, int red, int green, int blue)
{
    m_palette = BuildFirePalette(red, green, blue);
    m_fuel.clear();
    m_heat.clear();
    m_display = QImage();
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_burnRows = int(std::trunc(double(m_height) * (m_maxBurn * 0.01)));
    m_fireWidth = int(std::nearbyint(double(m_width) * double(m_edgeRatio)));
    m_rowStride = int((8 * qint64(m_width) + 31) / 32 * 4);
    m_fuel.assign(size_t(m_width), Cold);
    if (m_width == 0 || m_height == 0)
        return false;
    QImage display(m_width, m_height, QImage::Format_Indexed8);
    if (display.isNull())
        return false;
    try {
        m_heat.assign(size_t(m_height) * size_t(m_rowStride), Cold);
    } catch (const std::bad_alloc&) {
        return false;
    }
    display.setColorTable(QList<QRgb>(m_palette.begin(), m_palette.end()));
    display.fill(Cold);
    m_display = std::move(display);
    return true;
}

bool TFireEngine::Burn()
{
    if (!HasBuffers())
        return false;
    CoolEdges();
    if (!Rise() || !Ignite() || !HeatFuel())
        return false;
    SmoothFuel();
    return true;
}

void TFireEngine::CoolEdges()
{
    const qint64 left = qint64(L0()) + Distribution;
    const qint64 right = qint64(R0()) - Distribution;
    for (int i = 0; i < m_width; ++i) {
        if (i < left || i >= right)
            m_fuel[size_t(i)] = Cold;
    }
    std::memcpy(m_heat.data(), m_fuel.data(), size_t(m_width));
}

bool TFireEngine::Rise()
{
    if (m_burnRows < 1)
        return true;
    const qint64 driftDivisor = qint64(Distribution) + 1;
    const qint64 coolDivisor = qint64(Decay) + 1;
    const TRemainder drift(driftDivisor == 0 ? 1 : driftDivisor);
    const TRemainder cool(coolDivisor == 0 ? 1 : coolDivisor);
    quint8* const heat = m_heat.data();
    const qint64 size = qint64(m_heat.size());
    // A local copy keeps the generator in a register: byte stores may alias members.
    quint32 seed = m_seed;
    for (int k = m_burnRows; k >= 1; --k) {
        const bool leftToRight = (Advance(seed) & 1) == 0;
        if (driftDivisor == 0 || coolDivisor == 0) {
            m_seed = seed;
            return false;
        }
        const qint64 source = qint64(k - 1) * m_rowStride;
        const qint64 row = qint64(k) * m_rowStride;
        // Every write into a row above the top is dropped; the draws still happen.
        const qint64 limit = k < m_height ? size : 0;
        const auto spread = [&](int j) {
            const quint32 first = seed * Multiplier + Increment;
            const quint32 second = seed * Multiplier2 + Increment2;
            seed = seed * Multiplier3 + Increment3;
            const qint64 a = drift(first >> 5);
            const int v = int(heat[source + j]) - int(cool(second >> 5));
            const qint64 target = row + j + (((seed >> 5) & 1) != 0 ? a : -a);
            if (target >= 0 && target < limit)
                heat[target] = quint8(v > Cold ? v : Cold);
        };
        if (leftToRight) {
            for (int j = 0; j < m_width; ++j)
                spread(j);
        } else {
            for (int j = m_width - 1; j >= 0; --j)
                spread(j);
        }
    }
    m_seed = seed;
    return true;
}

bool TFireEngine::Ignite()
{
    if (TRemainder(400 - m_flammability)(NextRandom()) != 0)
        return true;
    const qint64 spanDivisor = qint64(m_fireWidth) - 5;
    if (spanDivisor == 0)
        return false;
    const qint64 start = L0() + TRemainder(spanDivisor)(NextRandom());
    for (qint64 i = start; i < start + 5; ++i) {
        if (i >= 0 && i < m_width)
            m_fuel[size_t(i)] = SparkHeat;
    }
    ++m_ignitions;
    return true;
}

bool TFireEngine::HeatFuel()
{
    const qint64 top = qint64(MaxHeat) + 16;
    const TRemainder chaos(Chaos == 0 ? 1 : Chaos);
    const qint64 offset = 1 - Chaos / 2 + qint64(SpreadRate);
    const qint64 last = std::min<qint64>(qint64(L0()) + m_fireWidth, m_width - 1);
    // The fuel line may be narrower than the burning width when the width ratio was
    // set for a wider control than the last rebuild saw: stay inside it.
    for (qint64 i = std::max(L0(), 0); i <= last; ++i) {
        quint8& fuel = m_fuel[size_t(i)];
        if (fuel >= top) {
            fuel = ToByte(top);
            continue;
        }
        if (Chaos == 0)
            return false;
        const qint64 x = chaos(NextRandom()) + offset + fuel;
        fuel = ToByte(x > top ? top : (x < Cold ? Cold : x));
    }
    return true;
}

void TFireEngine::SmoothFuel()
{
    const qint64 s = Smoothness;
    if (s <= 0)
        return;
    // Windows that would reach past the fuel line are left out.
    const qint64 last = std::min<qint64>(qint64(L0()) + m_fireWidth - s, m_width - 1 - s);
    for (qint64 i = std::max<qint64>(L0(), 0) + s; i <= last; ++i) {
        qint64 sum = 0;
        for (qint64 n = i - s; n <= i + s; ++n)
            sum += m_fuel[size_t(n)];
        m_fuel[size_t(i)] = quint8(sum / (2 * s + 1));
    }
}

bool TFireEngine::Blit()
{
    if (!HasBuffers())
        return false;
    const int mw = m_maskBits.isNull() ? 0 : std::min(m_width, m_maskBits.width());
    const int mh = m_maskBits.isNull() ? 0 : std::min(m_height, m_maskBits.height());
    for (int i = 0; i < m_height; ++i) {
        const quint8* heat = m_heat.data() + qint64(i) * m_rowStride;
        uchar* display = m_display.scanLine(m_height - 1 - i);
        int j = 0;
        if (i < mh) {
            // The mask's bits expanded to 0x00 or 0xFF bytes, one per pixel.
            const quint8* keep = m_maskBytes.data() + qint64(mh - 1 - i) * m_maskBits.width();
            for (; j < mw; ++j)
                display[j] = heat[j] & keep[j];
        }
        std::memcpy(display + j, heat + j, size_t(m_width - j));
    }
    return true;
}

void TFireEngine::Render(QImage& frame) const
{
    if (!HasBuffers()) {
        frame = QImage();
        return;
    }
    if (frame.size() != m_display.size() || frame.format() != QImage::Format_RGB32)
        frame = QImage(m_display.size(), QImage::Format_RGB32);
    if (frame.isNull())
        return;
    for (int y = 0; y < m_height; ++y) {
        const uchar* index = m_display.constScanLine(y);
        auto* colour = reinterpret_cast<QRgb*>(frame.scanLine(y));
        for (int x = 0; x < m_width; ++x)
            colour[x] = m_palette[index[x]];
    }
}

void TFireEngine::UpdateMask(const QImage& mask, QRgb transparent)
{
    m_maskBytes.clear();
    if (mask.isNull()) {
        m_maskBits = QImage();
        return;
    }
    const QImage colours = mask.convertToFormat(QImage::Format_RGB32);
    QImage bits(colours.size(), QImage::Format_Mono);
    bits.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    bits.fill(0);
    const QRgb wanted = transparent & RGB_MASK;
    for (int y = 0; y < colours.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(colours.constScanLine(y));
        uchar* out = bits.scanLine(y);
        for (int x = 0; x < colours.width(); ++x) {
            if ((line[x] & RGB_MASK) == wanted)
                out[x >> 3] |= uchar(0x80 >> (x & 7));
        }
    }
    m_maskBits = std::move(bits);
    m_maskBytes.reserve(size_t(m_maskBits.width()) * size_t(m_maskBits.height()));
    for (int y = 0; y < m_maskBits.height(); ++y) {
        const uchar* line = m_maskBits.constScanLine(y);
        for (int x = 0; x < m_maskBits.width(); ++x)
            m_maskBytes.push_back((line[x >> 3] & (0x80 >> (x & 7))) != 0 ? 0xFF : 0x00);
    }
}
