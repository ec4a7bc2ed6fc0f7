#include "checks/FileCompare.h"

#include "platform/FileBlocks.h"

#include <QFile>
#include <QHash>
#include <algorithm>
#include <cstring>

namespace
{

constexpr qint64 kBlock = qint64(1) << 20;

// Reads up to kBlock bytes; false on a read error.
bool ReadBlock(QFile& file, QByteArray& block)
{
    block.resize(kBlock);
    const qint64 n = file.read(block.data(), kBlock);
    if (n < 0)
        return false;
    block.resize(n);
    return true;
}

qsizetype FirstMismatch(const QByteArray& a, const QByteArray& b)
{
    const qsizetype n = std::min(a.size(), b.size());
    if (std::memcmp(a.constData(), b.constData(), size_t(n)) == 0)
        return n; // the usual case, at memcmp's speed
    const auto at = std::mismatch(a.constData(), a.constData() + n, b.constData());
    return at.first - a.constData();
}

} // namespace

TCompareResult CompareFiles(const QString& a, const QString& b,
                            platform::TFileOpsProgress* progress)
{
    TCompareResult result;
    QFile fa, fb;
    for (const auto& [file, path] : {std::pair<QFile*, QString>{&fa, a}, {&fb, b}})
        if (!platform::OpenRegularFile(path, *file)) {
            result.Problem = QStringLiteral("\"%1\" cannot be read as a file.").arg(path);
            return result;
        }
    result.SizeA = fa.size();
    result.SizeB = fb.size();
    if (progress)
        progress->SetTotals(2, result.SizeA + result.SizeB);
    QByteArray ba, bb;
    for (qint64 offset = 0;;) {
        if (platform::CancelRequested(progress)) {
            result.Kind = TCompareResult::TKind::Cancelled;
            return result;
        }
        if (!ReadBlock(fa, ba) || !ReadBlock(fb, bb)) {
            result.Problem = QStringLiteral("A read failed at offset %1.").arg(offset);
            return result;
        }
        if (progress)
            progress->AddBytes(ba.size() + bb.size());
        const qsizetype same = FirstMismatch(ba, bb);
        if (same < ba.size() || same < bb.size()) {
            result.Kind = TCompareResult::TKind::Different;
            result.FirstDifference = offset + same;
            return result;
        }
        if (ba.isEmpty()) {
            result.Kind = TCompareResult::TKind::Equal;
            return result;
        }
        offset += ba.size();
    }
}

namespace
{

// Numbers lines so that equal lines get equal numbers.
std::vector<int> LineIds(const QList<QByteArray>& lines, QHash<QByteArray, int>& ids)
{
    std::vector<int> out;
    out.reserve(size_t(lines.size()));
    for (const QByteArray& line : lines) {
        auto at = ids.constFind(line);
        if (at == ids.cend())
            at = ids.insert(line, int(ids.size()));
        out.push_back(at.value());
    }
    return out;
}

struct TEdit {
    TDiffLine::TKind Kind;
    int A, B; // 0-based indexes into the texts (of the line concerned)
};

// Myers' greedy shortest edit script between a[0..n) and b[0..m); false when it needs
// more than `maxD` edits.
bool Myers(const int* a, int n, const int* b, int m, int maxD, std::vector<TEdit>& edits)
{
    const int offset = maxD + 1;
    std::vector<int> v(size_t(2 * offset + 1), 0);
    std::vector<std::vector<int>> trace;
    int found = -1;
    for (int d = 0; d <= maxD && found < 0; ++d) {
        trace.push_back(std::vector<int>(v.begin() + (offset - d), v.begin() + (offset + d + 1)));
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && v[size_t(offset + k - 1)] < v[size_t(offset + k + 1)]))
                        ? v[size_t(offset + k + 1)]
                        : v[size_t(offset + k - 1)] + 1;
            int y = x - k;
            while (x < n && y < m && a[x] == b[y])
                ++x, ++y;
            v[size_t(offset + k)] = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
    }
    if (found < 0)
        return false;
    // Back from (n, m) through the saved frontiers; trace[d] holds v before step d, for
    // diagonals -d..d.
    int x = n, y = m;
    std::vector<TEdit> reversed;
    for (int d = found; d > 0; --d) {
        const std::vector<int>& prev = trace[size_t(d)]; // v after step d - 1
        const auto at = [&](int k) { return prev[size_t(k + d)]; };
        const int k = x - y;
        const bool down = k == -d || (k != d && at(k - 1) < at(k + 1));
        const int prevK = down ? k + 1 : k - 1;
        const int prevX = at(prevK);
        const int prevY = prevX - prevK;
        while (x > prevX + (down ? 0 : 1) && y > prevY + (down ? 1 : 0))
            reversed.push_back({TDiffLine::TKind::Same, --x, --y});
        if (down)
            reversed.push_back({TDiffLine::TKind::Added, x, --y});
        else
            reversed.push_back({TDiffLine::TKind::Removed, --x, y});
    }
    while (x > 0 && y > 0)
        reversed.push_back({TDiffLine::TKind::Same, --x, --y});
    edits.assign(reversed.rbegin(), reversed.rend());
    return true;
}

QList<QByteArray> SplitLines(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.pop_back(); // after the last line feed
    return lines;
}

} // namespace

TLineDiff DiffLines(const QByteArray& a, const QByteArray& b, int context)
{
    TLineDiff diff;
    diff.IsText = a.size() <= kMaxDiffBytes && b.size() <= kMaxDiffBytes && !a.contains('\0') &&
                  !b.contains('\0');
    if (!diff.IsText)
        return diff;
    const QList<QByteArray> la = SplitLines(a), lb = SplitLines(b);
    QHash<QByteArray, int> ids;
    const std::vector<int> ia = LineIds(la, ids), ib = LineIds(lb, ids);
    // Common lines at both ends are no part of the search.
    int head = 0;
    while (head < int(ia.size()) && head < int(ib.size()) && ia[size_t(head)] == ib[size_t(head)])
        ++head;
    int tail = 0;
    while (tail < int(ia.size()) - head && tail < int(ib.size()) - head &&
           ia[ia.size() - 1 - size_t(tail)] == ib[ib.size() - 1 - size_t(tail)])
        ++tail;
    diff.FirstLine = head + 1;
    const int n = int(ia.size()) - head - tail, m = int(ib.size()) - head - tail;
    if (n == 0 && m == 0 && la.size() == lb.size())
        return diff; // only the last line feed differs, or nothing
    std::vector<TEdit> middle;
    if (!Myers(ia.data() + head, n, ib.data() + head, m, kMaxDiffEdits, middle)) {
        diff.TooLarge = true;
        return diff;
    }
    std::vector<TEdit> all;
    for (int i = 0; i < head; ++i)
        all.push_back({TDiffLine::TKind::Same, i, i});
    for (TEdit e : middle) {
        e.A += head;
        e.B += head;
        all.push_back(e);
    }
    for (int i = 0; i < tail; ++i)
        all.push_back({TDiffLine::TKind::Same, head + n + i, head + m + i});
    // Keep the changes and `context` same lines on either side of each.
    std::vector<bool> keep(all.size(), false);
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i].Kind != TDiffLine::TKind::Same)
            for (size_t j = i >= size_t(context) ? i - size_t(context) : 0;
                 j <= std::min(all.size() - 1, i + size_t(context)); ++j)
                keep[j] = true;
    for (size_t i = 0; i < all.size(); ++i) {
        if (!keep[i])
            continue;
        const TEdit& e = all[i];
        TDiffLine line{e.Kind, 0, 0, {}};
        if (e.Kind != TDiffLine::TKind::Added) {
            line.LineA = e.A + 1;
            line.Text = la[e.A];
        }
        if (e.Kind != TDiffLine::TKind::Removed) {
            line.LineB = e.B + 1;
            if (e.Kind == TDiffLine::TKind::Added)
                line.Text = lb[e.B];
        }
        diff.Lines.push_back(std::move(line));
    }
    return diff;
}

TLineDiff DiffFiles(const QString& a, const QString& b, int context)
{
    QByteArray texts[2];
    const QString paths[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
        QFile file;
        if (!platform::OpenRegularFile(paths[i], file) || file.size() > kMaxDiffBytes)
            return {};
        texts[i] = file.read(kMaxDiffBytes + 1);
        if (texts[i].size() > kMaxDiffBytes)
            return {};
    }
    return DiffLines(texts[0], texts[1], context);
}
