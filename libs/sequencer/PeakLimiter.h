#pragma once
// TPeakLimiter: turns the synthesizer's floating-point stereo into 16-bit samples without
// clipping. It looks a little ahead (LookAhead frames, about 1.5 ms at 44.1 kHz): the gain
// is already low enough when a frame that would pass the ceiling comes out, so a peak keeps
// its shape instead of being cut flat; afterwards the gain returns to 1 over about a third
// of a second. Ordinary passages pass unchanged, only delayed by LookAhead frames.
// One per rendering stream; not thread-safe.

#include <cstdint>
#include <vector>

class TPeakLimiter final
{
public:
    static constexpr int LookAhead = 64;

    // `rate`: frames per second, for the release time.
    explicit TPeakLimiter(int rate);

    // Takes `frames` interleaved stereo frames of `in` (full scale at 1.0) and writes as
    // many to `out`: the frames taken LookAhead frames earlier (silence at first).
    void Apply(const float* in, int frames, std::int16_t* out);

    // The gain last applied (1 when nothing was limited lately).
    double Gain() const { return m_gain; }

private:
    double m_gain = 1.0;
    double m_release = 0.0;       // the share of the way back to 1 the gain goes per frame
    std::vector<float> m_delay;   // the last LookAhead frames taken, a ring
    std::vector<double> m_needed; // the gain each of them needs to stay below the ceiling
    int m_next = 0;               // the ring's oldest frame
};
