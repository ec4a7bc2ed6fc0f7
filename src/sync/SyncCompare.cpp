#include "sync/SyncCompare.h"

#include <QHash>
#include <algorithm>

using platform::TFolderScan;
using platform::TScannedEntry;
using platform::TSeenEntry;

namespace
{

bool SameKind(const TSeenEntry& a, const TSeenEntry& b)
{
    return (a.Mode & S_IFMT) == (b.Mode & S_IFMT);
}

// Nanoseconds by which the left entry is newer than the right one.
qint64 NewerBy(const TSyncRow& row)
{
    return (row.Left.Seen.Seconds - row.Right.Seen.Seconds) * 1'000'000'000 +
           (row.Left.Seen.Nanoseconds - row.Right.Seen.Nanoseconds);
}

// Sums the files below the folder at `entries[at]` into `side`; returns the index of the
// first entry after them.
size_t RollUp(const std::vector<TScannedEntry>& entries, size_t at, TSyncSide& side)
{
    const int depth = entries[at].Depth;
    size_t i = at + 1;
    for (; i < entries.size() && entries[i].Depth > depth; ++i) {
        if (!entries[i].Seen.IsFolder()) {
            ++side.Files;
            side.Bytes += entries[i].Seen.Size;
        }
    }
    return i;
}

void Judge(TSyncRow& row, const TSyncOptions& options)
{
    if (row.Left.Unread || row.Right.Unread) {
        row.State = TSyncState::Unreadable;
    } else if (!row.Right.Present) {
        row.State = TSyncState::OnlyLeft;
    } else if (!row.Left.Present) {
        row.State = TSyncState::OnlyRight;
    } else if (!SameKind(row.Left.Seen, row.Right.Seen)) {
        row.State = TSyncState::KindDiffers;
    } else {
        const bool sameSize = row.Left.Seen.Size == row.Right.Seen.Size;
        const bool sameDate = std::abs(NewerBy(row)) <= options.ToleranceNs;
        if (options.ByContent && sameSize && row.Left.Seen.IsFile()) {
            row.NeedsContent = true;
            row.State = TSyncState::Equal; // until the content says otherwise
        } else if (sameSize && (sameDate || options.IgnoreDates)) {
            row.State = TSyncState::Equal;
        } else {
            row.State = DifferingState(row, options);
        }
    }
    row.Action = DefaultActionOf(row);
}

// A new row with what the options say of its sides.
TSyncRow NewRow(const QByteArray& path, const TSyncOptions& options)
{
    TSyncRow row;
    row.Path = path;
    row.Left.ReadOnly = options.LeftReadOnly;
    row.Right.ReadOnly = options.RightReadOnly;
    return row;
}

void Take(TSyncSide& side, const TScannedEntry& entry)
{
    side.Present = true;
    side.Seen = entry.Seen;
    side.Unread = entry.Unread;
}

} // namespace

TSyncState DifferingState(const TSyncRow& row, const TSyncOptions& options)
{
    const qint64 by = NewerBy(row);
    if (by > options.ToleranceNs)
        return TSyncState::NewerLeft;
    if (by < -options.ToleranceNs)
        return TSyncState::NewerRight;
    return TSyncState::SameDateDifferent;
}

std::vector<TSyncRow> CompareScans(const TFolderScan& left, const TFolderScan& right,
                                   const TSyncOptions& options)
{
    const std::vector<TScannedEntry>& l = left.Entries;
    const std::vector<TScannedEntry>& r = right.Entries;
    QHash<QByteArray, int> rightIndex;
    rightIndex.reserve(qsizetype(r.size()));
    for (size_t i = 0; i < r.size(); ++i)
        rightIndex.insert(r[i].Path, int(i));
    std::vector<bool> matched(r.size(), false);
    std::vector<TSyncRow> rows;
    rows.reserve(std::max(l.size(), r.size()));

    for (size_t i = 0; i < l.size();) {
        TSyncRow row = NewRow(l[i].Path, options);
        Take(row.Left, l[i]);
        const auto found = rightIndex.constFind(l[i].Path);
        size_t next = i + 1;
        if (found != rightIndex.cend()) {
            const size_t j = size_t(*found);
            matched[j] = true;
            Take(row.Right, r[j]);
            const bool unread = row.Left.Unread || row.Right.Unread;
            if (row.Left.IsFolder() && row.Right.IsFolder() && !unread) {
                ++i; // both folders: what they hold has rows of its own
                continue;
            }
            if (row.Right.IsFolder()) // facing a file or unread: what it holds is in this row
                std::fill(matched.begin() + qsizetype(j),
                          matched.begin() + qsizetype(RollUp(r, j, row.Right)), true);
        }
        if (row.Left.IsFolder())
            next = RollUp(l, i, row.Left);
        Judge(row, options);
        rows.push_back(std::move(row));
        i = next;
    }
    for (size_t j = 0; j < r.size();) {
        if (matched[j]) {
            ++j;
            continue;
        }
        TSyncRow row = NewRow(r[j].Path, options);
        Take(row.Right, r[j]);
        const size_t next = row.Right.IsFolder() ? RollUp(r, j, row.Right) : j + 1;
        Judge(row, options);
        rows.push_back(std::move(row));
        j = next;
    }
    // In path order; the rows' indexes are sorted, so each row moves once.
    std::vector<quint32> order(rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = quint32(i);
    std::sort(order.begin(), order.end(),
              [&](quint32 a, quint32 b) { return rows[a].Path < rows[b].Path; });
    std::vector<TSyncRow> sorted;
    sorted.reserve(rows.size());
    for (const quint32 i : order)
        sorted.push_back(std::move(rows[i]));
    return sorted;
}

TSyncAction DefaultAction(TSyncState state)
{
    switch (state) {
    case TSyncState::OnlyLeft:
    case TSyncState::NewerLeft:
        return TSyncAction::CopyRight;
    case TSyncState::OnlyRight:
    case TSyncState::NewerRight:
        return TSyncAction::CopyLeft;
    default:
        return TSyncAction::Leave;
    }
}

TSyncAction DefaultActionOf(const TSyncRow& row)
{
    const TSyncAction action = DefaultAction(row.State);
    return ActionAllowed(row, action) ? action : TSyncAction::Leave;
}

bool ActionAllowed(const TSyncRow& row, TSyncAction action)
{
    if (action == TSyncAction::Leave)
        return true;
    if (row.State == TSyncState::KindDiffers || row.State == TSyncState::Equal ||
        row.State == TSyncState::Unreadable)
        return false;
    switch (action) {
    case TSyncAction::CopyRight:
        return row.Left.Present && !row.Right.ReadOnly;
    case TSyncAction::CopyLeft:
        return row.Right.Present && !row.Left.ReadOnly;
    case TSyncAction::Delete:
        return row.Left.Present != row.Right.Present &&
               !(row.Left.Present ? row.Left.ReadOnly : row.Right.ReadOnly);
    default:
        return true;
    }
}

TSyncTotals PlanTotals(const std::vector<TSyncRow>& rows)
{
    TSyncTotals t;
    for (const TSyncRow& row : rows) {
        switch (row.Action) {
        case TSyncAction::Leave:
            ++t.Unchanged;
            break;
        case TSyncAction::CopyRight:
            ++t.RowsRight;
            t.FilesRight += row.Left.CopyFiles();
            t.BytesRight += row.Left.CopyBytes();
            t.ReplacedRight += row.Right.Present ? 1 : 0;
            break;
        case TSyncAction::CopyLeft:
            ++t.RowsLeft;
            t.FilesLeft += row.Right.CopyFiles();
            t.BytesLeft += row.Right.CopyBytes();
            t.ReplacedLeft += row.Left.Present ? 1 : 0;
            break;
        case TSyncAction::Delete:
            ++t.Deletes;
            ++(row.Left.Present ? t.DeletesLeft : t.DeletesRight);
            t.DeletedBytes += (row.Left.Present ? row.Left : row.Right).CopyBytes();
            break;
        }
    }
    return t;
}

QString StateText(TSyncState state)
{
    switch (state) {
    case TSyncState::OnlyLeft:
        return QStringLiteral("only left");
    case TSyncState::OnlyRight:
        return QStringLiteral("only right");
    case TSyncState::NewerLeft:
        return QStringLiteral("newer left");
    case TSyncState::NewerRight:
        return QStringLiteral("newer right");
    case TSyncState::SameDateDifferent:
        return QStringLiteral("same date, different");
    case TSyncState::Equal:
        return QStringLiteral("equal");
    case TSyncState::KindDiffers:
        return QStringLiteral("file against folder or link");
    case TSyncState::Unreadable:
        return QStringLiteral("cannot be read");
    }
    return {};
}

QString ActionText(TSyncAction action)
{
    switch (action) {
    case TSyncAction::Leave:
        return QStringLiteral("leave");
    case TSyncAction::CopyRight:
        return QStringLiteral("copy →");
    case TSyncAction::CopyLeft:
        return QStringLiteral("copy ←");
    case TSyncAction::Delete:
        return QStringLiteral("delete");
    }
    return {};
}
