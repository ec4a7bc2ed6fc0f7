#pragma once
// ModLib: plays tracker music modules (MOD, S3M, XM, IT and the other formats libopenmpt
// reads) in the background.
//
// Life cycle: ModStartup and ModInit bring the library up; ModStartBackgroundPlay starts
// the mixer, which from then on renders every playing module on a thread of its own into
// the wave device the environment selects (TRAVODEX_AUDIO, see audio::CreateWaveDevice),
// 16-bit stereo at 44,100 Hz. The device is opened when a module starts playing and closed
// when nothing plays any more. ModStopBackgroundPlay stops the mixer and closes the device
// before it returns; ModClose frees every module still loaded.
//
// Handles are small numbers, 0 meaning none; a handle that is unknown (never given out,
// or already freed) is refused with 0 and does no harm. Any order of the closing calls is
// accepted: ModFreeModule stops the module's playback first, ModStopBackgroundPlay with
// modules still playing silences them.
//
// Threads: call every entry from one thread. Loading a module reads and parses the whole
// file on the calling thread.

#include <cstdint>

extern "C" {

typedef std::uint32_t ModHandle;

// What ModGetModuleInfo reports about a module.
struct ModModuleInfo {
    char SongName[32];        // UTF-8, zero-padded; a name of 32 bytes has no zero byte
    char Type[16];            // format, as a lower-case extension ("mod", "s3m"); zero-ended
    std::int32_t Channels;    // pattern channels
    std::int32_t Orders;      // entries of the order list
    std::int32_t Patterns;    // patterns stored
    std::int32_t Samples;     // samples stored
    std::int32_t Instruments; // instruments stored (0 for sample-based formats)
    double LengthSeconds;     // playing time of one pass
};

// Prepares the library's state; 1.
int ModStartup(void);
// Sets the default mixing parameters; 1, or 0 before ModStartup.
int ModInit(void);
// Starts the mixer; `flags` is reserved (pass 0). 1, or 0 before ModStartup.
int ModStartBackgroundPlay(int flags);
// Loads a module from a file; a module handle, or 0 when the file cannot be read or holds
// no module the library knows.
ModHandle ModLoadModule(const char* fileName);
// Starts playing a loaded module from its beginning, through the running mixer (stopping
// a playback of the same module first). `repeats`: 0 plays the song once, n > 0 plays it
// n more times, -1 repeats it for ever. A playback handle, or 0 when the module is unknown,
// the mixer is not running or the device cannot be opened.
ModHandle ModPlayModule(ModHandle module, int repeats);
// Fills `info`; 1, or 0 (with `info` cleared) for an unknown module.
int ModGetModuleInfo(ModHandle module, ModModuleInfo* info);
// Stops a playback; 1, or 0 for an unknown playback.
int ModStopModule(ModHandle playback);
// Stops the module's playback, if any, and frees it; 1, or 0 for an unknown module.
int ModFreeModule(ModHandle module);
// Stops the mixer and closes the device; 1.
int ModStopBackgroundPlay(void);
// Stops everything and frees every module; 1.
int ModClose(void);

// Whether the playback is still producing sound (not stopped and not at its song's end).
int ModIsPlaying(ModHandle playback);
// Why the last ModPlayModule could not open or write the audio output; empty when it could
// (or failed for another reason). Valid until the next ModPlayModule.
const char* ModOutputError(void);
}
