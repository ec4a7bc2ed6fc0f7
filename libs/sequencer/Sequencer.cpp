#include "sequencer/Sequencer.h"

#include "modlib/RenderOutput.h"
#include "sequencer/MidiCheck.h"
#include "sequencer/PeakLimiter.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{

constexpr int kRate = 44100;
constexpr long long kLargestFile = 64LL << 20;
constexpr int kLongestTail = 3 * kRate; // frames rendered after the end for notes to fade
// The synthesizer's gain: General MIDI files of ordinary density peak a few dB below full
// scale with it, as sound files do; denser passages are held below clipping by the
// limiter.
constexpr double kSynthGain = 3.0;

const char* const kSoundFonts[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/soundfonts/default.sf2",
};

// One open sequence. `Lock` guards the synthesizer and the player against the render
// thread of `Output`.
struct TSequence {
    fluid_settings_t* Settings = nullptr;
    fluid_synth_t* Synth = nullptr;
    fluid_player_t* Player = nullptr;
    std::mutex Lock;
    int TailFrames = 0;
    bool Finished = false;
    std::unique_ptr<TRenderOutput> Output;
    TPeakLimiter Limiter{kRate};
    std::vector<float> Mix; // one rendering's floating-point frames

    ~TSequence()
    {
        Output.reset(); // the render thread ends before what it renders from goes
        if (Player)
            delete_fluid_player(Player);
        if (Synth)
            delete_fluid_synth(Synth);
        if (Settings)
            delete_fluid_settings(Settings);
    }
    int Render(std::int16_t* out, int frames);
};

int TSequence::Render(std::int16_t* out, int frames)
{
    std::lock_guard guard(Lock);
    if (Finished)
        return 0;
    Mix.resize(size_t(frames) * 2);
    fluid_synth_write_float(Synth, frames, Mix.data(), 0, 2, Mix.data(), 1, 2);
    Limiter.Apply(Mix.data(), frames, out);
    // The player itself waits two seconds after the last event before it calls the
    // sequence done; the end comes sooner here, once the last notes have faded.
    const int total = fluid_player_get_total_ticks(Player);
    const bool over = fluid_player_get_status(Player) == FLUID_PLAYER_DONE ||
                      (total > 0 && fluid_player_get_current_tick(Player) >= total);
    if (over) {
        TailFrames += frames;
        if (fluid_synth_get_active_voice_count(Synth) == 0 || TailFrames >= kLongestTail)
            Finished = true;
    }
    return frames;
}

struct TState {
    std::map<SeqDevice, std::unique_ptr<TSequence>> Devices;
    std::string OutputError; // of the last SeqPlay that could not start the output
    SeqDevice Next = 1;
};

TState& State()
{
    static TState state;
    return state;
}

void SilenceFluidLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level)
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

bool IsReadableFile(const std::string& path)
{
    struct stat st {
    };
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), R_OK) == 0;
}

std::string FindSoundFont()
{
    if (const char* chosen = std::getenv("TRAVODEX_SOUNDFONT"); chosen && *chosen)
        return IsReadableFile(chosen) ? chosen : std::string();
    for (const char* path : kSoundFonts)
        if (IsReadableFile(path))
            return path;
    return {};
}

// Reads the whole file; a SeqError.
int ReadFile(const char* fileName, std::vector<std::uint8_t>& data)
{
    struct stat st {
    };
    if (::stat(fileName, &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? SeqErrFileNotFound : SeqErrCannotRead;
    if (!S_ISREG(st.st_mode))
        return SeqErrCannotRead;
    if (st.st_size > kLargestFile)
        return SeqErrNotMidi;
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        return SeqErrCannotRead;
    data.resize(size_t(st.st_size));
    if (!in.read(reinterpret_cast<char*>(data.data()), st.st_size))
        return SeqErrCannotRead;
    return SeqOk;
}

// Builds the synthesizer and its player on `midi`; a SeqError.
int SetUp(TSequence& seq, const std::string& soundFont, const std::vector<std::uint8_t>& midi)
{
    seq.Settings = new_fluid_settings();
    if (!seq.Settings)
        return SeqErrSynth;
    fluid_settings_setnum(seq.Settings, "synth.sample-rate", kRate);
    fluid_settings_setnum(seq.Settings, "synth.gain", kSynthGain);
    fluid_settings_setint(seq.Settings, "synth.lock-memory", 0);
    fluid_settings_setstr(seq.Settings, "player.timing-source", "sample");
    seq.Synth = new_fluid_synth(seq.Settings);
    if (!seq.Synth)
        return SeqErrSynth;
    if (fluid_synth_sfload(seq.Synth, soundFont.c_str(), 1) == FLUID_FAILED)
        return SeqErrBadSoundFont;
    seq.Player = new_fluid_player(seq.Synth);
    if (!seq.Player || fluid_player_add_mem(seq.Player, midi.data(), midi.size()) != FLUID_OK)
        return SeqErrSynth;
    return SeqOk;
}

TSequence* Find(SeqDevice device)
{
    auto& devices = State().Devices;
    const auto it = devices.find(device);
    return it == devices.end() ? nullptr : it->second.get();
}

const char* ErrorText(int error)
{
    switch (error) {
    case SeqOk:
        return "The command completed successfully.";
    case SeqErrFileNotFound:
        return "The file cannot be found. Check that the path and the file name are correct.";
    case SeqErrCannotRead:
        return "The file cannot be read. It may be a folder, or you may not have permission "
               "to read it.";
    case SeqErrNotMidi:
        return "The file is not a MIDI sequence, or it is damaged.";
    case SeqErrNoSoundFont:
        return "No General MIDI SoundFont was found. Install the package timgm6mb-soundfont "
               "(it provides /usr/share/sounds/sf2/TimGM6mb.sf2), or name a SoundFont file "
               "in the environment variable TRAVODEX_SOUNDFONT.";
    case SeqErrBadSoundFont:
        return "The General MIDI SoundFont cannot be loaded: the file is damaged or is not a "
               "SoundFont.";
    case SeqErrSynth:
        return "The MIDI synthesizer cannot be started.";
    case SeqErrOutput:
        return "The audio output device cannot be opened for the MIDI sequence.";
    case SeqErrBadDevice:
        return "The sequencer device is not open.";
    }
    return nullptr;
}

void CopyText(const char* text, char* buffer, int size)
{
    if (buffer == nullptr || size <= 0)
        return;
    const size_t n = std::min(std::strlen(text), size_t(size) - 1);
    std::memcpy(buffer, text, n);
    buffer[n] = '\0';
}

} // namespace

extern "C" {

int SeqOpen(const char* fileName, SeqDevice* device)
{
    if (fileName == nullptr || device == nullptr)
        return SeqErrFileNotFound;
    *device = 0;
    std::vector<std::uint8_t> data;
    if (const int e = ReadFile(fileName, data); e != SeqOk)
        return e;
    const std::vector<std::uint8_t> midi = sequencer::ExtractMidi(data.data(), data.size());
    if (midi.empty())
        return SeqErrNotMidi;
    const std::string soundFont = FindSoundFont();
    if (soundFont.empty())
        return SeqErrNoSoundFont;
    SilenceFluidLog();
    auto seq = std::make_unique<TSequence>();
    if (const int e = SetUp(*seq, soundFont, midi); e != SeqOk)
        return e;
    TSequence* raw = seq.get();
    seq->Output = std::make_unique<TRenderOutput>(
        kRate, [raw](std::int16_t* out, int frames) { return raw->Render(out, frames); });
    TState& s = State();
    *device = s.Next++;
    if (s.Next == 0)
        s.Next = 1;
    s.Devices.emplace(*device, std::move(seq));
    return SeqOk;
}

int SeqPlay(SeqDevice device)
{
    TSequence* seq = Find(device);
    if (!seq)
        return SeqErrBadDevice;
    {
        std::lock_guard guard(seq->Lock);
        // Only a sequence not started yet plays: a running or finished one is left as it is.
        if (seq->Finished || fluid_player_get_status(seq->Player) != FLUID_PLAYER_READY)
            return SeqOk;
        if (fluid_player_play(seq->Player) != FLUID_OK)
            return SeqErrSynth;
    }
    QString why;
    if (!seq->Output->Start(&why)) {
        State().OutputError = why.toStdString();
        std::lock_guard guard(seq->Lock);
        fluid_player_stop(seq->Player);
        return SeqErrOutput;
    }
    return SeqOk;
}

const char* SeqOutputError(void)
{
    return State().OutputError.c_str();
}

int SeqClose(SeqDevice device)
{
    auto& devices = State().Devices;
    const auto it = devices.find(device);
    if (it == devices.end())
        return SeqErrBadDevice;
    devices.erase(it); // stops the output first, then frees the synthesizer
    return SeqOk;
}

int SeqIsPlaying(SeqDevice device)
{
    TSequence* seq = Find(device);
    return seq && seq->Output->Running() ? 1 : 0;
}

int SeqGetErrorText(int error, char* buffer, int size)
{
    const char* text = ErrorText(error);
    if (text) {
        CopyText(text, buffer, size);
        return 1;
    }
    const std::string general = "Unknown sequencer error " + std::to_string(error) + ".";
    CopyText(general.c_str(), buffer, size);
    return 0;
}

int SeqFindSoundFont(char* buffer, int size)
{
    const std::string path = FindSoundFont();
    CopyText(path.c_str(), buffer, size);
    return path.empty() ? 0 : 1;
}

} // extern "C"
