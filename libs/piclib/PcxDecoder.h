#pragma once
// Decoder of ZSoft PCX pictures (version 0 to 5, RLE or raw).
//
// Supported layouts (bits per pixel per plane x planes):
//   1 x 1 (black and white), 2 x 1 and 1 x 2 to 1 x 4 (16 colours from the header palette),
//   4 x 1 (16 colours), 8 x 1 (256 colours from the palette after the picture data, or
//   grey levels when there is none), 8 x 3 (true colour) and 8 x 4 (true colour and alpha).
//
// The decoder works on bytes in memory and never reads past `size`. A run that crosses a
// scan line goes on in the next line, as many writers produce. Reentrant; no global state.
// Cost: one pass over the data, O(width x height).

#include <QImage>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace piclib
{

// Size of the fixed header that starts every PCX file.
inline constexpr std::size_t PcxHeaderSize = 128;

// Largest picture the decoder accepts, in pixels (a guard against absurd headers).
inline constexpr std::int64_t PcxMaxPixels = std::int64_t(1) << 28;

// True when the bytes start with a plausible PCX header (manufacturer 10, a known
// version, encoding and layout, a sane window). Looks at the first 128 bytes only.
bool PcxLooksValid(const std::uint8_t* data, std::size_t size);

// Decodes a whole PCX file. Paletted layouts give Format_Indexed8, true colour gives
// Format_RGB32 (Format_ARGB32 with four planes). On failure returns a null image and,
// when `error` is given, sets it to a short reason.
QImage PcxDecode(const std::uint8_t* data, std::size_t size, QString* error = nullptr);

} // namespace piclib
