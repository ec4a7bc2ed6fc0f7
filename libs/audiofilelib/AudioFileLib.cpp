#include "audiofilelib/AudioFileLib.h"

#include <climits>
#include <cstddef>
#include <cstring>
#include <sndfile.h>
#include <string>

static_assert(sizeof(FileInfo) == 36, "FileInfo is 36 bytes");
static_assert(offsetof(FileInfo, Channels) == 8 && offsetof(FileInfo, BitsPerSample) == 10 &&
                  offsetof(FileInfo, FrameCount) == 12 && offsetof(FileInfo, BytesPerFrame) == 16 &&
                  offsetof(FileInfo, Private) == 18,
              "FileInfo layout");

namespace
{

thread_local std::string lastError;

// Private holds the handle (bytes 0-7) and the frame the file is positioned at (8-15).
struct TState {
    SNDFILE* Handle = nullptr;
    int64_t Position = 0;
};

TState Load(const FileInfo* info)
{
    TState s;
    std::memcpy(&s.Handle, info->Private, sizeof s.Handle);
    std::memcpy(&s.Position, info->Private + 8, sizeof s.Position);
    return s;
}

void Store(FileInfo* info, const TState& s)
{
    std::memcpy(info->Private, &s.Handle, sizeof s.Handle);
    std::memcpy(info->Private + 8, &s.Position, sizeof s.Position);
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
    info->BytesPerFrame = uint16_t(2 * sf.channels);
    Store(info, TState{handle, 0});
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
    const sf_count_t got = sf_readf_short(s.Handle, static_cast<short*>(buffer), frames);
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
