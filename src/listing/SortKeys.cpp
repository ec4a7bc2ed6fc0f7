#include "listing/SortKeys.h"

#include "platform/Locale.h"

#include <QCollatorSortKey>
#include <algorithm>
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

QString TextKey(const TFileObject& e, bool withExtension)
{
    QString text(GroupLetter(e));
    if (withExtension)
        text += e.IsParent() ? QStringLiteral(".") : ExtractFileExt(e.Name);
    return text + e.Name;
}

// Collation keys of entries [from, to), each thread with a collator of its own.
void MakeKeys(const std::vector<TFileObject>& items, bool withExtension, size_t from, size_t to,
              std::vector<std::optional<QCollatorSortKey>>& keys)
{
    const platform::TNameCollator collator;
    for (size_t i = from; i < to; ++i)
        keys[i].emplace(collator.sortKey(TextKey(items[i], withExtension)));
}

std::vector<int> OrderByText(const std::vector<TFileObject>& items, bool withExtension,
                             bool ascending)
{
    // Building the keys is the costly part; large listings share it with a second thread.
    std::vector<std::optional<QCollatorSortKey>> keys(items.size());
    constexpr size_t kParallelFrom = 4096;
    if (items.size() < kParallelFrom) {
        MakeKeys(items, withExtension, 0, items.size(), keys);
    } else {
        const size_t half = items.size() / 2;
        std::thread helper([&] { MakeKeys(items, withExtension, half, items.size(), keys); });
        MakeKeys(items, withExtension, 0, half, keys);
        helper.join();
    }
    return OrderByKeys(keys, ascending,
                       [](const auto& a, const auto& b) { return a->compare(*b) < 0; });
}

} // namespace

std::vector<int> SortedOrder(const std::vector<TFileObject>& items, quint8 order, bool ascending)
{
    switch (order) {
    case soName:
        return OrderByText(items, false, ascending);
    case soExtension:
        return OrderByText(items, true, ascending);
    case soSize: {
        std::vector<qint64> keys;
        keys.reserve(items.size());
        for (const TFileObject& e : items)
            keys.push_back(GroupRank(e) + e.Size);
        return OrderByKeys(keys, ascending, std::less<qint64>());
    }
    case soDateTime: {
        std::vector<double> keys;
        keys.reserve(items.size());
        for (const TFileObject& e : items)
            keys.push_back(double(GroupRank(e)) + e.DateTime);
        return OrderByKeys(keys, ascending, std::less<double>());
    }
    default: {
        std::vector<int> identity(items.size());
        std::iota(identity.begin(), identity.end(), 0);
        return identity;
    }
    }
}
