#pragma once
// Walks over one entry and everything below it, on directory descriptors, never
// following links: removal for good and the totals of a copy.

#include "platform/FileOpsProgress.h"
#include "transfer/FileOpsSupport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>

namespace platform
{

// Removes the entry `name` of the open directory `dir` with everything below it.
// Each entry that cannot be removed is reported once; the folders holding it are then
// kept without a further message. `path` names the entry in messages; `removed` counts
// the entries removed, and so does `progress` (may be null), whose cancel stops the walk
// before the next entry, keeping what is left without a message. True when the entry is
// gone.
bool RemoveTree(int dir, const QByteArray& name, const QString& path, TFileOpsReport& report,
                int& removed, TFileOpsProgress* progress = nullptr);

// Counts the entries and file bytes of `paths` (each with everything below it, links
// not followed) and sets them as the totals of `progress`. Stops early, setting nothing,
// once `stop` is set or `progress` is cancelled. Cost: one stat per entry.
void CountTrees(const QStringList& paths, TFileOpsProgress& progress,
                const std::atomic<bool>& stop);

// What lies below some folders: the files (anything but a folder, links not followed)
// and their bytes. `Complete` is false when the walk stopped at its bound or a folder
// or entry could not be read: there is at least that much.
struct TTreeMeasure {
    qint64 Files{0};
    qint64 Bytes{0};
    bool Complete{true};
};

// Measures everything below `folders` (links not followed), stopping once `maxEntries`
// entries were looked at or `maxMs` milliseconds passed, so a huge tree costs a bounded
// wait. Cost: one stat per entry.
TTreeMeasure MeasureTrees(const QStringList& folders, qint64 maxEntries, qint64 maxMs);

} // namespace platform
