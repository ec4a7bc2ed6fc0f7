#pragma once
// Decoder of Truevision TGA pictures, for the files Qt's own TGA reader refuses (it
// reads only uncompressed true colour with a version 2 footer).
//
// Image types 1 (colour-mapped), 2 (true colour), 3 (grey) and their RLE forms 9, 10,
// 11; 8, 15, 16, 24 and 32 bits per pixel; colour maps of 15, 16, 24 or 32 bits; any
// origin corner. Never reads past `size`; reentrant. Cost: one pass, O(width x height).

#include <QImage>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace piclib
{

// True when the first 18 bytes form a TGA header this decoder accepts.
bool TgaLooksValid(const std::uint8_t* data, std::size_t size);

// Decodes a whole TGA file to Format_ARGB32; a null image (and `error` set) on failure.
QImage TgaDecode(const std::uint8_t* data, std::size_t size, QString* error = nullptr);

} // namespace piclib
