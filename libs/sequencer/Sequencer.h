#pragma once
// The sequencer: plays a MIDI sequence (a Standard MIDI File, or one wrapped in a RIFF
// "RMID" file) in the background with FluidSynth and a General MIDI SoundFont, rendering
// 16-bit stereo at 44,100 Hz on a thread of its own into the wave device the environment
// selects (TRAVODEX_AUDIO, see audio::CreateWaveDevice). FluidSynth's player follows
// the samples rendered (player.timing-source=sample), not the wall clock.
//
// SoundFont: TRAVODEX_SOUNDFONT names the file when it is set; otherwise the first of
// /usr/share/sounds/sf2/TimGM6mb.sf2 (Debian's timgm6mb-soundfont), default-GM.sf2 and
// FluidR3_GM.sf2 there, and /usr/share/soundfonts/default.sf2 that exists. Looked up at
// every open.
//
// Entries answer 0 (SeqOk) or an error code whose text SeqGetErrorText gives. Opening reads
// and checks the whole file and loads the SoundFont on the calling thread (tens of
// milliseconds); closing stops the sound at once and returns when the device is closed.
// Call every entry from one thread.

#include <cstdint>

extern "C" {

typedef std::uint32_t SeqDevice;

enum SeqError {
    SeqOk = 0,
    SeqErrFileNotFound = 1, // no such file
    SeqErrCannotRead = 2,   // no permission, a folder, a read error
    SeqErrNotMidi = 3,      // not a MIDI sequence, or a damaged one
    SeqErrNoSoundFont = 4,  // no SoundFont file found
    SeqErrBadSoundFont = 5, // the SoundFont file cannot be loaded
    SeqErrSynth = 6,        // the synthesizer cannot be set up
    SeqErrOutput = 7,       // the audio output cannot be opened
    SeqErrBadDevice = 8,    // an unknown device handle
};

// Opens the sequencer on `fileName`; on success `*device` is the new device's handle.
int SeqOpen(const char* fileName, SeqDevice* device);
// Plays from the current position (the start, after opening) to the end, in the
// background; nothing when it is playing already.
int SeqPlay(SeqDevice device);
// Stops the sound and frees the device.
int SeqClose(SeqDevice device);
// 1 while the device still plays (until the sequence and its last notes have ended).
int SeqIsPlaying(SeqDevice device);
// Copies the text of `error` into `buffer` (zero-ended, cut to `size`); 1 for a known
// code, 0 (and a general text) for an unknown one.
int SeqGetErrorText(int error, char* buffer, int size);
// Why the last SeqPlay that answered SeqErrOutput could not open or write the audio output
// (the device's own text); empty before any such failure.
const char* SeqOutputError(void);
// Copies the path of the SoundFont that an open would use into `buffer`; 0 when none is
// found (SeqErrNoSoundFont).
int SeqFindSoundFont(char* buffer, int size);
}
