#pragma once
// Structural check of a MIDI sequence before it is handed to the synthesizer, whose own
// reader drops a damaged file without telling. Accepts a Standard MIDI File ("MThd" header
// and its "MTrk" chunks, every event readable to the chunk's end) or a RIFF "RMID" file
// that carries one in its "data" chunk. Pure functions over memory, no allocation beyond
// the answer.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sequencer
{

// The Standard MIDI File inside `file` (the file itself, or the payload of an RMID file);
// empty when `file` is not a well-formed sequence with at least one track.
std::vector<std::uint8_t> ExtractMidi(const std::uint8_t* file, std::size_t size);

} // namespace sequencer
