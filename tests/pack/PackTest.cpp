// Archives packed here, opened by the tools a user would use (tar, bsdtar, 7z, unzip) and
// compared with the originals byte for byte (diff -r, links as links); an encrypted ZIP
// opens with its password only; a move removes only what the archive verifiably holds; a
// cancel, a failure or a taken name leaves no file behind.
#include "pack/Pack.h"
#include "platform/FileOpsFaults.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <random>

namespace
{

struct TRun {
    int Exit{-1};
    QByteArray Out;
};

TRun RunTool(const QString& folder, const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput() + process.readAllStandardError()};
}

QByteArray Random(int size, unsigned seed)
{
    std::mt19937 random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(random());
    return bytes;
}

// The tree packed: text, random bytes, an empty file, an empty folder, links to a file
// inside and outside, a name with a space, a few levels deep.
// 7z refuses to make a link that leads out of the folder it extracts to; the other tools
// make it as it is stored.
void WriteTree(const TempDir& dir, bool outsideLink = true)
{
    dir.write("src/tree/readme.txt", QByteArray("hello, archive\n").repeated(2000));
    dir.write("src/tree/bin/noise.bin", Random(300000, 1));
    dir.write("src/tree/bin/empty", {});
    dir.write("src/tree/a b/c d.txt", "spaced");
    dir.mkdir("src/tree/empty folder");
    QFile::link(QStringLiteral("readme.txt"), dir("src/tree/link"));
    // A link that leads out of the packed folder is stored as the link, never followed.
    dir.write("src/outside.txt", "outside");
    if (outsideLink)
        QFile::link(QStringLiteral("../outside.txt"), dir("src/tree/out-link"));
    dir.write("src/single.txt", "one file\n");
}

TPackResult PackInto(const TempDir& dir, const QStringList& items, const QString& name,
                     TPackFormat format, const QByteArray& password = {}, bool move = false)
{
    dir.mkdir("out");
    TPackRequest request{
        dir("src/"), items, dir("out/") + name, format, PackFormatInfo(format).DefaultLevel,
        password,    move};
    platform::TFileOpsProgress progress;
    return Pack(request, progress);
}

// Extracts `archive` with `program` into a fresh folder and returns it.
QString Extract(const TempDir& dir, const QString& program, const QStringList& arguments,
                const QString& into)
{
    const QString folder = dir.mkdir(into);
    const TRun run = RunTool(folder, program, arguments);
    EXPECT_EQ(run.Exit, 0) << program.toStdString() << ": " << run.Out.toStdString();
    return folder;
}

void ExpectSameTree(const QString& a, const QString& b)
{
    const TRun diff =
        RunTool(QDir::rootPath(), QStringLiteral("diff"), {"-r", "--no-dereference", a, b});
    EXPECT_EQ(diff.Exit, 0) << diff.Out.toStdString();
}

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

struct TReader {
    TPackFormat Format;
    const char* Name;
    const char* Program;
    QStringList Arguments; // %1: the archive
};

} // namespace

TEST(PackTest, EveryFormatIsReadBackByTheToolsByteForByte)
{
    const std::vector<TReader> readers = {
        {TPackFormat::Zip, "t.zip", "unzip", {"-q", "%1"}},
        {TPackFormat::Zip, "t.zip", "7z", {"x", "-y", "%1"}},
        {TPackFormat::Zip, "t.zip", "bsdtar", {"-xf", "%1"}},
        {TPackFormat::Tar, "t.tar", "tar", {"-xf", "%1"}},
        {TPackFormat::TarGz, "t.tar.gz", "tar", {"-xzf", "%1"}},
        {TPackFormat::TarBz2, "t.tar.bz2", "tar", {"-xjf", "%1"}},
        {TPackFormat::TarXz, "t.tar.xz", "tar", {"-xJf", "%1"}},
        {TPackFormat::TarZst, "t.tar.zst", "tar", {"--zstd", "-xf", "%1"}},
        {TPackFormat::TarZst, "t.tar.zst", "bsdtar", {"-xf", "%1"}},
        {TPackFormat::SevenZip, "t.7z", "7z", {"x", "-y", "%1"}},
        {TPackFormat::SevenZip, "t.7z", "bsdtar", {"-xf", "%1"}},
    };
    int n = 0;
    for (const TReader& reader : readers) {
        SCOPED_TRACE(std::string(reader.Name) + " by " + reader.Program);
        TempDir dir;
        WriteTree(dir, QLatin1String(reader.Program) != QLatin1String("7z"));
        const TPackResult result =
            PackInto(dir, {"tree", "single.txt"}, QString::fromLatin1(reader.Name), reader.Format);
        ASSERT_EQ(result.Outcome, TPackResult::TOutcome::Done)
            << result.Problems.join('\n').toStdString();
        EXPECT_TRUE(result.Problems.isEmpty()) << result.Problems.join('\n').toStdString();
        // Only the archive in the target folder: no temporary file left.
        EXPECT_EQ(FilesIn(dir("out")), QStringList{QString::fromLatin1(reader.Name)});
        QStringList arguments = reader.Arguments;
        arguments.replaceInStrings(QStringLiteral("%1"), dir("out/") + reader.Name);
        const QString folder = Extract(dir, QString::fromLatin1(reader.Program), arguments,
                                       QStringLiteral("x%1").arg(n++));
        ExpectSameTree(dir("src/tree"), folder + "tree");
        EXPECT_EQ(readAll(folder + "single.txt"), readAll(dir("src/single.txt")));
        EXPECT_EQ(FilesIn(folder), (QStringList{"single.txt", "tree"}));
    }
}

TEST(PackTest, EncryptedZipOpensWithItsPasswordOnly)
{
    TempDir dir;
    WriteTree(dir, false);
    const TPackResult result =
        PackInto(dir, {"tree"}, QStringLiteral("secret.zip"), TPackFormat::Zip, "s3cret pass");
    ASSERT_EQ(result.Outcome, TPackResult::TOutcome::Done)
        << result.Problems.join('\n').toStdString();
    const QString archive = dir("out/secret.zip");
    const TRun list = RunTool(dir.path(), QStringLiteral("7z"), {"l", "-slt", archive});
    EXPECT_TRUE(list.Out.contains("AES-256")) << list.Out.toStdString();

    const QString wrong = dir.mkdir("wrong");
    EXPECT_NE(RunTool(wrong, QStringLiteral("7z"), {"x", "-y", "-pnot it", archive}).Exit, 0);
    const QString plain = dir.mkdir("plain");
    EXPECT_NE(RunTool(plain, QStringLiteral("7z"), {"x", "-y", "-p", archive}).Exit, 0);

    const QString right = Extract(dir, QStringLiteral("7z"), {"x", "-y", "-ps3cret pass", archive},
                                  QStringLiteral("right"));
    ExpectSameTree(dir("src/tree"), right + "tree");
}

TEST(PackTest, MoveRemovesTheOriginalsOnlyWhereTheArchiveHoldsThemEqual)
{
    for (const TPackFormat format : {TPackFormat::TarZst, TPackFormat::Zip}) {
        SCOPED_TRACE(PackFormatInfo(format).Label);
        TempDir dir;
        WriteTree(dir);
        // A copy of what is moved, to compare the archive's contents with afterwards.
        ASSERT_EQ(RunTool(dir.path(), QStringLiteral("cp"), {"-a", "src", "saved"}).Exit, 0);
        const QString name = QStringLiteral("moved") + PackFormatInfo(format).Extension;
        const TPackResult result = PackInto(dir, {"tree", "single.txt"}, name, format, {}, true);
        ASSERT_EQ(result.Outcome, TPackResult::TOutcome::Done);
        EXPECT_TRUE(result.Problems.isEmpty()) << result.Problems.join('\n').toStdString();
        EXPECT_EQ(result.Kept, 0);
        EXPECT_EQ(FilesIn(dir("src")), QStringList{"outside.txt"});
        const QString out = Extract(dir, QStringLiteral("bsdtar"), {"-xf", dir("out/") + name},
                                    QStringLiteral("x"));
        ExpectSameTree(dir("saved/tree"), out + "tree");
        EXPECT_EQ(readAll(out + "single.txt"), readAll(dir("saved/single.txt")));
    }
}

TEST(PackTest, MoveKeepsAnOriginalWhoseMemberDiffersOrIsLeftOut)
{
    TempDir dir;
    dir.write("src/tree/changed.txt", QByteArray("ORIGINAL").repeated(100));
    dir.write("src/tree/fine.txt", "fine");
    dir.write("src/tree/unreadable.txt", "cannot be opened");
    dir.write("src/other.txt", "other");
    // The member of changed.txt is altered in the archive after it was written (same
    // size, one byte), before it is read back; unreadable.txt cannot be opened.
    platform::SetFileOpsFaultHook([&](platform::TFileOpsStep step, const QString& path) {
        if (step == platform::TFileOpsStep::OpenSource && path.endsWith("unreadable.txt"))
            return EACCES;
        if (step == platform::TFileOpsStep::BeforeVerify) {
            QFile archive(path);
            if (archive.open(QIODevice::ReadWrite)) {
                QByteArray bytes = archive.readAll();
                bytes.replace(QByteArray("ORIGINAL"), QByteArray("ORIGINAl"));
                archive.seek(0);
                archive.write(bytes);
            }
        }
        return 0;
    });
    const TPackResult result =
        PackInto(dir, {"tree", "other.txt"}, QStringLiteral("t.tar"), TPackFormat::Tar, {}, true);
    platform::SetFileOpsFaultHook({});
    ASSERT_EQ(result.Outcome, TPackResult::TOutcome::Done);
    const QString problems = result.Problems.join('\n');
    EXPECT_TRUE(problems.contains("changed.txt")) << problems.toStdString();
    EXPECT_TRUE(problems.contains("unreadable.txt")) << problems.toStdString();
    EXPECT_EQ(readAll(dir("src/tree/changed.txt")), QByteArray("ORIGINAL").repeated(100));
    EXPECT_EQ(readAll(dir("src/tree/unreadable.txt")), QByteArray("cannot be opened"));
    EXPECT_FALSE(QFile::exists(dir("src/tree/fine.txt")));
    EXPECT_FALSE(QFile::exists(dir("src/other.txt")));
    EXPECT_EQ(result.Kept, 1); // the folder "tree", with what it still holds
}

TEST(PackTest, CancelOrFailureOrTakenNameLeavesNoFile)
{
    for (const TPackFormat format :
         {TPackFormat::Zip, TPackFormat::TarZst, TPackFormat::SevenZip}) {
        SCOPED_TRACE(PackFormatInfo(format).Label);
        TempDir dir;
        dir.write("src/big.bin", Random(8 << 20, 2));
        dir.write("src/small.txt", "small");
        dir.mkdir("out");
        platform::TFileOpsProgress progress;
        // Cancelled once the first chunk of data is in.
        platform::SetFileOpsFaultHook([&](platform::TFileOpsStep step, const QString&) {
            if (step == platform::TFileOpsStep::ChunkCopied)
                progress.Cancel();
            return 0;
        });
        const QString name = QStringLiteral("c") + PackFormatInfo(format).Extension;
        TPackRequest request{
            dir("src/"), {"big.bin", "small.txt"}, dir("out/") + name, format, 1, {}, true};
        const TPackResult result = Pack(request, progress);
        platform::SetFileOpsFaultHook({});
        EXPECT_EQ(result.Outcome, TPackResult::TOutcome::Cancelled);
        EXPECT_EQ(FilesIn(dir("out")), QStringList());
        EXPECT_EQ(FilesIn(dir("src")), (QStringList{"big.bin", "small.txt"}));

        // A name taken while packing is never replaced.
        dir.write("out/" + name, "someone else's");
        platform::TFileOpsProgress again;
        const TPackResult taken = Pack(request, again);
        EXPECT_EQ(taken.Outcome, TPackResult::TOutcome::Failed);
        EXPECT_EQ(readAll(dir("out/") + name), QByteArray("someone else's"));
        EXPECT_EQ(FilesIn(dir("out")), QStringList{name});
        EXPECT_EQ(FilesIn(dir("src")), (QStringList{"big.bin", "small.txt"}));
    }
}
