// Two real folder trees with every kind of difference: the comparison's states, the
// user's choices carried out (the trees then compared by `diff -r`), a cancelled run,
// and entries changed after the comparison.
#include "SyncTestSupport.h"
#include "platform/FileOpsFaults.h"
#include "support/TempDir.h"
#include "sync/SyncRun.h"
#include "sync/SyncSession.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <map>

namespace
{

constexpr qint64 kBase = 1'700'000'000; // seconds since 1970

void SetTime(const QString& path, qint64 seconds, int ms = 0)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << qPrintable(path);
    ASSERT_TRUE(file.setFileTime(QDateTime::fromMSecsSinceEpoch(seconds * 1000 + ms),
                                 QFileDevice::FileModificationTime));
}

QString Put(const TempDir& dir, const QString& rel, const QByteArray& data, qint64 seconds,
            int ms = 0)
{
    const QString path = dir.write(rel, data);
    SetTime(path, seconds, ms);
    return path;
}

std::map<QString, TSyncRow> ByPath(const std::vector<TSyncRow>& rows)
{
    std::map<QString, TSyncRow> map;
    for (const TSyncRow& row : rows)
        map[QString::fromUtf8(row.Path)] = row;
    return map;
}

class SyncTest : public ::testing::Test
{
protected:
    // Builds both trees with one entry of each kind of difference.
    void SetUp() override
    {
        Put(left, "only-left.txt", "left alone", kBase);
        Put(right, "only-right.txt", "right alone", kBase);
        Put(left, "new-folder/a.txt", "a", kBase);
        Put(left, "new-folder/deep/b.txt", "bb", kBase);
        Put(right, "old-folder/c.txt", "ccc", kBase);
        Put(left, "newer-left.txt", "new text", kBase + 100);
        Put(right, "newer-left.txt", "old", kBase);
        Put(left, "sub/newer-right.txt", "old", kBase);
        Put(right, "sub/newer-right.txt", "new text", kBase + 100);
        Put(left, "same-date.txt", "12345", kBase);
        Put(right, "same-date.txt", "1234567", kBase);
        Put(left, "equal.txt", "same", kBase);
        Put(right, "equal.txt", "same", kBase);
        // Within the tolerance: a FAT copy's time, rounded up to even seconds.
        Put(left, "sub/fat.txt", "fat", kBase + 1, 300);
        Put(right, "sub/fat.txt", "fat", kBase + 2);
        // Same size and date, other bytes: only a comparison by content tells.
        Put(left, "hidden-change.txt", "abcd", kBase);
        Put(right, "hidden-change.txt", "abXd", kBase);
        Put(left, "kind", "a file", kBase);
        right.write("kind/inside.txt", "in a folder");
    }

    QString L() const { return left.path(); }
    QString R() const { return right.path(); }

    TempDir left, right;
};

TEST_F(SyncTest, TreesCompareWithEveryState)
{
    std::map<QString, TSyncRow> rows = ByPath(CompareFolders(L(), R(), {}));
    using S = TSyncState;
    const std::map<QString, S> expected = {
        {"only-left.txt", S::OnlyLeft},
        {"only-right.txt", S::OnlyRight},
        {"new-folder", S::OnlyLeft},
        {"old-folder", S::OnlyRight},
        {"newer-left.txt", S::NewerLeft},
        {"sub/newer-right.txt", S::NewerRight},
        {"same-date.txt", S::SameDateDifferent},
        {"equal.txt", S::Equal},
        {"sub/fat.txt", S::Equal},
        {"hidden-change.txt", S::Equal},
        {"kind", S::KindDiffers},
    };
    ASSERT_EQ(rows.size(), expected.size());
    for (const auto& [path, state] : expected) {
        ASSERT_TRUE(rows.count(path)) << qPrintable(path);
        EXPECT_EQ(StateText(rows[path].State), StateText(state)) << qPrintable(path);
    }
    // An only-left folder is one row with what it holds; defaults never delete.
    EXPECT_EQ(rows["new-folder"].Left.Files, 2);
    EXPECT_EQ(rows["new-folder"].Left.Bytes, 3);
    EXPECT_EQ(rows["only-right.txt"].Action, TSyncAction::CopyLeft);
    EXPECT_EQ(rows["newer-left.txt"].Action, TSyncAction::CopyRight);
    EXPECT_EQ(rows["same-date.txt"].Action, TSyncAction::Leave);
    EXPECT_FALSE(ActionAllowed(rows["kind"], TSyncAction::CopyRight));
    EXPECT_FALSE(ActionAllowed(rows["newer-left.txt"], TSyncAction::Delete));

    // By content, the hidden change shows; with dates ignored, so does nothing else new.
    TSyncOptions content;
    content.ByContent = true;
    rows = ByPath(CompareFolders(L(), R(), content));
    EXPECT_EQ(rows["hidden-change.txt"].State, S::SameDateDifferent);
    EXPECT_EQ(rows["equal.txt"].State, S::Equal);
    TSyncOptions noDates;
    noDates.IgnoreDates = true;
    SetTime(right("equal.txt"), kBase + 500);
    rows = ByPath(CompareFolders(L(), R(), noDates));
    EXPECT_EQ(rows["equal.txt"].State, S::Equal);
    EXPECT_EQ(ByPath(CompareFolders(L(), R(), {}))["equal.txt"].State, S::NewerRight);

    // A folder that cannot be read on one side is one row, left alone, and what the
    // other side holds below it is not offered for copying or deleting.
    const auto previous =
        platform::SetFileOpsFaultHook([this](platform::TFileOpsStep step, const QString& path) {
            return step == platform::TFileOpsStep::OpenDirectory && path == left("sub") ? EACCES
                                                                                        : 0;
        });
    QStringList problems;
    rows = ByPath(CompareFolders(L(), R(), {}, nullptr, &problems));
    platform::SetFileOpsFaultHook(previous);
    EXPECT_EQ(rows["sub"].State, S::Unreadable);
    EXPECT_FALSE(rows.count("sub/newer-right.txt"));
    EXPECT_FALSE(ActionAllowed(rows["sub"], TSyncAction::Delete));
    EXPECT_EQ(rows["sub"].Action, TSyncAction::Leave);
    EXPECT_EQ(problems.size(), 1);

    // Without subfolders, only the folders' own entries.
    TSyncOptions flat;
    flat.Subfolders = false;
    rows = ByPath(CompareFolders(L(), R(), flat));
    EXPECT_FALSE(rows.count("sub/fat.txt"));
    EXPECT_TRUE(rows.count("new-folder"));
}

TEST_F(SyncTest, ChosenActionsLeaveTheTreesAsChosen)
{
    std::vector<TSyncRow> rows = CompareFolders(L(), R(), {});
    for (TSyncRow& row : rows) {
        if (row.Path == "old-folder" || row.Path == "only-right.txt")
            row.Action = TSyncAction::Delete; // instead of the default copy ←
        if (row.Path == "same-date.txt")
            row.Action = TSyncAction::CopyLeft; // the right one wins
        if (row.Path == "sub/newer-right.txt")
            row.Action = TSyncAction::Leave; // kept different on purpose
    }
    const TSyncTotals totals = PlanTotals(rows);
    EXPECT_EQ(totals.RowsRight, 3); // only-left, new-folder, newer-left
    EXPECT_EQ(totals.FilesRight, 4);
    EXPECT_EQ(totals.BytesRight, qint64(10 + 3 + 8));
    EXPECT_EQ(totals.RowsLeft, 1);
    EXPECT_EQ(totals.ReplacedLeft, 1);
    EXPECT_EQ(totals.Deletes, 2);
    EXPECT_EQ(totals.DeletesRight, 2);
    platform::TFileOpsProgress progress;
    const TSyncOutcome outcome = RunSync(L(), R(), rows, false, progress);
    EXPECT_TRUE(outcome.Problems.isEmpty()) << qPrintable(outcome.Problems.join('\n'));
    EXPECT_TRUE(outcome.Changed.isEmpty()) << qPrintable(outcome.Changed.join('\n'));
    EXPECT_EQ(outcome.Done, 6);

    // What stays different is exactly what was left: the newer-right file, the file
    // against the folder, and the change only content tells.
    EXPECT_EQ(Diff(L(), R()),
              QStringList({"File L/kind is a regular file while file R/kind is a directory",
                           "Files L/hidden-change.txt and R/hidden-change.txt differ",
                           "Files L/sub/newer-right.txt and R/sub/newer-right.txt differ"}));
    EXPECT_EQ(readAll(left("same-date.txt")), "1234567");
    EXPECT_FALSE(QFile::exists(right("old-folder")));
    EXPECT_FALSE(QFile::exists(right("only-right.txt")));
    EXPECT_EQ(readAll(right("new-folder/deep/b.txt")), "bb");
    // Copies keep their dates, so a second comparison finds them equal.
    const std::map<QString, TSyncRow> again = ByPath(CompareFolders(L(), R(), {}));
    EXPECT_EQ(again.at("newer-left.txt").State, TSyncState::Equal);
    EXPECT_EQ(again.at("new-folder/deep/b.txt").State, TSyncState::Equal);
    // No temporary name is left anywhere.
    for (const QString& name : Entries(L()) + Entries(R()))
        EXPECT_FALSE(name.endsWith(".part")) << qPrintable(name);
}

TEST_F(SyncTest, ReplacedAndDeletedEntriesGoToTheTrash)
{
    TempDir data;
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    std::vector<TSyncRow> rows = CompareFolders(L(), R(), {});
    for (TSyncRow& row : rows)
        if (row.Path == "old-folder")
            row.Action = TSyncAction::Delete;
    platform::TFileOpsProgress progress;
    const TSyncOutcome outcome = RunSync(L(), R(), rows, true, progress);
    if (saved.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", saved);
    EXPECT_TRUE(outcome.Problems.isEmpty()) << qPrintable(outcome.Problems.join('\n'));
    // Only where the trash shares the file system with the trees does it hold them.
    if (!QFile::exists(data("Trash/files")))
        GTEST_SKIP() << "the trash is on another file system";
    EXPECT_EQ(readAll(data("Trash/files/newer-left.txt")), "old");
    EXPECT_EQ(readAll(data("Trash/files/old-folder/c.txt")), "ccc");
    EXPECT_EQ(readAll(right("newer-left.txt")), "new text");
}

// The cancel comes while the second file of a folder being copied is written: neither
// the folder nor any part of it stays, under its name or a temporary one.
TEST_F(SyncTest, CancelledRunLeavesNoPartialEntry)
{
    right.write("big/keep.bin", "keep");
    QByteArray big(24 << 20, 'x'); // two chunks of the copy
    Put(left, "big/data.bin", big, kBase + 100);
    std::vector<TSyncRow> rows = CompareFolders(L(), R(), {});
    const QStringList before = Entries(R());
    for (const char* stopAt : {"b.txt", ""}) {
        platform::TFileOpsProgress progress;
        const auto previous =
            platform::SetFileOpsFaultHook([&](platform::TFileOpsStep step, const QString& path) {
                if (*stopAt ? step == platform::TFileOpsStep::DataWritten && path.contains(stopAt)
                            : step == platform::TFileOpsStep::ChunkCopied)
                    progress.Cancel();
                return 0;
            });
        for (TSyncRow& row : rows)
            row.Action = row.Path == (*stopAt ? "new-folder" : "big/data.bin")
                             ? TSyncAction::CopyRight
                             : TSyncAction::Leave;
        const TSyncOutcome outcome = RunSync(L(), R(), rows, false, progress);
        platform::SetFileOpsFaultHook(previous);
        EXPECT_TRUE(outcome.Cancelled);
        EXPECT_EQ(outcome.Done, 0);
        EXPECT_EQ(Entries(R()), before) << stopAt;
    }
    EXPECT_EQ(readAll(right("big/data.bin")), "");
}

// Entries that changed after the comparison stay as they are now, and are named.
TEST_F(SyncTest, EntryChangedAfterTheComparisonIsNotReplaced)
{
    std::vector<TSyncRow> rows = CompareFolders(L(), R(), {});
    for (TSyncRow& row : rows)
        if (row.Path == "only-right.txt")
            row.Action = TSyncAction::Delete;
    right.write("newer-left.txt", "edited on the right meanwhile");
    Put(left, "sub/newer-right.txt", "edited", kBase); // the target of copy ←
    right.write("only-right.txt", "changed before its delete");
    left.write("only-left.txt", "its source changed");
    right.write("new-folder", "a file took the name");
    platform::TFileOpsProgress progress;
    const TSyncOutcome outcome = RunSync(L(), R(), rows, false, progress);
    QStringList changed = outcome.Changed;
    changed.sort();
    EXPECT_EQ(changed, QStringList({"new-folder", "newer-left.txt", "only-left.txt",
                                    "only-right.txt", "sub/newer-right.txt"}));
    EXPECT_EQ(readAll(right("newer-left.txt")), "edited on the right meanwhile");
    EXPECT_EQ(readAll(left("sub/newer-right.txt")), "edited");
    EXPECT_EQ(readAll(right("only-right.txt")), "changed before its delete");
    EXPECT_FALSE(QFile::exists(right("only-left.txt")));
    EXPECT_EQ(readAll(right("new-folder")), "a file took the name");
    EXPECT_EQ(readAll(left("old-folder/c.txt")), "ccc"); // the rows that had not changed ran
}

// A copy whose bytes on disk are not what was read (a fault of the disk, simulated by
// changing the copy before it is closed) never takes the old file's place.
TEST_F(SyncTest, CopyThatDoesNotReadBackIsNotPutInPlace)
{
    std::vector<TSyncRow> rows = CompareFolders(L(), R(), {});
    for (TSyncRow& row : rows)
        if (row.Path != "newer-left.txt")
            row.Action = TSyncAction::Leave;
    const QString folder = R();
    const auto previous =
        platform::SetFileOpsFaultHook([folder](platform::TFileOpsStep step, const QString&) {
            if (step != platform::TFileOpsStep::DataWritten)
                return 0;
            // The copy being written is the one file under a temporary name.
            for (const QString& name : Entries(folder)) {
                QFile copy(folder + name);
                if (name.endsWith(".part") && copy.open(QIODevice::ReadWrite))
                    copy.write("X");
            }
            return 0;
        });
    platform::TFileOpsProgress progress;
    const TSyncOutcome outcome = RunSync(L(), R(), rows, false, progress);
    platform::SetFileOpsFaultHook(previous);
    EXPECT_EQ(outcome.Done, 0);
    EXPECT_TRUE(outcome.Changed.isEmpty()) << qPrintable(outcome.Changed.join(' '));
    ASSERT_EQ(outcome.Problems.size(), 1);
    EXPECT_TRUE(outcome.Problems[0].contains("does not read back"))
        << qPrintable(outcome.Problems[0]);
    EXPECT_EQ(readAll(right("newer-left.txt")), "old");
    for (const QString& name : Entries(R()))
        EXPECT_FALSE(name.endsWith(".part")) << qPrintable(name);
}

// A folder one of whose files cannot be read is not put in place without it.
TEST_F(SyncTest, FolderNotCopiedWholeIsNotPutInPlace)
{
    std::vector<TSyncRow> rows = CompareFolders(L(), R(), {});
    for (TSyncRow& row : rows)
        if (row.Path != "new-folder")
            row.Action = TSyncAction::Leave;
    const QString unreadable = left("new-folder/deep/b.txt");
    const auto previous = platform::SetFileOpsFaultHook(
        [unreadable](platform::TFileOpsStep step, const QString& path) {
            return step == platform::TFileOpsStep::OpenSource && path == unreadable ? EIO : 0;
        });
    platform::TFileOpsProgress progress;
    const TSyncOutcome outcome = RunSync(L(), R(), rows, false, progress);
    platform::SetFileOpsFaultHook(previous);
    EXPECT_EQ(outcome.Done, 0);
    EXPECT_EQ(outcome.Problems.size(), 2) << qPrintable(outcome.Problems.join('\n'));
    EXPECT_FALSE(QFile::exists(right("new-folder")));
    for (const QString& name : Entries(R()))
        EXPECT_FALSE(name.contains("new-folder")) << qPrintable(name);
}

} // namespace
