// An archive as the source side of a synchronisation: a ZIP archive (through the ZIP
// library) and a tar.gz (through the read-only archive component) against a folder with
// every kind of difference. The folder ends as chosen, byte for byte; the archive's bytes
// never change; nothing toward the archive is ever allowed; a member that does not come
// out whole is never put in place.
#include "SyncTestSupport.h"
#include "archive/ReadOnlyArchive.h"
#include "support/TempDir.h"
#include "sync/SyncArchiveSources.h"
#include "sync/SyncRun.h"
#include "sync/SyncSession.h"
#include "sync/uSync.h"
#include "zip/ZipArchive.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <map>

namespace
{

constexpr qint64 kBase = 1'700'000'000; // even: ZIP keeps times to 2 s

void SetTime(const QString& path, qint64 seconds)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << qPrintable(path);
    ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(seconds),
                                 QFileDevice::FileModificationTime));
}

void Put(const TempDir& dir, const QString& rel, const QByteArray& data, qint64 seconds)
{
    SetTime(dir.write(rel, data), seconds);
}

bool RunTool(const QString& folder, const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

std::map<QString, TSyncRow> ByPath(const std::vector<TSyncRow>& rows)
{
    std::map<QString, TSyncRow> map;
    for (const TSyncRow& row : rows)
        map[QString::fromUtf8(row.Path)] = row;
    return map;
}

class SyncArchiveTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { TZipArchive::SetLibraryDirectory(QStringLiteral(TRVX_LIB_DIR)); }

    // The tree packed into the archives (below "top/" in the ZIP one), and the folder
    // it is compared with: one entry of each kind of difference.
    void SetUp() override
    {
        Put(source, "top/only-archive.txt", "from the archive", kBase);
        Put(source, "top/new-folder/a.txt", "a", kBase);
        Put(source, "top/new-folder/deep/b.txt", "bb", kBase);
        Put(source, "top/newer-archive.txt", "new text", kBase + 100);
        Put(source, "top/sub/newer-folder.txt", "old", kBase);
        Put(source, "top/same-date.txt", "12345", kBase);
        Put(source, "top/equal.txt", "same", kBase);
        Put(source, "top/kind", "a file", kBase);
        // Same size and date, other bytes: only a comparison by content tells.
        Put(source, "top/hidden-change.txt", "abcd", kBase);
        ASSERT_TRUE(RunTool(source.path(), "zip", {"-q", "-r", archives("pack.zip"), "top"}));
        ASSERT_TRUE(RunTool(source("top"), "tar", {"czf", archives("pack.tar.gz"), "."}));

        Put(folder, "only-folder.txt", "folder alone", kBase);
        Put(folder, "old-folder/c.txt", "ccc", kBase);
        Put(folder, "newer-archive.txt", "old", kBase);
        Put(folder, "sub/newer-folder.txt", "new text", kBase + 100);
        Put(folder, "same-date.txt", "1234567", kBase);
        Put(folder, "equal.txt", "same", kBase);
        folder.write("kind/inside.txt", "in a folder");
        Put(folder, "hidden-change.txt", "abXd", kBase);
    }

    std::shared_ptr<TArchiveSide> Zip(bool left) const
    {
        TZipArchive zip;
        zip.SetZipFilename(archives("pack.zip"));
        return ZipArchiveSide(archives("pack.zip"), "top/", zip.Members(), left);
    }

    std::shared_ptr<TArchiveSide> TarGz(bool left) const
    {
        TReadOnlyArchive tar;
        EXPECT_TRUE(tar.Open(archives("pack.tar.gz")));
        return ReadOnlyArchiveSide(tar, "", left);
    }

    // Compares the archive with the folder, the archive on the side it says.
    std::vector<TSyncRow> Compare(const TArchiveSide& archive, QStringList* problems = nullptr,
                                  TSyncOptions options = {}) const
    {
        return archive.Left ? CompareFolders(archive.Shown, folder.path(), options, nullptr,
                                             problems, &archive)
                            : CompareFolders(folder.path(), archive.Shown, options, nullptr,
                                             problems, &archive);
    }

    TSyncOutcome Synchronise(const TArchiveSide& archive, const std::vector<TSyncRow>& rows,
                             platform::TFileOpsProgress* counted = nullptr) const
    {
        platform::TFileOpsProgress own;
        platform::TFileOpsProgress& progress = counted ? *counted : own;
        const std::shared_ptr<void> held = archive.Hold ? archive.Hold() : nullptr;
        return archive.Left
                   ? RunSync(archive.Shown, folder.path(), rows, false, progress, &archive)
                   : RunSync(folder.path(), archive.Shown, rows, false, progress, &archive);
    }

    // The whole round: the states, nothing allowed toward the archive, the user's choices
    // carried out, the folder as chosen and the archive as it was.
    void SynchroniseFrom(const TArchiveSide& archive, const QString& archiveFile)
    {
        const QByteArray packed = readAll(archiveFile);
        ASSERT_FALSE(packed.isEmpty());
        const bool left = archive.Left;
        const TSyncAction fromArchive = left ? TSyncAction::CopyRight : TSyncAction::CopyLeft;
        const TSyncAction intoArchive = left ? TSyncAction::CopyLeft : TSyncAction::CopyRight;
        QStringList problems;
        std::vector<TSyncRow> rows = Compare(archive, &problems);
        EXPECT_TRUE(problems.isEmpty()) << qPrintable(problems.join('\n'));
        std::map<QString, TSyncRow> byPath = ByPath(rows);
        using S = TSyncState;
        const S archiveOnly = left ? S::OnlyLeft : S::OnlyRight;
        const S folderOnly = left ? S::OnlyRight : S::OnlyLeft;
        const S archiveNewer = left ? S::NewerLeft : S::NewerRight;
        const S folderNewer = left ? S::NewerRight : S::NewerLeft;
        const std::map<QString, S> expected = {
            {"only-archive.txt", archiveOnly},
            {"new-folder", archiveOnly},
            {"only-folder.txt", folderOnly},
            {"old-folder", folderOnly},
            {"newer-archive.txt", archiveNewer},
            {"sub/newer-folder.txt", folderNewer},
            {"same-date.txt", S::SameDateDifferent},
            {"equal.txt", S::Equal},
            {"kind", S::KindDiffers},
            {"hidden-change.txt", S::Equal},
        };
        ASSERT_EQ(byPath.size(), expected.size());
        for (const auto& [path, state] : expected) {
            ASSERT_TRUE(byPath.count(path)) << qPrintable(path);
            EXPECT_EQ(StateText(byPath[path].State), StateText(state)) << qPrintable(path);
        }
        EXPECT_EQ(byPath["new-folder"].Left.Files + byPath["new-folder"].Right.Files, 2);
        // Nothing goes into the archive or out of it by deletion, by default or by choice;
        // what it holds newer or alone comes out by default.
        for (const TSyncRow& row : rows) {
            EXPECT_FALSE(ActionAllowed(row, intoArchive)) << row.Path.constData();
            const bool inArchive = left ? row.Left.Present : row.Right.Present;
            if (inArchive)
                EXPECT_FALSE(ActionAllowed(row, TSyncAction::Delete)) << row.Path.constData();
        }
        EXPECT_EQ(byPath["sub/newer-folder.txt"].Action, TSyncAction::Leave);
        EXPECT_EQ(byPath["newer-archive.txt"].Action, fromArchive);
        EXPECT_EQ(byPath["new-folder"].Action, fromArchive);
        EXPECT_EQ(byPath["only-folder.txt"].Action, TSyncAction::Leave);
        // By content, the folder's files are checked against the members' CRC-32 where the
        // archive gives them (ZIP); a tar.gz is still compared by size and date.
        TSyncOptions content;
        content.ByContent = true;
        std::map<QString, TSyncRow> byContent = ByPath(Compare(archive, &problems, content));
        EXPECT_TRUE(problems.isEmpty()) << qPrintable(problems.join('\n'));
        EXPECT_EQ(byContent["equal.txt"].State, S::Equal);
        EXPECT_EQ(StateText(byContent["hidden-change.txt"].State),
                  StateText(archive.HasCrc ? S::SameDateDifferent : S::Equal));
        EXPECT_EQ(byContent["hidden-change.txt"].Action, TSyncAction::Leave);

        // The user's choices: the folder-only entries deleted, the same-date file taken
        // from the archive; and rows set toward the archive, which the run must refuse.
        for (TSyncRow& row : rows) {
            if (row.Path == "only-folder.txt" || row.Path == "old-folder")
                row.Action = TSyncAction::Delete;
            if (row.Path == "same-date.txt")
                row.Action = fromArchive;
            // Rows that lost what says the archive is read-only: the run itself refuses.
            if (row.Path == "sub/newer-folder.txt" || row.Path == "equal.txt") {
                row.Action = intoArchive;
                row.Left.ReadOnly = row.Right.ReadOnly = false;
            }
        }
        const TSyncOutcome outcome = Synchronise(archive, rows);
        EXPECT_TRUE(outcome.Problems.isEmpty()) << qPrintable(outcome.Problems.join('\n'));
        EXPECT_TRUE(outcome.Changed.isEmpty()) << qPrintable(outcome.Changed.join('\n'));
        EXPECT_EQ(outcome.Done, 6);

        // The folder holds the archive's tree but for what was left: the newer folder
        // file, and the folder facing the archive's file.
        EXPECT_EQ(Diff(source("top") + '/', folder.path()),
                  QStringList({"File L/kind is a regular file while file R/kind is a directory",
                               "Files L/hidden-change.txt and R/hidden-change.txt differ",
                               "Files L/sub/newer-folder.txt and R/sub/newer-folder.txt differ"}));
        EXPECT_EQ(readAll(folder("sub/newer-folder.txt")), "new text");
        EXPECT_EQ(readAll(archiveFile), packed);
        for (const QString& name : Entries(folder.path()))
            EXPECT_FALSE(name.contains(".part")) << qPrintable(name);
        // The copies carry the members' dates: compared again, they are equal.
        byPath = ByPath(Compare(archive));
        EXPECT_EQ(byPath.at("newer-archive.txt").State, S::Equal);
        EXPECT_EQ(byPath.at("new-folder/deep/b.txt").State, S::Equal);
    }

    TempDir source, archives, folder;
};

TEST_F(SyncArchiveTest, ZipArchiveOnTheLeftIsTheSourceOnly)
{
    SynchroniseFrom(*Zip(true), archives("pack.zip"));
}

TEST_F(SyncArchiveTest, TarGzOnTheRightIsTheSourceOnly)
{
    SynchroniseFrom(*TarGz(false), archives("pack.tar.gz"));
}

// An extraction that does not give the member's bytes (a different byte in a ZIP
// member, caught by its CRC-32; a short tar member, caught by its size) never replaces
// the folder's file, and leaves no temporary entry.
TEST_F(SyncArchiveTest, MemberThatDoesNotComeOutWholeIsNotPutInPlace)
{
    for (const bool zip : {true, false}) {
        const std::shared_ptr<TArchiveSide> archive = zip ? Zip(true) : TarGz(true);
        const auto extract = archive->Extract;
        archive->Extract = [extract, zip](const QStringList& names, const QString& into,
                                          platform::TFileOpsProgress& progress) {
            const QStringList lines = extract(names, into, progress);
            QFile file(into + "newer-archive.txt");
            if (file.open(QIODevice::ReadWrite)) {
                if (zip)
                    file.write("X");
                else
                    file.resize(3);
            }
            return lines;
        };
        std::vector<TSyncRow> rows = Compare(*archive);
        for (TSyncRow& row : rows)
            if (row.Path != "newer-archive.txt")
                row.Action = TSyncAction::Leave;
        const TSyncOutcome outcome = Synchronise(*archive, rows);
        EXPECT_EQ(outcome.Done, 0) << zip;
        ASSERT_FALSE(outcome.Problems.isEmpty()) << zip;
        EXPECT_TRUE(outcome.Problems[0].contains("did not come out of the archive whole"))
            << qPrintable(outcome.Problems[0]);
        EXPECT_EQ(readAll(folder("newer-archive.txt")), "old");
        for (const QString& name : Entries(folder.path()))
            EXPECT_FALSE(name.contains(".part")) << qPrintable(name);
    }
}

// The progress window counts the files an extraction writes, up to its total: the
// default actions write four files in three rows.
TEST_F(SyncArchiveTest, ProgressCountsTheFilesWritten)
{
    const std::shared_ptr<TArchiveSide> archives[2] = {Zip(true), TarGz(false)};
    for (const std::shared_ptr<TArchiveSide>& archive : archives) {
        const std::vector<TSyncRow> rows = Compare(*archive);
        platform::TFileOpsProgress progress;
        const TSyncOutcome outcome = Synchronise(*archive, rows, &progress);
        EXPECT_EQ(outcome.Done, 3) << qPrintable(archive->Shown);
        EXPECT_EQ(progress.TotalItems(), 4) << qPrintable(archive->Shown);
        EXPECT_EQ(progress.Items(), 4) << qPrintable(archive->Shown);
        EXPECT_EQ(progress.Bytes(), progress.TotalBytes()) << qPrintable(archive->Shown);
        // Undone for the other archive: what the first run made goes again.
        QDir(folder("new-folder")).removeRecursively();
        QFile::remove(folder("only-archive.txt"));
        Put(folder, "newer-archive.txt", "old", kBase);
    }
}

// A cancel during the extraction of a file (here right after it, the file whole) puts
// nothing in place and leaves no temporary entry; no further row starts.
TEST_F(SyncArchiveTest, CancelledExtractionLeavesNothing)
{
    const std::shared_ptr<TArchiveSide> archive = TarGz(true);
    const auto extract = archive->Extract;
    archive->Extract = [extract](const QStringList& names, const QString& into,
                                 platform::TFileOpsProgress& progress) {
        const QStringList lines = extract(names, into, progress);
        progress.Cancel();
        return lines;
    };
    std::vector<TSyncRow> rows = Compare(*archive);
    for (TSyncRow& row : rows)
        if (row.Path != "newer-archive.txt" && row.Path != "only-archive.txt")
            row.Action = TSyncAction::Leave;
    const QStringList before = Entries(folder.path());
    const TSyncOutcome outcome = Synchronise(*archive, rows);
    EXPECT_TRUE(outcome.Cancelled);
    EXPECT_EQ(outcome.Done, 0);
    EXPECT_EQ(Entries(folder.path()), before);
    EXPECT_EQ(readAll(folder("newer-archive.txt")), "old");
}

// A folder entry that changed after the comparison is neither replaced nor taken.
TEST_F(SyncArchiveTest, EntryChangedAfterTheComparisonIsNotReplaced)
{
    const std::shared_ptr<TArchiveSide> archive = Zip(true);
    const std::vector<TSyncRow> rows = Compare(*archive);
    folder.write("newer-archive.txt", "edited meanwhile");
    folder.write("only-archive.txt", "a file took the name");
    const TSyncOutcome outcome = Synchronise(*archive, rows);
    QStringList changed = outcome.Changed;
    changed.sort();
    EXPECT_EQ(changed, QStringList({"newer-archive.txt", "only-archive.txt"}));
    EXPECT_EQ(readAll(folder("newer-archive.txt")), "edited meanwhile");
    EXPECT_EQ(readAll(folder("only-archive.txt")), "a file took the name");
    EXPECT_EQ(readAll(folder("new-folder/deep/b.txt")), "bb"); // the others ran
    for (const QString& name : Entries(folder.path()))
        EXPECT_FALSE(name.contains(".part")) << qPrintable(name);
}

// The window over an archive never offers a write into it: the copy toward it is off,
// its keys and clicks change nothing toward it; a comparison by content is offered only
// for an archive that gives its members' CRC-32.
TEST_F(SyncArchiveTest, WindowNeverOffersWritesIntoTheArchive)
{
    const std::shared_ptr<TArchiveSide> archive = Zip(false);
    auto* window = new TfSync(nullptr, folder.path(), archive->Shown, true, false, archive);
    QPointer<TfSync> guard(window);
    window->show();
    QTRY_VERIFY_WITH_TIMEOUT(!window->Comparing(), 30000);
    EXPECT_FALSE(window->ButtonAction[int(TSyncAction::CopyRight)]->isEnabled());
    EXPECT_TRUE(window->ButtonAction[int(TSyncAction::CopyLeft)]->isEnabled());
    EXPECT_TRUE(window->CheckByContent->isEnabled());
    {
        TfSync tar(nullptr, folder.path(), archives("pack.tar.gz"), true, false, TarGz(false));
        EXPECT_FALSE(tar.CheckByContent->isEnabled());
    }
    for (int s = 0; s < kSyncStates; ++s)
        window->ShowState[s]->setChecked(true);
    QTreeWidget* list = window->List;
    ASSERT_EQ(list->topLevelItemCount(), 10);
    list->setFocus();
    list->selectAll();
    QTest::keyClick(list, Qt::Key_Right);
    QTest::keyClick(list, '>');
    for (const TSyncRow& row : window->Rows())
        EXPECT_NE(row.Action, TSyncAction::CopyRight) << row.Path.constData();
    QTest::keyClick(list, Qt::Key_Delete); // only the folder's own entries take it
    for (const TSyncRow& row : window->Rows())
        if (row.Right.Present)
            EXPECT_NE(row.Action, TSyncAction::Delete) << row.Path.constData();
    // Clicks on an action step through the allowed ones only.
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QModelIndex action = list->model()->index(i, 3);
        for (int click = 0; click < 4; ++click) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(action).center());
            EXPECT_NE(list->topLevelItem(i)->text(3), "copy →") << i;
        }
    }
    EXPECT_FALSE(window->PlanText().contains("copy →")) << qPrintable(window->PlanText());
    window->close();
    QTRY_VERIFY(guard.isNull());
}

} // namespace
