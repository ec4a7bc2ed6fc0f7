#include "search/TextMatch.h"

#include "platform/FileBlocks.h"
#include "platform/FileOpsProgress.h"

#include <QChar>
#include <QList>
#include <algorithm>
#include <cstring>
#include <functional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{

// Windows-1252 bytes 0x80 to 0x9F; 0 where the code page assigns none.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The bytes of one character in `encoding`; empty when it has none there.
std::string Encode(char32_t c, TTextEncoding encoding)
{
    switch (encoding) {
    case TTextEncoding::Utf8:
        return QString::fromUcs4(&c, 1).toUtf8().toStdString();
    case TTextEncoding::Cp1252: {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
            return std::string(1, char(c));
        for (size_t i = 0; i < kCp1252High.size(); ++i)
            if (kCp1252High[i] != 0 && kCp1252High[i] == c)
                return std::string(1, char(0x80 + i));
        return {};
    }
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE: {
        std::string bytes;
        for (QChar unit : QString::fromUcs4(&c, 1)) {
            const char hi = char(unit.unicode() >> 8), lo = char(unit.unicode() & 0xFF);
            bytes += encoding == TTextEncoding::Utf16LE ? std::string{lo, hi} : std::string{hi, lo};
        }
        return bytes;
    }
    }
    return {};
}

std::vector<char32_t> CaseForms(char32_t c, bool matchCase)
{
    std::vector<char32_t> forms{c};
    if (!matchCase)
        for (char32_t f :
             {QChar::toLower(c), QChar::toUpper(c), QChar::toCaseFolded(c), QChar::toTitleCase(c)})
            if (std::find(forms.begin(), forms.end(), f) == forms.end())
                forms.push_back(f);
    return forms;
}

// Incremental UTF-8 validation: overlong forms, surrogates and values past U+10FFFF are
// invalid, as is a sequence cut off by the end.
struct TUtf8Check {
    int Need{0};
    unsigned char Low{0x80}, High{0xBF};
    bool Invalid{false};

    void Feed(const unsigned char* p, size_t size)
    {
        for (size_t i = 0; i < size && !Invalid; ++i) {
            const unsigned char b = p[i];
            if (Need == 0) {
                // Runs of ASCII go eight bytes at a time.
                while (i + 8 <= size) {
                    quint64 word;
                    std::memcpy(&word, p + i, 8);
                    if (word & 0x8080808080808080ull)
                        break;
                    i += 8;
                }
                if (i >= size)
                    break;
                Start(p[i]);
            } else if (b < Low || b > High) {
                Invalid = true;
            } else {
                Low = 0x80;
                High = 0xBF;
                --Need;
            }
        }
    }

    void Start(unsigned char b)
    {
        Low = 0x80;
        High = 0xBF;
        if (b < 0x80)
            return;
        if (b >= 0xC2 && b <= 0xDF)
            Need = 1;
        else if (b >= 0xE0 && b <= 0xEF) {
            Need = 2;
            Low = b == 0xE0 ? 0xA0 : 0x80;
            High = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            Need = 3;
            Low = b == 0xF0 ? 0x90 : 0x80;
            High = b == 0xF4 ? 0x8F : 0xBF;
        } else
            Invalid = true;
    }
};

} // namespace

TBytePattern::TBytePattern(const QString& text, TTextEncoding encoding, bool matchCase)
{
    for (char32_t c : text.toUcs4()) {
        std::vector<std::string> forms;
        for (char32_t f : CaseForms(c, matchCase)) {
            std::string bytes = Encode(f, encoding);
            if (!bytes.empty() && std::find(forms.begin(), forms.end(), bytes) == forms.end())
                forms.push_back(std::move(bytes));
        }
        if (forms.empty()) {
            m_chars.clear();
            return;
        }
        m_chars.push_back(std::move(forms));
    }
    bool fixed = true;
    for (const auto& forms : m_chars) {
        size_t shortest = forms[0].size(), longest = forms[0].size();
        for (const std::string& f : forms) {
            shortest = std::min(shortest, f.size());
            longest = std::max(longest, f.size());
        }
        fixed = fixed && shortest == longest;
        if (&forms == &m_chars.back())
            m_lastOffset = m_minLength;
        m_minLength += shortest;
        m_maxLength += longest;
    }
    if (m_chars.empty())
        return;
    if (!fixed)
        m_lastOffset = 0;
    for (const std::string& f : m_chars.front())
        m_first[uchar(f[0])] = true;
    for (const std::string& f : fixed ? m_chars.back() : m_chars.front())
        m_last[uchar(f[0])] = true;
    for (int b = 0; b < 256; ++b) {
        if (m_first[size_t(b)])
            m_firstBytes.push_back(uchar(b));
        if (m_last[size_t(b)])
            m_lastBytes.push_back(uchar(b));
    }
}

bool TBytePattern::Verify(const char* data, size_t available, size_t index) const
{
    if (index == m_chars.size())
        return true;
    for (const std::string& f : m_chars[index])
        if (f.size() <= available && std::memcmp(data, f.data(), f.size()) == 0 &&
            Verify(data + f.size(), available - f.size(), index + 1))
            return true;
    return false;
}

ptrdiff_t TBytePattern::Find(const char* data, size_t size, size_t from) const
{
    if (!Valid() || size < m_minLength)
        return -1;
    const size_t last = size - m_minLength; // the last start with room for a match
    size_t i = from;
#if defined(__SSE2__)
    constexpr size_t kSets = 4;
    if (m_firstBytes.size() <= kSets && m_lastBytes.size() <= kSets) {
        __m128i first[kSets], lastSet[kSets];
        const size_t nFirst = m_firstBytes.size(), nLast = m_lastBytes.size();
        for (size_t k = 0; k < nFirst; ++k)
            first[k] = _mm_set1_epi8(char(m_firstBytes[k]));
        for (size_t k = 0; k < nLast; ++k)
            lastSet[k] = _mm_set1_epi8(char(m_lastBytes[k]));
        const size_t o = m_lastOffset;
        for (; i + o + 16 <= size; i += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + o));
            __m128i ma = _mm_cmpeq_epi8(a, first[0]);
            for (size_t k = 1; k < nFirst; ++k)
                ma = _mm_or_si128(ma, _mm_cmpeq_epi8(a, first[k]));
            __m128i mb = _mm_cmpeq_epi8(b, lastSet[0]);
            for (size_t k = 1; k < nLast; ++k)
                mb = _mm_or_si128(mb, _mm_cmpeq_epi8(b, lastSet[k]));
            unsigned mask = unsigned(_mm_movemask_epi8(_mm_and_si128(ma, mb)));
            while (mask) {
                const size_t at = i + size_t(__builtin_ctz(mask));
                if (at <= last && Verify(data + at, size - at, 0))
                    return ptrdiff_t(at);
                mask &= mask - 1;
            }
        }
    }
#endif
    for (; i <= last; ++i)
        if (m_first[uchar(data[i])] && m_last[uchar(data[i + m_lastOffset])] &&
            Verify(data + i, size - i, 0))
            return ptrdiff_t(i);
    return -1;
}

TTextMatcher::TTextMatcher(const QString& text, bool matchCase)
    : m_utf8(text, TTextEncoding::Utf8, matchCase),
      m_cp1252(text, TTextEncoding::Cp1252, matchCase),
      m_utf16le(text, TTextEncoding::Utf16LE, matchCase),
      m_utf16be(text, TTextEncoding::Utf16BE, matchCase)
{
    m_plain = m_utf8 == m_cp1252;
    m_keep =
        std::max({m_utf8.MaxLength(), m_cp1252.MaxLength(), m_utf16le.MaxLength(), size_t(1)}) - 1;
}

struct TTextMatcher::TState {
    enum class TMode { Unknown, Bytes, Utf16LE, Utf16BE } Mode{TMode::Unknown};
    TUtf8Check Utf8;
    bool Cp1252Seen{false}; // the Windows-1252 form occurs; counts once the file is not UTF-8
    bool Binary{false};
    bool Found{false};
};

bool TTextMatcher::FindAligned(const TBytePattern& pattern, const char* data, size_t size,
                               qint64 offset)
{
    for (ptrdiff_t at = pattern.Find(data, size, 0); at >= 0;
         at = pattern.Find(data, size, size_t(at) + 1))
        if ((offset + at) % 2 == 0)
            return true;
    return false;
}

// One block: false once the scan may stop (found, or binary and skipped).
bool TTextMatcher::ScanBlock(TState& s, const char* data, size_t size, size_t fresh,
                             qint64 offset) const
{
    using TMode = TState::TMode;
    if (s.Mode == TMode::Unknown) {
        const auto* u = reinterpret_cast<const unsigned char*>(data);
        if (size >= 2 && u[0] == 0xFF && u[1] == 0xFE)
            s.Mode = TMode::Utf16LE;
        else if (size >= 2 && u[0] == 0xFE && u[1] == 0xFF)
            s.Mode = TMode::Utf16BE;
        else
            s.Mode = TMode::Bytes;
        if (s.Mode == TMode::Bytes && s.Binary && std::memchr(data, 0, size))
            return false; // Binary stays set: the caller skips such files
        s.Binary = false;
    }
    if (s.Mode != TMode::Bytes) {
        s.Found = FindAligned(s.Mode == TMode::Utf16LE ? m_utf16le : m_utf16be, data, size, offset);
        return !s.Found;
    }
    if (m_utf8.Find(data, size, 0) >= 0) {
        s.Found = true;
        return false;
    }
    if (m_plain || !m_cp1252.Valid())
        return true;
    s.Utf8.Feed(reinterpret_cast<const unsigned char*>(data) + fresh, size - fresh);
    s.Cp1252Seen = s.Cp1252Seen || m_cp1252.Find(data, size, 0) >= 0;
    s.Found = s.Cp1252Seen && s.Utf8.Invalid;
    return !s.Found;
}

TTextMatcher::TResult TTextMatcher::Scan(const QString& path, bool skipBinary,
                                         const platform::TFileOpsProgress* progress,
                                         qint64 limit) const
{
    constexpr size_t kBlock = 256 * 1024;
    TState state;
    state.Binary = skipBinary;
    bool cancelled = false;
    const platform::TReadBlocks read = platform::ReadFileBlocks(
        path, kBlock, m_keep,
        [&](const char* data, size_t size, size_t fresh, qint64 offset) {
            if (platform::CancelRequested(progress)) {
                cancelled = true;
                return false;
            }
            return ScanBlock(state, data, size, fresh, offset);
        },
        limit);
    if (cancelled)
        return TResult::Cancelled;
    if (read == platform::TReadBlocks::Failed)
        return TResult::Unreadable;
    if (read == platform::TReadBlocks::TooLong)
        return TResult::TooLarge;
    return Result(state);
}

TTextMatcher::TResult TTextMatcher::Scan(const QByteArray& bytes, bool skipBinary) const
{
    TState state;
    state.Binary = skipBinary;
    if (!bytes.isEmpty())
        ScanBlock(state, bytes.constData(), size_t(bytes.size()), 0, 0);
    return Result(state);
}

TTextMatcher::TResult TTextMatcher::Scan(const std::function<bool(const TBlockSink& sink)>& read,
                                         bool skipBinary, const std::function<bool()>& cancelled,
                                         qint64 limit) const
{
    // The first test (byte-order mark, a zero byte) wants the first 256 KiB at once, as a
    // file's first block gives it; after that each block is searched with the end of the
    // one before, so that the text may straddle two.
    constexpr size_t kFirst = 256 * 1024;
    TState state;
    state.Binary = skipBinary;
    std::string window;
    size_t kept = 0;   // bytes at the start of `window` searched already
    qint64 offset = 0; // where `window` starts in the file
    qint64 total = 0;  // bytes read
    bool started = false, more = true, tooLong = false, stopped = false;
    const auto scan = [&] {
        started = true;
        more = ScanBlock(state, window.data(), window.size(), kept, offset);
        kept = std::min(m_keep, window.size());
        offset += qint64(window.size() - kept);
        window.erase(0, window.size() - kept);
    };
    const bool readable = read([&](const char* data, size_t size) {
        if (cancelled && cancelled()) {
            stopped = true;
            return false;
        }
        if (limit > 0 && total + qint64(size) > limit) {
            size = size_t(limit - total);
            tooLong = true;
        }
        total += qint64(size);
        window.append(data, size);
        if (started || window.size() >= kFirst || tooLong)
            scan();
        return more && !tooLong;
    });
    if (stopped)
        return TResult::Cancelled;
    if (!readable)
        return TResult::Unreadable;
    if (!started && !window.empty())
        scan();
    if (tooLong && more)
        return TResult::TooLarge;
    return Result(state);
}

TTextMatcher::TResult TTextMatcher::Result(const TState& state)
{
    if (state.Binary && state.Mode == TState::TMode::Bytes)
        return TResult::Binary;
    const bool cutOff = state.Utf8.Need > 0; // a sequence the end of the file cut short
    return state.Found || (state.Cp1252Seen && (state.Utf8.Invalid || cutOff)) ? TResult::Found
                                                                               : TResult::NotFound;
}
