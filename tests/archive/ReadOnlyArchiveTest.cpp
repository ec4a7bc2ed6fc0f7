// The read-only archive component over archives made by the real tools: listing of
// every format, copying out, hostile member names, damaged and encrypted archives.
#include "archive/ReadOnlyArchive.h"
#include "archive/ArchiveTools.h"
#include "platform/FileOpsFaults.h"
#include "platform/FileOpsProgress.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace
{

constexpr time_t kATime = 1500000000; // 2017-07-14
constexpr time_t kBTime = 1600000000; // 2020-09-13

class ReadOnlyArchiveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        src = dir.mkdir("src");
        out = dir.mkdir("out");
        dir.write("src/a.txt", QByteArray(100, 'a'));
        QByteArray b;
        for (int i = 0; i < 3000; ++i)
            b += char(i * 7);
        bBytes = b;
        dir.write("src/dir/b.bin", b);
        SetMTime(src + "a.txt", kATime);
        SetMTime(src + "dir/b.bin", kBTime);
    }

    // Runs a shell command line in the source folder.
    bool Shell(const QString& line) { return RunTool(src, "sh", {"-c", line}); }

    // The listed files (folders left out) as "name size date" lines.
    static QStringList Files(const TReadOnlyArchive& archive, bool withDates = true)
    {
        QStringList lines;
        for (const TArchiveMember& m : archive.Members())
            if (!m.Name.endsWith('/'))
                lines << QStringLiteral("%1 %2 %3")
                             .arg(m.Name)
                             .arg(m.Size)
                             .arg(withDates ? m.DateTime : 0.0, 0, 'f', 6);
        lines.sort();
        return lines;
    }

    QStringList Expected() const
    {
        return {
            QStringLiteral("a.txt 100 %1").arg(platform::ToDosDateTime(kATime), 0, 'f', 6),
            QStringLiteral("dir/b.bin 3000 %1").arg(platform::ToDosDateTime(kBTime), 0, 'f', 6)};
    }

    TempDir dir;
    QString src, out;
    QByteArray bBytes;
};

TEST_F(ReadOnlyArchiveTest, EveryFormatListsItsFilesWithSizesAndDates)
{
    const QStringList lines = {
        "tar -cf ../out/x.tar a.txt dir", "tar -czf ../out/x.tar.gz a.txt dir",
        "tar -cjf ../out/x.tar.bz2 a.txt dir", "tar -cJf ../out/x.tar.xz a.txt dir",
        "tar --zstd -cf ../out/x.tar.zst a.txt dir", "tar --lzip -cf ../out/x.tar.lz a.txt dir",
        "find a.txt dir | cpio -o -H newc --quiet > ../out/x.cpio",
        "7z a -bd ../out/x.7z a.txt dir > /dev/null",
        "xorriso -as mkisofs -quiet -R -o ../out/x.iso .",
        // A name without extension: the format is found from the content.
        "tar -cJf ../out/kernel a.txt dir"};
    for (const QString& line : lines) {
        ASSERT_TRUE(Shell(line)) << line.toStdString();
        const QString archive = out + line.section("../out/", 1).section(' ', 0, 0);
        TReadOnlyArchive reader;
        ASSERT_TRUE(reader.Open(archive)) << archive.toStdString();
        EXPECT_EQ(reader.FileName(), archive);
        EXPECT_EQ(Files(reader), Expected()) << archive.toStdString();
    }
}

TEST_F(ReadOnlyArchiveTest, ArchivesOfOneLevelAndSingleCompressedFilesList)
{
    ASSERT_TRUE(Shell("ar rcU ../out/x.deb a.txt dir/b.bin"));
    TReadOnlyArchive reader;
    ASSERT_TRUE(reader.Open(out + "x.deb"));
    EXPECT_EQ(
        Files(reader),
        QStringList(
            {QStringLiteral("a.txt 100 %1").arg(platform::ToDosDateTime(kATime), 0, 'f', 6),
             QStringLiteral("b.bin 3000 %1").arg(platform::ToDosDateTime(kBTime), 0, 'f', 6)}));
    for (const QString& tool : {"gzip", "xz", "bzip2", "zstd -q"}) {
        const QString name = "b.bin." + QString(tool).section(' ', 0, 0);
        ASSERT_TRUE(Shell(QStringLiteral("%1 -c dir/b.bin > ../out/%2").arg(tool, name)));
        ASSERT_TRUE(reader.Open(out + name)) << name.toStdString();
        // Only gzip keeps the file's date in its header.
        const double date = name.endsWith("gzip") ? platform::ToDosDateTime(kBTime) : 0;
        EXPECT_EQ(Files(reader),
                  QStringList({QStringLiteral("b.bin 3000 %1").arg(date, 0, 'f', 6)}))
            << name.toStdString();
        int written = 0;
        const QString target = dir.mkdir("single-" + QString(tool).section(' ', 0, 0));
        EXPECT_TRUE(reader.Extract({"b.bin"}, target, written).isEmpty());
        EXPECT_EQ(readAll(target + "b.bin"), bBytes) << name.toStdString();
    }
}

TEST_F(ReadOnlyArchiveTest, FilesThatAreNoArchiveOrAreZipDoNotOpen)
{
    dir.write("src/empty.txt");
    ASSERT_TRUE(RunTool(src, "zip", {"-q", "../out/x.zip", "a.txt"}));
    TReadOnlyArchive reader;
    EXPECT_FALSE(reader.Open(src + "a.txt"));
    EXPECT_FALSE(reader.Open(src + "empty.txt"));
    EXPECT_FALSE(reader.Open(out + "x.zip"));
    EXPECT_FALSE(reader.IsOpen());
}

TEST_F(ReadOnlyArchiveTest, CopyOutWritesTheBytesAndDateAndNeverReplacesAFile)
{
    ASSERT_TRUE(Shell("tar -cJf ../out/x.tar.xz a.txt dir"));
    const QString target = dir.mkdir("target");
    dir.write("target/a.txt", "mine");
    TReadOnlyArchive reader;
    ASSERT_TRUE(reader.Open(out + "x.tar.xz"));
    int written = 0;
    const QStringList messages = reader.Extract({"dir/b.bin", "a.txt"}, target, written);
    EXPECT_EQ(written, 1);
    EXPECT_EQ(readAll(target + "b.bin"), bBytes);
    EXPECT_EQ(QFileInfo(target + "b.bin").lastModified().toSecsSinceEpoch(), kBTime);
    EXPECT_EQ(readAll(target + "a.txt"), "mine");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Skipped a.txt: ")) << messages[0].toStdString();
    EXPECT_EQ(FilesBelow(target), QStringList({"a.txt", "b.bin"}));
}

// Another program makes the member's name while its data is being written: its file is
// kept, and the member reported as skipped.
TEST_F(ReadOnlyArchiveTest, AFileMadeDuringTheExtractionIsNeverReplaced)
{
    ASSERT_TRUE(Shell("tar -cf ../out/x.tar a.txt"));
    const QString target = dir.mkdir("target");
    TReadOnlyArchive reader;
    ASSERT_TRUE(reader.Open(out + "x.tar"));
    platform::TFileOpsProgress progress;
    const platform::TFileOpsFaultHook previous =
        platform::SetFileOpsFaultHook([&](platform::TFileOpsStep step, const QString&) {
            if (step == platform::TFileOpsStep::ArchiveData && !QFile::exists(target + "a.txt"))
                dir.write("target/a.txt", "theirs");
            return 0;
        });
    int written = 0;
    const QStringList messages = reader.Extract({"a.txt"}, target, written, &progress);
    platform::SetFileOpsFaultHook(previous);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(readAll(target + "a.txt"), "theirs");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Skipped a.txt: ")) << messages[0].toStdString();
    EXPECT_EQ(QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"a.txt"}));
}

TEST_F(ReadOnlyArchiveTest, HostileMembersAreSkippedAndNothingIsWrittenOutsideTheTarget)
{
    const QString work = dir.mkdir("work/inner");
    dir.write("work/victim.txt", "victim");
    dir.write("work/inner/plain.txt", "plain");
    ASSERT_TRUE(RunTool(work, "ln", {"-s", "../victim.txt", "evil"}));
    ASSERT_TRUE(RunTool(work, "ln", {"plain.txt", "hard"}));
    ASSERT_TRUE(RunTool(work, "ln", {"-s", "/tmp", "linkdir"}));
    ASSERT_TRUE(RunTool(work, "tar",
                        {"-P", "-cf", out + "hostile.tar", "plain.txt", "hard", "evil",
                         "../victim.txt", work + "plain.txt", "linkdir"}));
    const QString target = dir.mkdir("target");
    // An existing link in the target that a careless writer would follow.
    ASSERT_TRUE(RunTool(target, "ln", {"-s", "../work/victim.txt", "victim.txt"}));
    TReadOnlyArchive reader;
    ASSERT_TRUE(reader.Open(out + "hostile.tar"));
    QStringList names;
    for (const TArchiveMember& m : reader.Members())
        names << m.Name;
    int written = 0;
    const QStringList messages = reader.Extract(names, target, written);
    EXPECT_EQ(written, 2); // the hard link arrives as a copy of what it links to
    EXPECT_EQ(FilesBelow(target), QStringList({"hard", "plain.txt", "victim.txt"}));
    EXPECT_EQ(readAll(target + "hard"), "plain");
    EXPECT_TRUE(QFileInfo(target + "victim.txt").isSymLink());
    EXPECT_EQ(readAll(dir("work/victim.txt")), "victim");
    EXPECT_EQ(FilesBelow(dir("work/")),
              QStringList({"inner/evil", "inner/hard", "inner/plain.txt", "victim.txt"}));
    EXPECT_EQ(messages.size(), 4) << messages.join('\n').toStdString();
}

TEST_F(ReadOnlyArchiveTest, DamagedAndEncryptedArchivesRaiseTheirReasonAndChangeNothing)
{
    QByteArray noise;
    for (int i = 0; i < 400000; ++i)
        noise += char((i * 2654435761u) >> 13);
    dir.write("src/noise.bin", noise);
    ASSERT_TRUE(Shell("tar -czf ../out/x.tar.gz a.txt noise.bin dir"));
    QFile file(out + "x.tar.gz");
    ASSERT_TRUE(file.resize(file.size() / 2));
    ASSERT_TRUE(Shell("7z a -bd -psecret -mhe=on ../out/names.7z a.txt > /dev/null"));
    ASSERT_TRUE(Shell("7z a -bd -psecret ../out/data.7z a.txt > /dev/null"));
    ASSERT_TRUE(Shell("tar -cf ../out/good.tar a.txt"));

    TReadOnlyArchive reader;
    ASSERT_TRUE(reader.Open(out + "good.tar"));
    // The archive was whole when it was listed and is cut before the copy.
    ASSERT_TRUE(Shell("tar -czf ../out/later.tar.gz noise.bin"));
    TReadOnlyArchive later;
    ASSERT_TRUE(later.Open(out + "later.tar.gz"));
    QFile cut(out + "later.tar.gz");
    ASSERT_TRUE(cut.resize(cut.size() / 2));
    const QString target = dir.mkdir("target");
    int written = 0;
    EXPECT_FALSE(later.Extract({"noise.bin"}, target, written).isEmpty());
    EXPECT_EQ(written, 0);
    EXPECT_EQ(FilesBelow(target), QStringList()); // the partial file is gone

    for (const QString& name : {"x.tar.gz", "names.7z", "data.7z"}) {
        try {
            reader.Open(out + name);
            ADD_FAILURE() << "no error for " << name.toStdString();
        } catch (const platform::EError& e) {
            EXPECT_TRUE(e.Message().startsWith(out + name + ": ")) << e.Message().toStdString();
            if (name.endsWith(".7z"))
                EXPECT_TRUE(e.Message().contains("encrypt", Qt::CaseInsensitive))
                    << e.Message().toStdString();
        }
        EXPECT_EQ(reader.FileName(), out + "good.tar");
        EXPECT_EQ(Files(reader, false), QStringList({"a.txt 100 0.000000"}));
    }
}

// The reader stops after the last wanted member: what follows it is never read.
TEST_F(ReadOnlyArchiveTest, ExtractionStopsAfterTheLastWantedMember)
{
    ASSERT_TRUE(Shell("tar -cf ../out/x.tar a.txt dir/b.bin"));
    TReadOnlyArchive reader;
    ASSERT_TRUE(reader.Open(out + "x.tar"));
    QFile file(out + "x.tar");
    ASSERT_TRUE(file.resize(1024 + 100)); // a.txt's header and data, then half a header
    const QString target = dir.mkdir("target");
    int written = 0;
    EXPECT_EQ(reader.Extract({"a.txt"}, target, written), QStringList());
    EXPECT_EQ(written, 1);
    const QStringList messages = reader.Extract({"dir/b.bin"}, target, written);
    EXPECT_EQ(written, 0);
    EXPECT_FALSE(messages.isEmpty());
    EXPECT_EQ(FilesBelow(target), QStringList({"a.txt"}));
}

} // namespace
