#include "sequencer/MidiCheck.h"

#include <cstring>

namespace sequencer
{

namespace
{

std::uint32_t Be32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::uint32_t Le32(const std::uint8_t* p)
{
    return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

// Reads a variable-length quantity of at most four bytes at `at`; false past `end`.
bool ReadVarLen(const std::uint8_t* data, std::size_t end, std::size_t& at, std::uint32_t& value)
{
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (at >= end)
            return false;
        const std::uint8_t b = data[at++];
        value = value << 7 | (b & 0x7F);
        if ((b & 0x80) == 0)
            return true;
    }
    return false;
}

// Data bytes of a channel message by its status.
int DataBytes(std::uint8_t status)
{
    const std::uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// Every event of one track chunk, `data[begin, end)`, can be read.
bool TrackReadable(const std::uint8_t* data, std::size_t begin, std::size_t end)
{
    std::size_t at = begin;
    std::uint8_t running = 0;
    while (at < end) {
        std::uint32_t delta = 0, length = 0;
        if (!ReadVarLen(data, end, at, delta) || at >= end)
            return false;
        const std::uint8_t first = data[at];
        if (first == 0xFF) { // meta event: type, length, data
            if (end - at < 2)
                return false;
            const std::uint8_t type = data[at + 1];
            at += 2;
            if (!ReadVarLen(data, end, at, length) || length > end - at)
                return false;
            at += length;
            if (type == 0x2F)
                return true;                         // end of track: whatever follows is ignored
        } else if (first == 0xF0 || first == 0xF7) { // system exclusive: length, data
            ++at;
            if (!ReadVarLen(data, end, at, length) || length > end - at)
                return false;
            at += length;
        } else {
            if (first & 0x80) {
                if (first > 0xEF)
                    return false; // system common messages do not belong in a file
                running = first;
                ++at;
            } else if (running == 0) {
                return false; // data without a status
            }
            const int n = DataBytes(running);
            if (std::size_t(n) > end - at)
                return false;
            for (int i = 0; i < n; ++i)
                if (data[at + std::size_t(i)] & 0x80)
                    return false;
            at += std::size_t(n);
        }
    }
    return true; // a track without its end event is common enough to accept
}

// A Standard MIDI File: its header and at least one readable track.
bool SmfReadable(const std::uint8_t* data, std::size_t size)
{
    if (size < 14 || std::memcmp(data, "MThd", 4) != 0)
        return false;
    const std::uint32_t headerLength = Be32(data + 4);
    const unsigned format = unsigned(data[8]) << 8 | data[9];
    const unsigned division = unsigned(data[12]) << 8 | data[13];
    if (headerLength < 6 || headerLength > size - 8 || format > 2 || division == 0)
        return false;
    std::size_t at = 8 + headerLength;
    int tracks = 0;
    while (size - at >= 8) {
        const std::uint32_t length = Be32(data + at + 4);
        if (length > size - at - 8)
            return false; // a chunk cut short
        if (std::memcmp(data + at, "MTrk", 4) == 0) {
            if (!TrackReadable(data, at + 8, at + 8 + length))
                return false;
            ++tracks;
        }
        at += 8 + length;
    }
    return tracks > 0;
}

} // namespace

std::vector<std::uint8_t> ExtractMidi(const std::uint8_t* file, std::size_t size)
{
    const std::uint8_t* smf = file;
    std::size_t smfSize = size;
    if (size >= 12 && std::memcmp(file, "RIFF", 4) == 0 && std::memcmp(file + 8, "RMID", 4) == 0) {
        smf = nullptr;
        // A padding byte may take `at` past the end: test that before subtracting.
        for (std::size_t at = 12; at <= size && size - at >= 8;) {
            const std::uint32_t length = Le32(file + at + 4);
            if (length > size - at - 8)
                break;
            if (std::memcmp(file + at, "data", 4) == 0) {
                smf = file + at + 8;
                smfSize = length;
                break;
            }
            at += 8 + length + (length & 1); // chunks are padded to even sizes
        }
        if (smf == nullptr)
            return {};
    }
    if (!SmfReadable(smf, smfSize))
        return {};
    return std::vector<std::uint8_t>(smf, smf + smfSize);
}

} // namespace sequencer
