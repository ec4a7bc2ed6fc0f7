#pragma once
// The "containing text" test of a file search. The text is looked for in a file's bytes
// as UTF-8 and, where the file is not valid UTF-8, as Windows-1252; a file that starts
// with a UTF-16 byte-order mark is searched as UTF-16 of that byte order. Without regard
// to case, each character may appear in any of its case forms (simple case mappings,
// one character for one).

#include <QString>
#include <QtGlobal>
#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace platform
{
class TFileOpsProgress;
}

enum class TTextEncoding { Utf8, Cp1252, Utf16LE, Utf16BE };

// The text as the bytes of one encoding, every character with the forms it may take.
class TBytePattern final
{
public:
    TBytePattern() = default;
    TBytePattern(const QString& text, TTextEncoding encoding, bool matchCase);

    // False when a character has no form in the encoding: the pattern then never matches.
    bool Valid() const { return !m_chars.empty(); }
    size_t MaxLength() const { return m_maxLength; }
    // The first position at or after `from` where the pattern lies wholly in data[0,
    // size), or -1. Cost: O(size), a 16-byte step over two bytes of the pattern where
    // the processor has SSE2.
    ptrdiff_t Find(const char* data, size_t size, size_t from) const;
    bool operator==(const TBytePattern& other) const { return m_chars == other.m_chars; }

private:
    bool Verify(const char* data, size_t available, size_t index) const;

    std::vector<std::vector<std::string>> m_chars; // per character, its byte forms
    size_t m_minLength{0}, m_maxLength{0};
    size_t m_lastOffset{0}; // where the last character starts, when every form is as long
    std::array<bool, 256> m_first{}, m_last{};
    std::vector<unsigned char> m_firstBytes, m_lastBytes;
};

class TTextMatcher final
{
public:
    TTextMatcher(const QString& text, bool matchCase);

    enum class TResult { Found, NotFound, Binary, Unreadable, Cancelled, TooLarge };
    // Whether the file at `path` holds the text. With `skipBinary`, a file that has a
    // zero byte in its first 256 KiB and no UTF-16 byte-order mark is Binary and not
    // searched. The cancel flag of `progress` (may be null) is checked before each block. Reads
    // through platform::ReadFileBlocks, up to the first match. With `limit` above 0, reading
    // stops after `limit` bytes: a file that holds more and not the text in them is
    // TooLarge, whatever size it reports. Any thread (no state changes).
    TResult Scan(const QString& path, bool skipBinary,
                 const platform::TFileOpsProgress* progress = nullptr, qint64 limit = 0) const;
    // The same over bytes in memory.
    TResult Scan(const QByteArray& bytes, bool skipBinary) const;
    // The same over a file that `read` streams: it hands the file's blocks, in order and
    // of any size, to the function it is given until that returns false, and returns false
    // when the file could not be read. `cancelled` (may be empty) is asked before each block.
    using TBlockSink = std::function<bool(const char* data, size_t size)>;
    TResult Scan(const std::function<bool(const TBlockSink& sink)>& read, bool skipBinary,
                 const std::function<bool()>& cancelled, qint64 limit = 0) const;

private:
    struct TState;
    bool ScanBlock(TState& state, const char* data, size_t size, size_t fresh, qint64 offset) const;
    static bool FindAligned(const TBytePattern& pattern, const char* data, size_t size,
                            qint64 offset);
    static TResult Result(const TState& state);

    TBytePattern m_utf8, m_cp1252, m_utf16le, m_utf16be;
    bool m_plain{true}; // the UTF-8 and Windows-1252 forms are the same bytes
    size_t m_keep{0};
};
