#include "modlib/ModLib.h"

#include "modlib/RenderOutput.h"

#include <QByteArray>

#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace
{

constexpr int kRate = 44100;
constexpr std::streamoff kLargestFile = 512LL << 20; // no module comes near this

struct TModule {
    std::unique_ptr<openmpt::module> Mod;
    ModModuleInfo Info{};
    ModHandle Playback = 0;
};

struct TPlayback {
    ModHandle Module = 0;
    bool Ended = false;
};

// The library's state. `Lock` guards the modules and playbacks against the mixer thread,
// which reads from the modules while it renders; the output itself is only touched by the
// calling thread, never while `Lock` is held (stopping it waits for the mixer thread).
struct TState {
    std::mutex Lock;
    bool Started = false;
    std::map<ModHandle, TModule> Modules;
    std::map<ModHandle, TPlayback> Playbacks;
    ModHandle Next = 1;
    std::unique_ptr<TRenderOutput> Output;
    std::vector<std::int16_t> Scratch;
    std::vector<std::int32_t> Mix;
    QByteArray OutputError; // of the last ModPlayModule
};

// Never destroyed: a mixer still running at exit must not be joined from static teardown.
TState& State()
{
    static auto* state = new TState;
    return *state;
}

ModHandle NewHandle(TState& s)
{
    ModHandle h = s.Next++;
    if (s.Next == 0)
        s.Next = 1;
    return h;
}

// Copies `text` into `field` (zero-padded), cut at a character boundary of UTF-8.
void CopyName(char* field, size_t size, const std::string& text, bool keepZero)
{
    std::memset(field, 0, size);
    size_t n = std::min(text.size(), keepZero ? size - 1 : size);
    if (n < text.size())
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            --n; // text[n] continues a character: cut before that character
    std::memcpy(field, text.data(), n);
}

ModModuleInfo Describe(const openmpt::module& m)
{
    ModModuleInfo info{};
    CopyName(info.SongName, sizeof info.SongName, m.get_metadata("title"), false);
    CopyName(info.Type, sizeof info.Type, m.get_metadata("type"), true);
    info.Channels = m.get_num_channels();
    info.Orders = m.get_num_orders();
    info.Patterns = m.get_num_patterns();
    info.Samples = m.get_num_samples();
    info.Instruments = m.get_num_instruments();
    info.LengthSeconds = m.get_duration_seconds();
    return info;
}

bool ReadFile(const char* fileName, std::vector<char>& data)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        return false;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size <= 0 || size > kLargestFile)
        return false;
    in.seekg(0);
    data.resize(size_t(size));
    return bool(in.read(data.data(), size));
}

// Renders one pass of one playback into `out`; answers the frames it gave.
int RenderOne(TModule& m, TPlayback& p, std::int16_t* out, int frames)
{
    size_t n = 0;
    try {
        n = m.Mod->read_interleaved_stereo(kRate, size_t(frames), out);
    } catch (...) {
        n = 0; // a module that fails to render ends here
    }
    if (n < size_t(frames))
        p.Ended = true; // libopenmpt answers short only at the song's end
    return int(n);
}

// The mixer: the sum of every playing module, on the output thread.
int Render(std::int16_t* out, int frames)
{
    TState& s = State();
    std::lock_guard guard(s.Lock);
    std::fill(out, out + 2 * frames, std::int16_t(0));
    int produced = 0, voices = 0;
    for (auto& [handle, p] : s.Playbacks) {
        const auto m = s.Modules.find(p.Module);
        if (p.Ended || m == s.Modules.end())
            continue;
        if (voices++ == 0) { // the common case: one module, rendered in place
            produced = RenderOne(m->second, p, out, frames);
            continue;
        }
        if (voices == 2)
            s.Mix.assign(out, out + 2 * frames);
        s.Scratch.assign(size_t(2 * frames), 0);
        const int n = RenderOne(m->second, p, s.Scratch.data(), frames);
        for (int i = 0; i < 2 * n; ++i)
            s.Mix[size_t(i)] += s.Scratch[size_t(i)];
        produced = std::max(produced, n);
    }
    if (voices >= 2)
        for (int i = 0; i < 2 * frames; ++i)
            out[i] = std::int16_t(std::clamp(s.Mix[size_t(i)], -32768, 32767));
    return produced > 0 ? frames : 0;
}

// Stops the output when no playback is left, so that stopping silences at once.
void StopOutputIfIdle(TState& s)
{
    bool idle = false;
    {
        std::lock_guard guard(s.Lock);
        idle = s.Playbacks.empty();
    }
    if (idle && s.Output)
        s.Output->Stop();
}

} // namespace

extern "C" {

int ModStartup(void)
{
    TState& s = State();
    s.Started = true;
    s.Scratch.reserve(size_t(2 * TRenderOutput::BufferFrames));
    s.Mix.reserve(size_t(2 * TRenderOutput::BufferFrames));
    return 1;
}

int ModInit(void)
{
    return State().Started ? 1 : 0;
}

int ModStartBackgroundPlay(int)
{
    TState& s = State();
    if (!s.Started)
        return 0;
    if (!s.Output)
        s.Output = std::make_unique<TRenderOutput>(kRate, Render);
    return 1;
}

ModHandle ModLoadModule(const char* fileName)
{
    std::vector<char> data;
    if (fileName == nullptr || !ReadFile(fileName, data))
        return 0;
    TModule m;
    try {
        std::ostream quiet(nullptr); // libopenmpt's load messages go nowhere
        m.Mod = std::make_unique<openmpt::module>(data, quiet);
        m.Info = Describe(*m.Mod);
    } catch (...) {
        return 0; // not a module libopenmpt knows, or a damaged one
    }
    TState& s = State();
    std::lock_guard guard(s.Lock);
    const ModHandle h = NewHandle(s);
    s.Modules.emplace(h, std::move(m));
    return h;
}

ModHandle ModPlayModule(ModHandle module, int repeats)
{
    TState& s = State();
    s.OutputError.clear();
    if (!s.Output)
        return 0;
    ModHandle h = 0;
    {
        std::lock_guard guard(s.Lock);
        const auto m = s.Modules.find(module);
        if (m == s.Modules.end())
            return 0;
        s.Playbacks.erase(m->second.Playback);
        m->second.Mod->set_repeat_count(std::max(repeats, -1));
        m->second.Mod->set_position_seconds(0);
        h = NewHandle(s);
        s.Playbacks[h] = TPlayback{module, false};
        m->second.Playback = h;
    }
    QString why;
    if (s.Output->Start(&why))
        return h;
    s.OutputError = why.toUtf8();
    ModStopModule(h);
    return 0;
}

const char* ModOutputError(void)
{
    return State().OutputError.constData();
}

int ModGetModuleInfo(ModHandle module, ModModuleInfo* info)
{
    if (info == nullptr)
        return 0;
    TState& s = State();
    std::lock_guard guard(s.Lock);
    const auto m = s.Modules.find(module);
    *info = m == s.Modules.end() ? ModModuleInfo{} : m->second.Info;
    return m == s.Modules.end() ? 0 : 1;
}

int ModStopModule(ModHandle playback)
{
    TState& s = State();
    {
        std::lock_guard guard(s.Lock);
        const auto p = s.Playbacks.find(playback);
        if (p == s.Playbacks.end())
            return 0;
        const auto m = s.Modules.find(p->second.Module);
        if (m != s.Modules.end())
            m->second.Playback = 0;
        s.Playbacks.erase(p);
    }
    StopOutputIfIdle(s);
    return 1;
}

int ModFreeModule(ModHandle module)
{
    TState& s = State();
    {
        std::lock_guard guard(s.Lock);
        const auto m = s.Modules.find(module);
        if (m == s.Modules.end())
            return 0;
        s.Playbacks.erase(m->second.Playback);
        s.Modules.erase(m); // the mixer cannot be inside it: it renders under the lock
    }
    StopOutputIfIdle(s);
    return 1;
}

int ModStopBackgroundPlay(void)
{
    TState& s = State();
    s.Output.reset(); // closes the device and ends the mixer thread
    std::lock_guard guard(s.Lock);
    for (auto& [handle, m] : s.Modules)
        m.Playback = 0;
    s.Playbacks.clear();
    return 1;
}

int ModClose(void)
{
    ModStopBackgroundPlay();
    TState& s = State();
    std::lock_guard guard(s.Lock);
    s.Modules.clear();
    s.Started = false;
    return 1;
}

int ModIsPlaying(ModHandle playback)
{
    TState& s = State();
    std::lock_guard guard(s.Lock);
    const auto p = s.Playbacks.find(playback);
    return p != s.Playbacks.end() && !p->second.Ended ? 1 : 0;
}

} // extern "C"
