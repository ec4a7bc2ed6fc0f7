#include "search/NameMask.h"

#include "platform/FileNames.h"

#include <algorithm>
#include <array>

namespace
{

// Whole-text wildcard match; after a "*" only the last star is ever retried, so the
// cost stays O(mask × text) at worst.
template <typename TChar>
bool Wild(const TChar* mask, size_t maskLength, const TChar* text, size_t textLength)
{
    size_t m = 0, t = 0, starMask = size_t(-1), starText = 0;
    while (t < textLength) {
        if (m < maskLength && (mask[m] == TChar('?') || mask[m] == text[t])) {
            ++m;
            ++t;
        } else if (m < maskLength && mask[m] == TChar('*')) {
            starMask = m++;
            starText = t;
        } else if (starMask != size_t(-1)) {
            m = starMask + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (m < maskLength && mask[m] == TChar('*'))
        ++m;
    return m == maskLength;
}

template <typename TChar>
bool WildName(const TChar* mask, size_t maskLength, const TChar* name, size_t nameLength,
              bool hasDot, const TChar* dotted)
{
    if (Wild(mask, maskLength, name, nameLength))
        return true;
    return !hasDot && Wild(mask, maskLength, dotted, nameLength + 1);
}

const std::array<char, 256>& LowerTable()
{
    static const std::array<char, 256> table = [] {
        std::array<char, 256> t{};
        for (int c = 0; c < 256; ++c)
            t[size_t(c)] = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
        return t;
    }();
    return table;
}

} // namespace

TNameMask::TNameMask(const QString& masks)
{
    for (const QString& part : masks.split(';')) {
        const QString mask = part.trimmed();
        if (!mask.isEmpty())
            m_masks << mask.toCaseFolded();
    }
    if (m_masks.isEmpty())
        m_masks << QStringLiteral("*");
    bool ascii = true;
    for (const QString& mask : m_masks)
        ascii = ascii &&
                std::all_of(mask.begin(), mask.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii)
        for (const QString& mask : m_masks)
            m_ascii.push_back(mask.toLatin1().toStdString());
}

bool TNameMask::Matches(const QString& name) const
{
    const QString folded = name.toCaseFolded();
    const QString dotted = folded + '.';
    const bool hasDot = folded.contains('.');
    for (const QString& mask : m_masks)
        if (WildName(mask.constData(), size_t(mask.size()), folded.constData(),
                     size_t(folded.size()), hasDot, dotted.constData()))
            return true;
    return false;
}

bool TNameMask::Matches(const char* name, size_t length) const
{
    constexpr size_t kShort = 256; // NAME_MAX is 255 bytes
    const bool ascii = std::all_of(name, name + length, [](char c) { return uchar(c) < 0x80; });
    if (m_ascii.empty() || !ascii || length >= kShort)
        return Matches(platform::DecodeFileName(QByteArray::fromRawData(name, qsizetype(length))));
    const std::array<char, 256>& lower = LowerTable();
    char folded[kShort + 1];
    bool hasDot = false;
    for (size_t i = 0; i < length; ++i) {
        folded[i] = lower[uchar(name[i])];
        hasDot = hasDot || name[i] == '.';
    }
    folded[length] = '.';
    for (const std::string& mask : m_ascii)
        if (WildName(mask.data(), mask.size(), folded, length, hasDot, folded))
            return true;
    return false;
}
