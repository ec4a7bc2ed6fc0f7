#pragma once
// A deliberately plain model of the fire written from its rules, used to check the
// engine's exact heat image. Numbers are kept as int64 and remainders use the
// language's own % (truncating toward zero), so nothing is shared with the engine.

#include <cmath>
#include <cstdint>
#include <ostream>
#include <vector>

struct TFireRules {
    int W = 0, H = 0;
    int Decay = 5, Flammability = 385, MaxHeat = 223, SpreadRate = 20;
    int Smoothness = 1, Distribution = 1, Chaos = 50, MaxBurn = 75;
    float EdgeRatio = 0.5f;
};

class TReferenceFire
{
public:
    explicit TReferenceFire(const TFireRules& rules) : r(rules)
    {
        stride = (8 * int64_t(r.W) + 31) / 32 * 4;
        fireWidth = RoundHalfEven(double(r.W) * double(r.EdgeRatio));
        burnRows = int64_t(double(r.H) * (r.MaxBurn * 0.01));
        l0 = (r.W - fireWidth) / 2;
        r0 = l0 + fireWidth + 1;
        fuel.assign(size_t(r.W), 16);
        heat.assign(size_t(r.H * stride), 16);
    }

    int64_t HeatAt(int row, int column) const { return heat[size_t(row * stride + column)]; }

    void Step()
    {
        for (int64_t i = 0; i < r.W; ++i) {
            if (i < l0 + r.Distribution || i >= r0 - r.Distribution)
                fuel[size_t(i)] = 16;
            heat[size_t(i)] = fuel[size_t(i)];
        }
        for (int64_t k = burnRows; k >= 1; --k) {
            const bool even = Draw() % 2 == 0;
            for (int64_t n = 0; n < r.W; ++n)
                Spread(k, even ? n : r.W - 1 - n);
        }
        if (Draw() % (400 - r.Flammability) == 0) {
            const int64_t s = l0 + Draw() % (fireWidth - 5);
            for (int64_t i = s; i <= s + 4; ++i)
                if (i < r.W)
                    fuel[size_t(i)] = 239;
        }
        const int64_t top = r.MaxHeat + 16;
        for (int64_t i = l0; i <= l0 + fireWidth && i < r.W; ++i) {
            int64_t& f = fuel[size_t(i)];
            if (f >= top) {
                f = top;
            } else {
                const int64_t x = Draw() % r.Chaos + 1 - r.Chaos / 2 + r.SpreadRate + f;
                f = x > top ? top : (x < 16 ? 16 : x);
            }
        }
        const int64_t S = r.Smoothness;
        for (int64_t i = l0 + S; S > 0 && i <= l0 + fireWidth - S && i + S < r.W; ++i) {
            int64_t sum = 0;
            for (int64_t m = -S; m <= S; ++m)
                sum += fuel[size_t(i + m)];
            fuel[size_t(i)] = sum / (2 * S + 1);
        }
    }

    TFireRules r;
    int64_t stride = 0, fireWidth = 0, burnRows = 0, l0 = 0, r0 = 0;
    uint32_t seed = 0x38549391u;
    std::vector<int64_t> fuel;
    std::vector<int64_t> heat; // H rows of `stride` values, bottom row first

private:
    static int64_t RoundHalfEven(double x)
    {
        const double low = std::floor(x);
        const double fraction = x - low;
        if (fraction > 0.5 || (fraction == 0.5 && std::fmod(low, 2.0) != 0.0))
            return int64_t(low) + 1;
        return int64_t(low);
    }

    int64_t Draw()
    {
        seed = seed * 1664525u + 1013904223u;
        return int64_t(seed >> 5);
    }

    void Spread(int64_t k, int64_t j)
    {
        const int64_t a = Draw() % (r.Distribution + 1);
        const int64_t c = Draw() % (r.Decay + 1);
        const int64_t v = heat[size_t((k - 1) * stride + j)] - c;
        const int64_t target = k * stride + j + (Draw() % 2 == 1 ? a : -a);
        // Rows above the top and bytes outside the image are never written.
        if (k < r.H && target >= 0 && target < int64_t(heat.size()))
            heat[size_t(target)] = v > 16 ? v : 16;
    }
};
