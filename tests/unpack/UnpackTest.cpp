// Archives made by tar, 7z and zip, unpacked here and compared with what they hold by
// `diff -r`; damaged ones reported by the test and the unpack and never left under a
// member's name; names that lead out of the target, taken names, passwords, a cancel,
// and the records an undo goes by.
#include "unpack/Unpack.h"
#include "platform/FileOpsProgress.h"
#include "support/TempDir.h"
#include "transfer/FileOpsCollision.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

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
    process.start(program, arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput() + process.readAllStandardError()};
}

// A tree with folders (one empty), a name with a space, and data that does not compress.
void WriteTree(const TempDir& dir)
{
    dir.write("src/pack/readme.txt", "hello\n");
    dir.write("src/pack/with space.txt", "space\n");
    QByteArray noise(700 * 1024, 0);
    quint32 x = 12345;
    for (char& c : noise) {
        x = x * 1103515245u + 12345u;
        c = char(x >> 24);
    }
    dir.write("src/pack/sub/deep/noise.bin", noise);
    dir.write("src/pack/sub/zero.dat", QByteArray(300000, '\0'));
    dir.mkdir("src/pack/empty");
    // A second name of a file in another folder: tar stores it as a hard link.
    ASSERT_EQ(
        RunTool(dir.path(), "ln", {dir("src/pack/readme.txt"), dir("src/pack/sub/again.txt")}).Exit,
        0);
}

// Every entry below `folder`, hidden ones too, relative to it.
QStringList Entries(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names << it.next().mid(folder.size());
    names.sort();
    return names;
}

TUnpackResult UnpackInto(const QString& archive, const QString& target, bool intoFolder = false,
                         const QString& password = {}, const platform::TCollisionAsk& ask = {})
{
    platform::TFileOpsProgress progress;
    TUnpackRequest request{archive, target, intoFolder, password, false};
    return Unpack(request, progress, ask);
}

TArchiveTest TestOne(const QString& archive, const QString& password = {})
{
    platform::TFileOpsProgress progress;
    const std::vector<TArchiveTest> tests = TestArchives({archive}, password, progress);
    EXPECT_EQ(tests.size(), 1u);
    return tests.empty() ? TArchiveTest{} : tests.front();
}

struct TMaker {
    const char* Name;
    const char* Program;
    QStringList Arguments; // run in src/, packing "pack"
};

} // namespace

TEST(Unpack, ToolArchivesUnpackByteForByteAndTestWhole)
{
    const TempDir dir;
    WriteTree(dir);
    const QString src = dir("src");
    const std::vector<TMaker> makers{
        {"pack.tar.gz", "tar", {"-czf", "../pack.tar.gz", "pack"}},
        {"pack.tar.xz", "tar", {"-cJf", "../pack.tar.xz", "pack"}},
        {"pack.tar.zst", "tar", {"--zstd", "-cf", "../pack.tar.zst", "pack"}},
        {"pack.tar.bz2", "tar", {"-cjf", "../pack.tar.bz2", "pack"}},
        {"pack.7z", "7z", {"a", "-bd", "../pack.7z", "pack"}},
        {"pack.zip", "zip", {"-qr", "../pack.zip", "pack"}},
    };
    for (const TMaker& maker : makers) {
        SCOPED_TRACE(maker.Name);
        const TRun made = RunTool(src, maker.Program, maker.Arguments);
        ASSERT_EQ(made.Exit, 0) << made.Out.toStdString();
        const QString archive = dir(maker.Name);
        const TArchiveTest test = TestOne(archive);
        EXPECT_TRUE(test.Ok()) << test.Problems.join('\n').toStdString();
        EXPECT_GE(test.Members, 5);
        const QString target = dir.mkdir(QStringLiteral("out/%1").arg(maker.Name));
        const TUnpackResult result = UnpackInto(archive, target);
        EXPECT_FALSE(result.Damaged) << result.Lines.join('\n').toStdString();
        EXPECT_EQ(result.Written, 5);
        const TRun diff = RunTool(dir.path(), "diff", {"-r", src + "/pack", target + "pack"});
        EXPECT_EQ(diff.Exit, 0) << diff.Out.toStdString();
        // Nothing else in the target: the temporary folder went.
        EXPECT_EQ(QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{"pack"});
    }
    // Into a folder named after the archive, its folders kept below it.
    const QString named = dir.mkdir("named");
    UnpackInto(dir("pack.tar.gz"), named, true);
    EXPECT_EQ(RunTool(dir.path(), "diff", {"-r", src + "/pack", named + "pack/pack"}).Exit, 0);
    EXPECT_EQ(UnpackFolderName("pack.tar.gz"), "pack");
    EXPECT_EQ(UnpackFolderName("photos.zip"), "photos");
    EXPECT_EQ(UnpackFolderName("README"), "README_files");
}

// A stored member whose bytes are changed: libarchive's CRC check fails at its end, the
// test names it, and the unpack writes the other members but never this one.
TEST(Unpack, DamagedMemberIsReportedAndNeverLeftUnderItsName)
{
    const TempDir dir;
    const QByteArray marker = QByteArray("0123456789abcdef").repeated(4096);
    dir.write("src/good.txt", "good\n");
    dir.write("src/bad.txt", marker);
    struct TCase {
        const char* Name;
        const char* Program;
        QStringList Arguments;
    };
    const std::vector<TCase> cases{
        {"d.zip", "zip", {"-q0", "../d.zip", "good.txt", "bad.txt"}},
        {"d.7z", "7z", {"a", "-bd", "-mx0", "../d.7z", "good.txt", "bad.txt"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_EQ(RunTool(dir("src"), c.Program, c.Arguments).Exit, 0);
        QFile file(dir(c.Name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        const qsizetype at = bytes.indexOf(marker.left(64)) + 5000;
        ASSERT_GT(at, 5000);
        bytes[at] = char(bytes[at] ^ 0x55);
        file.seek(0);
        file.write(bytes);
        file.close();
        const TArchiveTest test = TestOne(dir(c.Name));
        EXPECT_FALSE(test.Ok());
        EXPECT_TRUE(test.Problems.join('\n').contains("bad.txt"))
            << test.Problems.join('\n').toStdString();
        const QString target = dir.mkdir(QStringLiteral("out/%1").arg(c.Name));
        const TUnpackResult result = UnpackInto(dir(c.Name), target);
        EXPECT_TRUE(result.Lines.join('\n').contains("bad.txt"));
        EXPECT_FALSE(QFile::exists(target + "bad.txt"));
        EXPECT_EQ(Entries(target), QStringList{"good.txt"});
    }
    // A compressed tar whose stream fails its checks: nothing of it is put into place.
    ASSERT_EQ(RunTool(dir("src"), "tar", {"-czf", "../d.tar.gz", "good.txt", "bad.txt"}).Exit, 0);
    QFile gz(dir("d.tar.gz"));
    ASSERT_TRUE(gz.open(QIODevice::ReadWrite));
    QByteArray bytes = gz.readAll();
    bytes[bytes.size() - 9] = char(bytes[bytes.size() - 9] ^ 0x55); // the stored CRC-32
    gz.seek(0);
    gz.write(bytes);
    gz.close();
    EXPECT_FALSE(TestOne(dir("d.tar.gz")).Ok());
    const QString target = dir.mkdir("out/gz");
    const TUnpackResult result = UnpackInto(dir("d.tar.gz"), target);
    EXPECT_TRUE(result.Damaged);
    EXPECT_EQ(Entries(target), QStringList{});
}

// Names that lead out of the target ("../", absolute) are refused; nothing appears
// outside it.
TEST(Unpack, NamesLeadingOutsideAreRefused)
{
    const TempDir dir;
    dir.write("work/inside/evil.txt", "evil");
    dir.write("abs/absolute.txt", "absolute");
    const QString absolute = dir("abs/absolute.txt");
    ASSERT_EQ(RunTool(dir("work/inside"), "tar",
                      {"-cPf", "../../bad.tar", "../inside/evil.txt", "evil.txt", absolute})
                  .Exit,
              0);
    ASSERT_TRUE(QFile::remove(absolute));
    const QString target = dir.mkdir("t/deeper");
    const TUnpackResult result = UnpackInto(dir("bad.tar"), target);
    EXPECT_EQ(Entries(target), QStringList{"evil.txt"});
    EXPECT_FALSE(QFile::exists(dir("t/inside/evil.txt")));
    EXPECT_FALSE(QFile::exists(absolute));
    EXPECT_EQ(result.Lines.filter("leads outside").size(), 2)
        << result.Lines.join('\n').toStdString();
}

// A taken name is replaced only when the question says so; without a question it stays.
TEST(Unpack, TakenNamesAreReplacedOnlyWithTheUsersWord)
{
    const TempDir dir;
    dir.write("src/a.txt", "new");
    dir.write("src/b.txt", "b");
    ASSERT_EQ(RunTool(dir("src"), "tar", {"-cf", "../n.tar", "a.txt", "b.txt"}).Exit, 0);
    const QString target = dir.mkdir("t");
    dir.write("t/a.txt", "old");
    int asked = 0;
    QStringList incoming; // as the question shows them: members of the archive
    const auto answer = [&asked, &incoming](platform::TCollisionChoice choice) {
        return platform::TCollisionAsk(
            [&asked, &incoming, choice](const platform::TCollision& collision) {
                ++asked;
                incoming << collision.Incoming.Path;
                return platform::TCollisionAnswer{choice, {}};
            });
    };
    UnpackInto(dir("n.tar"), target);
    EXPECT_EQ(readAll(target + "a.txt"), "old");
    QFile::remove(target + "b.txt");
    UnpackInto(dir("n.tar"), target, false, {}, answer(platform::TCollisionChoice::Skip));
    EXPECT_EQ(readAll(target + "a.txt"), "old");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(readAll(target + "b.txt"), "b");
    QFile::remove(target + "b.txt");
    UnpackInto(dir("n.tar"), target, false, {}, answer(platform::TCollisionChoice::Replace));
    EXPECT_EQ(readAll(target + "a.txt"), "new");
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(Entries(target), (QStringList{"a.txt", "b.txt"}));
    EXPECT_EQ(incoming, QStringList(2, dir("n.tar") + "/a.txt"));
}

// What the unpack made is recorded so that removing the records takes away exactly the
// entries still as they were made.
TEST(Unpack, RecordsLetAnUndoRemoveOnlyUnchangedEntries)
{
    const TempDir dir;
    dir.write("src/top.txt", "top");
    dir.write("src/f/one.txt", "one");
    dir.write("src/f/two.txt", "two");
    ASSERT_EQ(RunTool(dir("src"), "tar", {"-cf", "../r.tar", "top.txt", "f"}).Exit, 0);
    const QString target = dir.mkdir("t");
    dir.write("t/f/mine.txt", "the user's");
    const TUnpackResult result = UnpackInto(dir("r.tar"), target);
    QStringList made;
    for (const TUnpackMade& m : result.Made)
        made << m.Path.mid(target.size());
    made.sort();
    EXPECT_EQ(made, (QStringList{"f/one.txt", "f/two.txt", "top.txt"}));
    QFile changed(target + "f/two.txt");
    ASSERT_TRUE(changed.open(QIODevice::Append));
    changed.write(" changed");
    changed.close();
    for (const TUnpackMade& m : result.Made)
        platform::RemoveCopy(m.Path, m.Record, [](const QString&) {});
    EXPECT_EQ(Entries(target), (QStringList{"f", "f/mine.txt", "f/two.txt"}));
}

// Encrypted ZIP members (ZipCrypto and AES-256): reported without the password, not
// written with a wrong one, unpacked whole with the right one.
TEST(Unpack, EncryptedZipMembersNeedThePassword)
{
    const TempDir dir;
    dir.write("src/secret.txt", QByteArray("secret data ").repeated(1000));
    ASSERT_EQ(RunTool(dir("src"), "zip", {"-q", "-P", "pass", "../zc.zip", "secret.txt"}).Exit, 0);
    ASSERT_EQ(RunTool(dir("src"), "7z",
                      {"a", "-bd", "-tzip", "-ppass", "-mem=AES256", "../aes.zip", "secret.txt"})
                  .Exit,
              0);
    for (const char* name : {"zc.zip", "aes.zip"}) {
        SCOPED_TRACE(name);
        const TArchiveTest locked = TestOne(dir(name));
        EXPECT_TRUE(locked.Problems.join('\n').contains("encrypted"));
        EXPECT_TRUE(TestOne(dir(name), "pass").Ok());
        const QString none = dir.mkdir(QStringLiteral("none/%1").arg(name));
        UnpackInto(dir(name), none);
        const QString wrong = dir.mkdir(QStringLiteral("wrong/%1").arg(name));
        UnpackInto(dir(name), wrong, false, "wrong");
        EXPECT_EQ(Entries(none), QStringList{});
        EXPECT_EQ(Entries(wrong), QStringList{});
        const QString right = dir.mkdir(QStringLiteral("right/%1").arg(name));
        UnpackInto(dir(name), right, false, "pass");
        EXPECT_EQ(readAll(right + "secret.txt"), readAll(dir("src/secret.txt")));
    }
}

// A cancel in the middle of a member's data leaves nothing in the target.
TEST(Unpack, CancelLeavesNoPartialFile)
{
    const TempDir dir;
    // 1 GiB of zeros (a sparse file; a small archive): far more than is written before
    // the cancel is seen, which comes as soon as the first block is.
    QFile big(dir.write("src/big.bin"));
    ASSERT_TRUE(big.resize(qint64(1) << 30));
    ASSERT_EQ(RunTool(dir("src"), "tar", {"--zstd", "-cf", "../big.tar", "big.bin"}).Exit, 0);
    const QString target = dir.mkdir("t");
    platform::TFileOpsProgress progress;
    std::atomic<bool> over{false};
    std::thread canceller([&] {
        while (!over && progress.Bytes() == 0)
            std::this_thread::yield();
        progress.Cancel();
    });
    const TUnpackResult result =
        Unpack(TUnpackRequest{dir("big.tar"), target, false, {}, false}, progress, {});
    over = true;
    canceller.join();
    EXPECT_TRUE(result.Cancelled);
    EXPECT_EQ(Entries(target), QStringList{});
}

// cpio, ISO 9660, AR and a single compressed file, each as its tool made it; the ISO's
// "." folder member is no problem to report.
TEST(Unpack, OtherFormatsUnpackWhole)
{
    const TempDir dir;
    WriteTree(dir);
    const QString src = dir("src");
    ASSERT_EQ(RunTool(src, "sh", {"-c", "find pack | cpio -o -H newc > ../p.cpio"}).Exit, 0);
    ASSERT_EQ(
        RunTool(src, "xorriso", {"-as", "mkisofs", "-quiet", "-R", "-o", "../p.iso", "pack"}).Exit,
        0);
    ASSERT_EQ(RunTool(src, "ar", {"rc", "../p.a", "pack/readme.txt"}).Exit, 0);
    ASSERT_EQ(RunTool(src, "sh", {"-c", "gzip -c pack/sub/deep/noise.bin > ../noise.bin.gz"}).Exit,
              0);
    struct TCase {
        const char* Archive;
        const char* Compare; // below the target
        QString Original;
    };
    const std::vector<TCase> cases{{"p.cpio", "pack", src + "/pack"},
                                   {"p.iso", "", src + "/pack"},
                                   {"p.a", "readme.txt", src + "/pack/readme.txt"},
                                   {"noise.bin.gz", "noise.bin", src + "/pack/sub/deep/noise.bin"}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Archive);
        EXPECT_TRUE(TestOne(dir(c.Archive)).Ok());
        const QString target = dir.mkdir(QStringLiteral("out/%1").arg(c.Archive));
        const TUnpackResult result = UnpackInto(dir(c.Archive), target);
        EXPECT_EQ(result.Lines, QStringList{});
        const TRun diff = RunTool(dir.path(), "diff", {"-r", c.Original, target + c.Compare});
        EXPECT_EQ(diff.Exit, 0) << diff.Out.toStdString();
    }
}
