// The MIDI structure check over arbitrary bytes: it must never read outside the input,
// and whatever it accepts must itself pass the check again (a Standard MIDI File).
#include "sequencer/MidiCheck.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> midi = sequencer::ExtractMidi(data, size);
    if (!midi.empty() && sequencer::ExtractMidi(midi.data(), midi.size()).size() != midi.size())
        std::abort();
    return 0;
}
