#pragma once
// ZIP member names as unzip reads them on Linux. Plain C++ without Qt, shared by the
// directory reader and the ZIP libraries, so that the panels show, select and extract
// every member by one and the same name.

#include "zip/ZipEndRecord.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The stored name (up to its first zero byte) as the bytes of a file name:
// 1. as UTF-8 when general-purpose flag bit 11 is set in `flags`;
// 2. else the Unicode Path extra field (0x7075) in `extra`, when the CRC-32 it holds is
//    that of the stored name;
// 3. else the stored bytes as they are when the archive was made on Unix: what zip on
//    Linux writes, without the flag, is the file system's name, UTF-8 or not (a Latin-1
//    name stays Latin-1, as unzip writes it back);
// 4. else as code page 437 (0x00 to 0x7F as ASCII, the upper half by the IBM PC table).
// The result is UTF-8 text except in case 3, where it may hold bytes that are not UTF-8.
std::string DecodeZipName(const char* raw, size_t size, uint16_t flags, bool madeOnUnix,
                          const unsigned char* extra = nullptr, size_t extraSize = 0);

// Code page 437 text as UTF-8.
std::string CodePage437ToUtf8(const char* data, size_t size);

// Whether `data` is well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
bool IsValidUtf8(const char* data, size_t size);

// The names of the central directory's records of the archive `read` reads, in their
// order (the order libzip numbers them), decoded by DecodeZipName. Empty when the
// archive has no readable central directory. Cost: one read of the directory.
std::vector<std::string> ReadZipNames(const TReadAt& read, uint64_t fileSize);
