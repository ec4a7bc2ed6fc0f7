#include "sequencer/PeakLimiter.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr double kCeiling = 32767.0 / 32768.0; // the largest 16-bit sample
constexpr double kReleaseSeconds = 0.3;

std::int16_t Sample(double v)
{
    return std::int16_t(std::clamp(std::lrint(v * 32768.0), -32768L, 32767L));
}

} // namespace

TPeakLimiter::TPeakLimiter(int rate)
    : m_release(1.0 - std::exp(-1.0 / (kReleaseSeconds * std::max(rate, 1)))),
      m_delay(2 * LookAhead, 0.0f), m_needed(LookAhead, 1.0)
{
}

void TPeakLimiter::Apply(const float* in, int frames, std::int16_t* out)
{
    for (int i = 0; i < frames; ++i) {
        const double peak = std::max(std::fabs(in[2 * i]), std::fabs(in[2 * i + 1]));
        const double newNeed = peak > kCeiling ? kCeiling / peak : 1.0;
        // Low enough for the frame that comes out now and for every one behind it.
        const double needed =
            std::min(newNeed, *std::min_element(m_needed.cbegin(), m_needed.cend()));
        m_gain = std::min(m_gain + (1.0 - m_gain) * m_release, needed);
        // The oldest frame leaves the ring; the new one takes its place.
        out[2 * i] = Sample(m_delay[2 * m_next] * m_gain);
        out[2 * i + 1] = Sample(m_delay[2 * m_next + 1] * m_gain);
        m_delay[2 * m_next] = in[2 * i];
        m_delay[2 * m_next + 1] = in[2 * i + 1];
        m_needed[m_next] = newNeed;
        m_next = (m_next + 1) % LookAhead;
    }
}
