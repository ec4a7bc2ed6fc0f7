#include "listing/SortKeys.h"

#include "platform/Locale.h"

#include <QCollatorSortKey>
#include <QLocale>
#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>
#include <optional>
#include <thread>

QChar GroupLetter(const TFileObject& e)
{
    if (e.IsDirectory())
        return 'A';
    return e.Kind == fkZipFile ? 'B' : 'Z';
}

qint64 GroupRank(const TFileObject& e)
{
    // The code of a character as an 8-bit code page would give it; wider characters
    // count as 255 so that the rank of a directory stays below every archive's.
    const qint64 code = e.Name.isEmpty() ? 0 : std::min<qint64>(e.Name[0].unicode(), 255);
    if (e.IsDirectory())
        return code;
    return e.Kind == fkZipFile ? code + 1 : 1000000000;
}

namespace
{

// One entry while an order is built: 64 bits of its key, arranged so that unsigned
// order is the wanted order (descending already inverted), and its present position,
// which breaks ties so that equal keys keep their order.
struct TRecord {
    quint64 Key;
    quint32 Index;
};

bool operator<(const TRecord& a, const TRecord& b)
{
    return a.Key != b.Key ? a.Key < b.Key : a.Index < b.Index;
}

std::vector<int> IndexesOf(const std::vector<TRecord>& records)
{
    std::vector<int> order(records.size());
    for (size_t i = 0; i < records.size(); ++i)
        order[i] = int(records[i].Index);
    return order;
}

quint64 OrderedBits(qint64 v)
{
    return quint64(v) ^ (quint64(1) << 63);
}

quint64 OrderedBits(double v)
{
    // Keys are finite; 0 + -0 never occurs, but -0 is taken as 0 to be sure.
    const quint64 bits = std::bit_cast<quint64>(v == 0 ? 0.0 : v);
    return (bits >> 63) ? ~bits : bits | (quint64(1) << 63);
}

template <typename Key>
std::vector<int> OrderByNumbers(const std::vector<TFileObject>& items, bool ascending, Key keyOf)
{
    std::vector<TRecord> records(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const quint64 bits = OrderedBits(keyOf(items[i]));
        records[i] = {ascending ? bits : ~bits, quint32(i)};
    }
    std::sort(records.begin(), records.end());
    return IndexesOf(records);
}

QString TextKey(const TFileObject& e, bool withExtension, bool natural)
{
    QString text(GroupLetter(e));
    if (withExtension)
        text += e.IsParent() ? QStringLiteral(".") : ExtractFileExt(e.Name);
    text += e.Name;
    return natural ? NaturalText(text) : text;
}

// The keys of the C locale: there QCollator's key of a text is its case-folded UTF-8
// bytes, compared byte by byte. They are kept end to end in one buffer, as bytes; a name
// of ASCII characters is folded here, any other one by Qt itself.
class TByteKeys final
{
public:
    TByteKeys(const std::vector<TFileObject>& items, bool withExtension, bool natural)
        : m_natural(natural)
    {
        size_t units = 0;
        for (const TFileObject& e : items)
            units += size_t(e.Name.size());
        m_starts.reserve(items.size() + 1);
        m_bytes.reserve(items.size() + units + (withExtension ? units / 4 : 0));
        for (const TFileObject& e : items) {
            m_starts.push_back(quint32(m_bytes.size()));
            Append(e, withExtension);
        }
        m_starts.push_back(quint32(m_bytes.size()));
    }

    // Bytes [offset, offset + 8) of key `i`, big-endian, zero past its end (no key
    // holds a zero byte: names hold none, and a lone surrogate becomes '?').
    quint64 Chunk(quint32 i, size_t offset) const
    {
        const size_t start = m_starts[i] + offset, end = m_starts[i + 1];
        quint64 v = 0;
        for (size_t k = 0; k < 8; ++k)
            v = (v << 8) | (start + k < end ? uchar(m_bytes[start + k]) : 0);
        return v;
    }

private:
    void Append(const TFileObject& e, bool withExtension)
    {
        const QString& name = e.Name;
        const bool ascii =
            std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 0x80; });
        if (!ascii || m_natural) {
            const QByteArray key = TextKey(e, withExtension, m_natural).toCaseFolded().toUtf8();
            m_bytes.insert(m_bytes.end(), key.cbegin(), key.cend());
            return;
        }
        const auto fold = [](char16_t c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); };
        m_bytes.push_back(fold(GroupLetter(e).unicode()));
        if (withExtension) {
            if (e.IsParent()) {
                m_bytes.push_back('.');
            } else {
                for (qsizetype i = name.size() - 1; i >= 0; --i) {
                    const char16_t c = name[i].unicode();
                    if (c == '/' || c == '\\' || c == ':')
                        break;
                    if (c == '.') {
                        for (qsizetype k = i; k < name.size(); ++k)
                            m_bytes.push_back(fold(name[k].unicode()));
                        break;
                    }
                }
            }
        }
        for (QChar c : name)
            m_bytes.push_back(fold(c.unicode()));
    }

    std::vector<char> m_bytes;
    std::vector<quint32> m_starts;
    bool m_natural;
};

// Sorts records [from, to), whose keys hold bytes [offset, offset + 8) of their texts,
// then each run of equal bytes by the next eight.
void SortByBytes(const TByteKeys& keys, bool ascending, std::vector<TRecord>& records, size_t from,
                 size_t to, size_t offset)
{
    std::sort(records.begin() + ptrdiff_t(from), records.begin() + ptrdiff_t(to));
    for (size_t run = from; run < to;) {
        size_t end = run + 1;
        while (end < to && records[end].Key == records[run].Key)
            ++end;
        // A zero last byte ends every key of the run: equal keys, in present order.
        const quint64 bytes = ascending ? records[run].Key : ~records[run].Key;
        if (end - run > 1 && (bytes & 0xFF) != 0) {
            for (size_t i = run; i < end; ++i) {
                const quint64 bits = keys.Chunk(records[i].Index, offset + 8);
                records[i].Key = ascending ? bits : ~bits;
            }
            SortByBytes(keys, ascending, records, run, end, offset + 8);
        }
        run = end;
    }
}

std::vector<int> OrderByBytes(const std::vector<TFileObject>& items, bool withExtension,
                              bool ascending, bool natural)
{
    const TByteKeys keys(items, withExtension, natural);
    std::vector<TRecord> records(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const quint64 bits = keys.Chunk(quint32(i), 0);
        records[i] = {ascending ? bits : ~bits, quint32(i)};
    }
    SortByBytes(keys, ascending, records, 0, records.size(), 0);
    return IndexesOf(records);
}

template <typename Key, typename Less>
std::vector<int> OrderByKeys(const std::vector<Key>& keys, bool ascending, Less less)
{
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return ascending ? less(keys[size_t(a)], keys[size_t(b)])
                         : less(keys[size_t(b)], keys[size_t(a)]);
    });
    return order;
}

// Collation keys of entries [from, to), each thread with a collator of its own.
void MakeKeys(const std::vector<TFileObject>& items, bool withExtension, bool natural, size_t from,
              size_t to, std::vector<std::optional<QCollatorSortKey>>& keys)
{
    const platform::TNameCollator collator;
    for (size_t i = from; i < to; ++i)
        keys[i].emplace(collator.sortKey(TextKey(items[i], withExtension, natural)));
}

// Any locale but C: the locale's collation keys.
std::vector<int> OrderByCollation(const std::vector<TFileObject>& items, bool withExtension,
                                  bool ascending, bool natural)
{
    // Building the keys is the costly part; large listings share it with a second thread.
    std::vector<std::optional<QCollatorSortKey>> keys(items.size());
    constexpr size_t kParallelFrom = 4096;
    if (items.size() < kParallelFrom) {
        MakeKeys(items, withExtension, natural, 0, items.size(), keys);
    } else {
        const size_t half = items.size() / 2;
        std::thread helper(
            [&] { MakeKeys(items, withExtension, natural, half, items.size(), keys); });
        MakeKeys(items, withExtension, natural, 0, half, keys);
        helper.join();
    }
    return OrderByKeys(keys, ascending,
                       [](const auto& a, const auto& b) { return a->compare(*b) < 0; });
}

std::vector<int> OrderByText(const std::vector<TFileObject>& items, bool withExtension,
                             bool ascending, bool natural)
{
    if (QLocale().language() == QLocale::C)
        return OrderByBytes(items, withExtension, ascending, natural);
    return OrderByCollation(items, withExtension, ascending, natural);
}

// A descending order puts the directories last: they go first again, each part in
// its order.
std::vector<int> DirectoriesFirst(const std::vector<TFileObject>& items, std::vector<int> order)
{
    std::stable_partition(order.begin(), order.end(),
                          [&items](int i) { return items[size_t(i)].IsDirectory(); });
    return order;
}

std::vector<int> OrderOf(const std::vector<TFileObject>& items, quint8 order, bool ascending,
                         bool natural)
{
    switch (order) {
    case soName:
        return OrderByText(items, false, ascending, natural);
    case soExtension:
        return OrderByText(items, true, ascending, natural);
    case soSize:
        return OrderByNumbers(items, ascending,
                              [](const TFileObject& e) { return GroupRank(e) + e.Size; });
    case soDateTime:
        return OrderByNumbers(items, ascending, [](const TFileObject& e) {
            return double(GroupRank(e)) + e.DateTime;
        });
    default: {
        std::vector<int> identity(items.size());
        std::iota(identity.begin(), identity.end(), 0);
        return identity;
    }
    }
}

} // namespace

QString NaturalText(const QString& text)
{
    const auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    QString made;
    made.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size();) {
        if (!digit(text[i])) {
            made += text[i++];
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && digit(text[end]))
            ++end;
        while (i < end && text[i] == QLatin1Char('0'))
            ++i; // leading zeros
        qsizetype length = end - i;
        for (; length >= 9; length -= 9)
            made += QLatin1Char('9');
        made += QLatin1Char(char('0' + length));
        made += QStringView(text).mid(i, end - i);
        i = end;
    }
    return made;
}

std::vector<int> SortedOrder(const std::vector<TFileObject>& items, quint8 order, bool ascending,
                             bool natural)
{
    std::vector<int> sorted = OrderOf(items, order, ascending, natural);
    if (ascending || order < soName || order > soExtension)
        return sorted;
    return DirectoriesFirst(items, std::move(sorted));
}
