#include "audiofilelib/AudioFileLib.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <sndfile.h>
#include <string>
#include <vector>

static_assert(sizeof(FileInfo) == 36, "FileInfo is 36 bytes");
static_assert(offsetof(FileInfo, Channels) == 8 && offsetof(FileInfo, BitsPerSample) == 10 &&
                  offsetof(FileInfo, FrameCount) == 12 && offsetof(FileInfo, BytesPerFrame) == 16 &&
                  offsetof(FileInfo, Private) == 18,
              "FileInfo layout");

namespace
{

thread_local std::string lastError;

// Private holds the handle (bytes 0-7), the frame the file is positioned at (8-15) and
// whether frames go through floating point (16).
struct TState {
    SNDFILE* Handle = nullptr;
    int64_t Position = 0;
    uint8_t ThroughFloat = 0;
};

TState Load(const FileInfo* info)
{
    TState s;
    std::memcpy(&s.Handle, info->Private, sizeof s.Handle);
    std::memcpy(&s.Position, info->Private + 8, sizeof s.Position);
    s.ThroughFloat = info->Private[16];
    return s;
}

void Store(FileInfo* info, const TState& s)
{
    std::memcpy(info->Private, &s.Handle, sizeof s.Handle);
    std::memcpy(info->Private + 8, &s.Position, sizeof s.Position);
    info->Private[16] = s.ThroughFloat;
}

uint16_t BitsOf(int format)
{
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
    case SF_FORMAT_DPCM_8:
        return 8;
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_DWVW_24:
        return 24;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
        return 32;
    case SF_FORMAT_DOUBLE:
        return 64;
    case SF_FORMAT_IMA_ADPCM:
    case SF_FORMAT_MS_ADPCM:
    case SF_FORMAT_VOX_ADPCM:
        return 4;
    default:
        return 16;
    }
}

// Where a channel goes in a stereo mix: gains for left and right.
struct TGains {
    float Left = 0;
    float Right = 0;
};

constexpr float kMinus3dB = 0.70710678f;

TGains GainsOf(int position)
{
    switch (position) {
    case SF_CHANNEL_MAP_LEFT:
    case SF_CHANNEL_MAP_FRONT_LEFT:
        return {1, 0};
    case SF_CHANNEL_MAP_RIGHT:
    case SF_CHANNEL_MAP_FRONT_RIGHT:
        return {0, 1};
    case SF_CHANNEL_MAP_LFE:
        return {0, 0};
    case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER:
    case SF_CHANNEL_MAP_REAR_LEFT:
    case SF_CHANNEL_MAP_SIDE_LEFT:
    case SF_CHANNEL_MAP_TOP_FRONT_LEFT:
    case SF_CHANNEL_MAP_TOP_REAR_LEFT:
        return {kMinus3dB, 0};
    case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER:
    case SF_CHANNEL_MAP_REAR_RIGHT:
    case SF_CHANNEL_MAP_SIDE_RIGHT:
    case SF_CHANNEL_MAP_TOP_FRONT_RIGHT:
    case SF_CHANNEL_MAP_TOP_REAR_RIGHT:
        return {0, kMinus3dB};
    default: // centres and channels of no known place go to both sides
        return {kMinus3dB, kMinus3dB};
    }
}

// The places of a file's channels: its own map, or the usual WAV order.
std::vector<int> ChannelMap(SNDFILE* handle, int channels)
{
    std::vector<int> map(size_t(channels), SF_CHANNEL_MAP_INVALID);
    if (sf_command(handle, SFC_GET_CHANNEL_MAP_INFO, map.data(), int(sizeof(int)) * channels) ==
        SF_TRUE)
        return map;
    static const int usual[] = {SF_CHANNEL_MAP_FRONT_LEFT,
                                SF_CHANNEL_MAP_FRONT_RIGHT,
                                SF_CHANNEL_MAP_FRONT_CENTER,
                                SF_CHANNEL_MAP_LFE,
                                SF_CHANNEL_MAP_REAR_LEFT,
                                SF_CHANNEL_MAP_REAR_RIGHT,
                                SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER,
                                SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER,
                                SF_CHANNEL_MAP_REAR_CENTER,
                                SF_CHANNEL_MAP_SIDE_LEFT,
                                SF_CHANNEL_MAP_SIDE_RIGHT};
    for (size_t i = 0; i < map.size() && i < std::size(usual); ++i)
        map[i] = usual[i];
    return map;
}

short ToShort(float v)
{
    return short(std::clamp(std::lrint(v * 32768.0f), -32768L, 32767L));
}

// Reads `frames` frames through floating point (full scale 1.0) into 16-bit frames at `out`.
// More than two channels are mixed down to stereo: front left and right as they are,
// centre and surrounds at -3 dB, the low-frequency channel left out.
sf_count_t ReadThroughFloat(SNDFILE* handle, int channels, short* out, sf_count_t frames)
{
    std::vector<float> in(size_t(frames) * size_t(channels));
    const sf_count_t got = sf_readf_float(handle, in.data(), frames);
    if (channels <= 2) {
        std::transform(in.begin(), in.begin() + got * channels, out, ToShort);
        return got;
    }
    const std::vector<int> map = ChannelMap(handle, channels);
    for (sf_count_t f = 0; f < got; ++f) {
        float left = 0, right = 0;
        for (int c = 0; c < channels; ++c) {
            const TGains g = GainsOf(map[size_t(c)]);
            const float v = in[size_t(f) * size_t(channels) + size_t(c)];
            left += g.Left * v;
            right += g.Right * v;
        }
        out[2 * f] = ToShort(left);
        out[2 * f + 1] = ToShort(right);
    }
    return got;
}

} // namespace

extern "C" int AFL_open(FileInfo* info, const char* fileName, char mode, int flags)
{
    if (info == nullptr || fileName == nullptr) {
        lastError = "No file information record or file name";
        return 0;
    }
    std::memset(info, 0, sizeof *info);
    if (mode != 'r' || flags != 0) {
        lastError = "Audio files can only be opened for reading";
        return 0;
    }
    SF_INFO sf{};
    SNDFILE* handle = sf_open(fileName, SFM_READ, &sf);
    if (handle == nullptr) {
        lastError = sf_strerror(nullptr);
        return 0;
    }
    if (sf.channels < 1 || sf.channels > 64 || sf.samplerate <= 0) {
        sf_close(handle);
        lastError = "Unsupported channel count or sample rate";
        return 0;
    }
    info->SampleRate = sf.samplerate;
    info->Channels = int16_t(sf.channels);
    info->BitsPerSample = BitsOf(sf.format);
    info->FrameCount = sf.frames > INT32_MAX ? INT32_MAX : int32_t(sf.frames < 0 ? 0 : sf.frames);
    // Files of more than two channels are delivered mixed down to stereo.
    info->BytesPerFrame = uint16_t(2 * std::min(sf.channels, 2));
    // Floating-point samples are full scale at 1.0: read as 16-bit integers directly they
    // would all round to about zero (and libsndfile's own scaling goes to the file's peak).
    const int subformat = sf.format & SF_FORMAT_SUBMASK;
    const bool throughFloat =
        sf.channels > 2 || subformat == SF_FORMAT_FLOAT || subformat == SF_FORMAT_DOUBLE;
    Store(info, TState{handle, 0, uint8_t(throughFloat)});
    return 1;
}

extern "C" int32_t AFL_read(FileInfo* info, void* buffer, int32_t frames, int32_t position)
{
    if (info == nullptr || buffer == nullptr || frames <= 0 || position < 0)
        return 0;
    TState s = Load(info);
    if (s.Handle == nullptr)
        return 0;
    if (s.Position != position) {
        if (position >= info->FrameCount || sf_seek(s.Handle, position, SEEK_SET) < 0) {
            lastError = "Cannot seek in the audio file";
            return 0;
        }
        s.Position = position;
    }
    short* out = static_cast<short*>(buffer);
    const sf_count_t got = s.ThroughFloat ? ReadThroughFloat(s.Handle, info->Channels, out, frames)
                                          : sf_readf_short(s.Handle, out, frames);
    if (got < 0) {
        lastError = sf_strerror(s.Handle);
        return 0;
    }
    s.Position += got;
    Store(info, s);
    return int32_t(got);
}

extern "C" void AFL_close(FileInfo* info)
{
    if (info == nullptr)
        return;
    TState s = Load(info);
    if (s.Handle != nullptr)
        sf_close(s.Handle);
    Store(info, TState{});
}

extern "C" const char* AFL_ErrorMessage(void)
{
    return lastError.c_str();
}
