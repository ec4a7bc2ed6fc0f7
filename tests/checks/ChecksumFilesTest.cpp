// Checksum files made here and by the GNU tools, both ways: the tools check ours, we
// check theirs (also their BSD style, the binary marker and escaped names), and the
// judgments match "sha256sum -c": a changed file is FAILED, a missing one missing.
#include "checks/ChecksumCreate.h"
#include "checks/ChecksumVerify.h"
#include "platform/FileOpsFaults.h"
#include "support/TempDir.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace
{

struct TTool {
    TDigestKind Kind;
    const char* Program;
};
constexpr TTool kTools[] = {{TDigestKind::Sha256, "sha256sum"},
                            {TDigestKind::Sha1, "sha1sum"},
                            {TDigestKind::Md5, "md5sum"},
                            {TDigestKind::Blake2b, "b2sum"}};

// The awkward names: a space, a backslash, a line feed; and a file in a folder.
void WriteFiles(const TempDir& dir)
{
    dir.write("data/with space.txt", "space\n");
    dir.write("data/back\\slash", "backslash");
    dir.write("data/new\nline", "line feed");
    dir.write("data/sub/deep.bin", QByteArray(3 << 20, 'x') + "end");
}

struct TRun {
    int Exit{-1};
    QByteArray Out;
};

TRun RunTool(const QString& folder, const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput() + process.readAllStandardError()};
}

// Runs the check to its end and returns its rows.
std::vector<TCheckRow> Verify(TChecksumVerify& verify)
{
    std::vector<TCheckRow> rows;
    const QDeadlineTimer deadline(60000);
    while (!verify.Finished() && !deadline.hasExpired())
        QThread::msleep(5);
    EXPECT_TRUE(verify.Finished());
    for (TCheckRow& row : verify.TakeRows())
        rows.push_back(std::move(row));
    return rows;
}

TChecksumPlan Hash(const TempDir& dir, TDigestKind kind, bool perFile, const QString& name = {})
{
    TChecksumRequest request{
        dir("data/"), {"with space.txt", "back\\slash", "new\nline", "sub"}, kind, perFile, name};
    platform::TFileOpsProgress progress;
    return HashForChecksums(request, progress);
}

void Write(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

TEST(ChecksumFilesTest, FilesWrittenHereAreCheckedByTheTools)
{
    TempDir dir;
    WriteFiles(dir);
    for (const TTool& tool : kTools) {
        const QString ext = QString::fromLatin1(DigestInfo(tool.Kind).Extension);
        const TChecksumPlan all = Hash(dir, tool.Kind, false, "ALL." + ext);
        ASSERT_EQ(all.Targets.size(), 1u) << tool.Program;
        EXPECT_TRUE(all.Problems.isEmpty());
        EXPECT_EQ(all.Targets[0].Files, 4);
        Write(all.Targets[0].Path, all.Targets[0].Text);
        const TRun run = RunTool(dir("data"), tool.Program, {"--strict", "-c", "ALL." + ext});
        EXPECT_EQ(run.Exit, 0) << tool.Program << ": " << run.Out.toStdString();
        EXPECT_EQ(run.Out.count(": OK\n"), 4) << run.Out.toStdString();
        // The tool itself writes the same lines for the same names.
        const TRun own = RunTool(dir("data"), tool.Program,
                                 {"with space.txt", "back\\slash", "new\nline", "sub/deep.bin"});
        EXPECT_EQ(own.Out, all.Targets[0].Text) << tool.Program;

        // One file per file: each checksum file lies beside its file and names it bare.
        const TChecksumPlan each = Hash(dir, tool.Kind, true);
        ASSERT_EQ(each.Targets.size(), 4u);
        EXPECT_EQ(each.Targets[3].Path, dir("data/sub/deep.bin.") + ext);
        for (const TChecksumTarget& target : each.Targets) {
            Write(target.Path, target.Text);
            const QString folder = target.Path.left(target.Path.lastIndexOf('/'));
            const TRun one = RunTool(folder, tool.Program, {"--strict", "-c", target.Path});
            EXPECT_EQ(one.Exit, 0) << one.Out.toStdString();
            QFile::remove(target.Path);
        }
    }
}

TEST(ChecksumFilesTest, FilesWrittenByTheToolsAreCheckedHereAsTheToolsJudge)
{
    TempDir dir;
    WriteFiles(dir);
    const QStringList names{"with space.txt", "back\\slash", "new\nline", "sub/deep.bin"};
    for (const TTool& tool : kTools) {
        const QString program = QString::fromLatin1(tool.Program);
        // Plain, binary-marked and BSD-style lines; the extension or the digest's length
        // gives the algorithm.
        const TRun plain = RunTool(dir("data"), program, names);
        const TRun binary = RunTool(dir("data"), program, QStringList{"-b"} + names);
        const TRun tagged = RunTool(dir("data"), program, QStringList{"--tag"} + names);
        ASSERT_EQ(plain.Exit, 0);
        ASSERT_TRUE(binary.Out.contains(" *with space.txt"));
        const QString ext = QString::fromLatin1(DigestInfo(tool.Kind).Extension);
        Write(dir("data/plain." + ext), plain.Out);
        Write(dir("data/binary.list"), binary.Out);
        Write(dir("data/tagged.txt"), tagged.Out);
        for (const QString& list :
             {"plain." + ext, QString("binary.list"), QString("tagged.txt")}) {
            if (tool.Kind == TDigestKind::Blake2b && list == "binary.list")
                continue; // 128 digits are BLAKE2b's alone; checked with the others below
            TChecksumVerify verify(dir("data/" + list));
            const std::vector<TCheckRow> rows = Verify(verify);
            ASSERT_EQ(rows.size(), 4u) << program.toStdString() << " " << list.toStdString();
            EXPECT_EQ(rows[2].Name, "new\nline");
            for (const TCheckRow& row : rows)
                EXPECT_EQ(row.Result, TCheckResult::Ok) << row.Name.toStdString();
            EXPECT_EQ(verify.Totals().BadLines, 0);
            EXPECT_TRUE(verify.Problem().isEmpty());
        }
    }

    // A changed file is FAILED and a missing one missing, as sha256sum -c says; a line
    // that is no checksum line is counted, and a comment is not.
    const TRun sums = RunTool(dir("data"), "sha256sum", names);
    Write(dir("data/SHA256SUMS"), "# made by sha256sum\n" + sums.Out + "no checksum here\n");
    Write(dir("data/with space.txt"), "changed\n");
    ASSERT_TRUE(QFile::remove(dir("data/back\\slash")));
    const TRun tool = RunTool(dir("data"), "sha256sum", {"-c", "SHA256SUMS"});
    EXPECT_TRUE(tool.Out.contains("with space.txt: FAILED\n")) << tool.Out.toStdString();
    EXPECT_TRUE(tool.Out.contains("1 line is improperly formatted")) << tool.Out.toStdString();
    TChecksumVerify verify(dir("data/SHA256SUMS"));
    const std::vector<TCheckRow> rows = Verify(verify);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].Result, TCheckResult::Failed);
    EXPECT_EQ(rows[1].Result, TCheckResult::Missing);
    EXPECT_EQ(rows[2].Result, TCheckResult::Ok);
    EXPECT_EQ(rows[3].Result, TCheckResult::Ok);
    const TCheckTotals totals = verify.Totals();
    EXPECT_EQ(totals.Ok, 2);
    EXPECT_EQ(totals.Failed, 1);
    EXPECT_EQ(totals.Missing, 1);
    EXPECT_EQ(totals.BadLines, 1);
}

TEST(ChecksumFilesTest, AnUnreadableFileIsReportedAndACancelMakesNothing)
{
    TempDir dir;
    WriteFiles(dir);
    const TRun sums = RunTool(dir("data"), "md5sum",
                              {"with space.txt", "back\\slash", "new\nline", "sub/deep.bin"});
    Write(dir("data/MD5SUMS"), sums.Out);
    const auto previous =
        platform::SetFileOpsFaultHook([](platform::TFileOpsStep step, const QString& path) {
            return step == platform::TFileOpsStep::FileBlockRead && path.endsWith("new\nline") ? EIO
                                                                                               : 0;
        });
    TChecksumVerify verify(dir("data/MD5SUMS"));
    const std::vector<TCheckRow> rows = Verify(verify);
    platform::SetFileOpsFaultHook(previous);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[2].Result, TCheckResult::Unreadable);
    EXPECT_EQ(verify.Totals().Unreadable, 1);

    platform::TFileOpsProgress progress;
    progress.Cancel();
    const TChecksumPlan plan = HashForChecksums(
        {dir("data/"), {"with space.txt", "sub"}, TDigestKind::Sha256, false, "x.sha256"},
        progress);
    EXPECT_TRUE(plan.Cancelled);
    EXPECT_TRUE(plan.Targets.empty());
    // A file's digest stops at its next block.
    EXPECT_EQ(DigestFile(dir("data/sub/deep.bin"), TDigestKind::Sha256, &progress).Result,
              TDigestResult::Cancelled);
}

TEST(ChecksumFilesTest, TheAlgorithmComesFromTheNameOrTheDigestLength)
{
    EXPECT_EQ(DigestKindOfName("/x/SHA256SUMS"), TDigestKind::Sha256);
    EXPECT_EQ(DigestKindOfName("/x/a.iso.md5"), TDigestKind::Md5);
    EXPECT_EQ(DigestKindOfName("/x/B2SUMS"), TDigestKind::Blake2b);
    EXPECT_EQ(DigestKindOfName("/x/a.sha1sum"), TDigestKind::Sha1);
    EXPECT_EQ(DigestKindOfName("/x/notes.txt"), std::nullopt);
    const QByteArray md5 = DigestBytes("abc", TDigestKind::Md5);
    const TChecksumList list = ParseChecksums(
        md5 + "  a\n" + DigestBytes("abc", TDigestKind::Sha256) + "  b\n\\" + md5 + "  c\\qd\n",
        std::nullopt);
    ASSERT_EQ(list.Entries.size(), 1u); // the first line's length decides: MD5
    EXPECT_EQ(list.Entries[0].Name, "a");
    EXPECT_EQ(list.BadLines, 2); // another length, and an unknown escape
    EXPECT_EQ(DefaultChecksumName("/home/u/iso/", {"a.iso"}, TDigestKind::Sha256), "a.iso.sha256");
    EXPECT_EQ(DefaultChecksumName("/home/u/iso/", {"a", "b"}, TDigestKind::Md5), "iso.md5");
}
