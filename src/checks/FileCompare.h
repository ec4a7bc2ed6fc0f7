#pragma once
// Comparing two files by content, and the lines that differ between two texts. No
// widgets.

#include "platform/FileOpsProgress.h"

#include <QByteArray>
#include <QString>
#include <vector>

struct TCompareResult {
    enum class TKind { Equal, Different, Unreadable, Cancelled };
    TKind Kind{TKind::Unreadable};
    qint64 SizeA{0}, SizeB{0};
    // Different: the offset of the first byte that differs (the shorter file's size when
    // one is the other's beginning).
    qint64 FirstDifference{-1};
    QString Problem; // Unreadable: which file, and why
};

// Reads both regular files side by side in blocks of 1 MiB until the first difference;
// the bytes read count into `progress`, whose cancel flag is checked before each block.
// Any thread.
TCompareResult CompareFiles(const QString& a, const QString& b,
                            platform::TFileOpsProgress* progress = nullptr);

// One line of a difference listing.
struct TDiffLine {
    enum class TKind { Same, Removed, Added };
    TKind Kind{TKind::Same};
    int LineA{0}, LineB{0}; // 1-based; 0 where the line is not in that text
    QByteArray Text;        // without its line feed
};

struct TLineDiff {
    // Whether both look like text: no NUL byte in either, neither larger than
    // kMaxDiffBytes.
    bool IsText{false};
    // The texts differ in more lines than a listing is made for: no Lines then, and
    // FirstLine says where they first differ.
    bool TooLarge{false};
    int FirstLine{0};
    // The differing lines with up to `context` same lines around each run of them; runs
    // further apart are separate hunks, each starting with a Same line or after a gap
    // (a jump in LineA or LineB).
    std::vector<TDiffLine> Lines;
};

constexpr qint64 kMaxDiffBytes = qint64(32) << 20;
// The most lines removed and added a listing is computed for.
constexpr int kMaxDiffEdits = 2000;

// The line differences of two texts (the shortest edit script over lines, common lines
// at both ends taken off first). Cost: O((N + M) * D) time for D differing lines, and
// O(D * D) memory, bounded by kMaxDiffEdits.
TLineDiff DiffLines(const QByteArray& a, const QByteArray& b, int context = 3);

// The line differences of the files `a` and `b` (DiffLines), read whole; IsText false
// when either is larger than kMaxDiffBytes or cannot be read. Any thread.
TLineDiff DiffFiles(const QString& a, const QString& b, int context = 3);
