// The read-only archive component over archives made by the real tools: listing of
// every format, copying out, hostile member names, damaged and encrypted archives, hard
// links of cpio, sparse files, and readings told to stop.
#include "archive/ReadOnlyArchive.h"
#include "archive/ArchiveTools.h"
#include "archivelib/ArchiveLib.h"
#include "platform/FileOpsFaults.h"
#include "platform/FileOpsProgress.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "support/TempDir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QtEndian>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

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
        return {QStringLiteral("a.txt 100 %1").arg(platform::ToDayCount(kATime), 0, 'f', 6),
                QStringLiteral("dir/b.bin 3000 %1").arg(platform::ToDayCount(kBTime), 0, 'f', 6)};
    }

    // The files below `folder` with their content, as "name: size bytes, sha1" lines.
    static QStringList Tree(const QString& folder)
    {
        QStringList lines;
        for (const QString& name : FilesBelow(folder)) {
            const QByteArray bytes = readAll(folder + name);
            lines << QStringLiteral("%1: %2 bytes, %3")
                         .arg(name)
                         .arg(bytes.size())
                         .arg(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
        }
        return lines;
    }
    // What bsdtar extracts of `archive` into a new folder `name`.
    QStringList BsdtarTree(const QString& archive, const QString& name)
    {
        const QString folder = dir.mkdir(name);
        EXPECT_TRUE(RunTool(folder, "bsdtar", {"-xf", archive}));
        return Tree(folder);
    }
    // Extracts `names` of `archive` into a new folder `name`; the messages go to `messages`.
    QStringList OurTree(const QString& archive, const QStringList& names, const QString& name,
                        QStringList* messages = nullptr)
    {
        const QString folder = dir.mkdir(name);
        TReadOnlyArchive reader;
        EXPECT_TRUE(reader.Open(archive));
        int written = 0;
        const QStringList said = reader.Extract(names, folder, written);
        if (messages)
            *messages = said;
        else
            EXPECT_EQ(said, QStringList()) << archive.toStdString();
        return Tree(folder);
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
    EXPECT_EQ(Files(reader),
              QStringList(
                  {QStringLiteral("a.txt 100 %1").arg(platform::ToDayCount(kATime), 0, 'f', 6),
                   QStringLiteral("b.bin 3000 %1").arg(platform::ToDayCount(kBTime), 0, 'f', 6)}));
    for (const QString& tool : {"gzip", "xz", "bzip2", "zstd -q"}) {
        const QString name = "b.bin." + QString(tool).section(' ', 0, 0);
        ASSERT_TRUE(Shell(QStringLiteral("%1 -c dir/b.bin > ../out/%2").arg(tool, name)));
        ASSERT_TRUE(reader.Open(out + name)) << name.toStdString();
        // Only gzip keeps the file's date in its header.
        const double date = name.endsWith("gzip") ? platform::ToDayCount(kBTime) : 0;
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

// A cancel stops the listing within a block of the file: a large compressed tar is not
// decompressed to its end for a reader nobody waits for.
TEST_F(ReadOnlyArchiveTest, ACancelStopsTheListing)
{
    ASSERT_TRUE(Shell("head -c 1000000 /dev/urandom > big.bin && tar -cJf ../out/x.tar.xz "
                      "a.txt big.bin dir/b.bin"));
    platform::TFileOpsProgress progress;
    TReadOnlyArchive reader;
    const auto goOn = [&progress] { return !progress.Cancelled(); };
    ASSERT_TRUE(reader.Open(out + "x.tar.xz", goOn));
    EXPECT_EQ(reader.Members().size(), 3u);
    progress.Cancel();
    TReadOnlyArchive cancelled;
    EXPECT_THROW(cancelled.Open(out + "x.tar.xz", goOn), platform::EError);
    EXPECT_FALSE(cancelled.IsOpen());
    EXPECT_TRUE(cancelled.Members().empty());
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

// In newc and crc cpio archives (what RPM holds) a file of several names carries its
// content with the last name; every name comes out whole, as bsdtar writes them, whether
// its content member is wanted or not.
TEST_F(ReadOnlyArchiveTest, CpioHardLinksGetTheirContentFromTheLastName)
{
    const QString work = dir.mkdir("links");
    dir.write("links/a", "content of three names\n");
    dir.write("links/d", "single\n");
    dir.write("links/e", "");
    for (const auto& [from, to] : {std::pair{"a", "b"}, {"a", "c"}, {"e", "f"}})
        ASSERT_TRUE(RunTool(work, "ln", {from, to}));
    for (const QString& format : {"newc", "crc"}) {
        const QString archive = out + format + ".cpio";
        ASSERT_TRUE(
            RunTool(work, "sh", {"-c", "ls | cpio -o --quiet -H " + format + " >" + archive}));
        const QStringList all = {"a", "b", "c", "d", "e", "f"};
        const QStringList bsd = BsdtarTree(archive, "bsd-" + format);
        ASSERT_EQ(bsd.size(), 6) << bsd.join('\n').toStdString();
        EXPECT_EQ(OurTree(archive, all, "ours-" + format), bsd) << format.toStdString();
        // One name at a time: each is whole on its own.
        for (int i = 0; i < all.size(); ++i)
            EXPECT_EQ(OurTree(archive, {all[i]}, format + "-" + all[i]), QStringList({bsd[i]}))
                << format.toStdString() << " " << all[i].toStdString();
    }
}

// A tar header whose checksum is damaged is read past, as bsdtar does: the members after
// it are listed and extracted, and the listing and the extraction say that a damaged
// part was passed over.
TEST_F(ReadOnlyArchiveTest, ADamagedTarHeaderIsReadPastAsBsdtarDoes)
{
    dir.write("src/one.txt", "one\n");
    dir.write("src/two.bin", QByteArray(3000, '2'));
    dir.write("src/three.txt", "three\n");
    ASSERT_TRUE(Shell("tar -cf ../out/r.tar one.txt two.bin three.txt"));
    ASSERT_TRUE(Shell("tar -cf ../out/good.tar one.txt"));
    QFile file(out + "r.tar");
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(1024 + 148)); // the checksum of the second header
    ASSERT_EQ(file.write("9"), 1);
    file.close();

    TReadOnlyArchive reader;
    ASSERT_TRUE(reader.Open(out + "good.tar"));
    EXPECT_EQ(reader.Warning(), QString());
    ASSERT_TRUE(reader.Open(out + "r.tar"));
    EXPECT_EQ(Files(reader, false), QStringList({"one.txt 4 0.000000", "three.txt 6 0.000000"}));
    EXPECT_TRUE(reader.Warning().startsWith(out + "r.tar: Damaged tar archive; "))
        << reader.Warning().toStdString();
    const QStringList bsd = BsdtarTree(out + "r.tar", "bsd");
    ASSERT_EQ(bsd.size(), 2);
    QStringList messages;
    EXPECT_EQ(OurTree(out + "r.tar", {"one.txt", "three.txt"}, "ours", &messages), bsd);
    ASSERT_EQ(messages.size(), 1) << messages.join('\n').toStdString();
    EXPECT_TRUE(messages[0].startsWith(out + "r.tar: Damaged tar archive"))
        << messages[0].toStdString();
}

// GNU tar's sparse files whose map ends before their size (a file that is one hole, a
// file whose data ends before a hole) come out at their full size, as bsdtar writes them.
TEST_F(ReadOnlyArchiveTest, SparseMembersEndingInAHoleComeOutWhole)
{
    const QString work = dir.mkdir("sparse");
    ASSERT_TRUE(RunTool(work, "sh",
                        {"-c", "truncate -s 1M hole && printf 'data first' >tail && "
                               "truncate -s 300000 tail && printf 'middle' >>tail && "
                               "truncate -s 600000 tail"}));
    for (const QString& format : {"gnu", "posix"}) {
        const QString archive = out + format + "-sparse.tar";
        ASSERT_TRUE(RunTool(work, "tar",
                            {"--sparse", "--format=" + format, "-cf", archive, "hole", "tail"}));
        const QStringList bsd = BsdtarTree(archive, "bsd-" + format);
        ASSERT_EQ(bsd.size(), 2);
        EXPECT_EQ(OurTree(archive, {"hole", "tail"}, "ours-" + format), bsd)
            << format.toStdString();
        EXPECT_EQ(QFileInfo(dir("ours-" + format + "/hole")).size(), 1 << 20);
    }
}

// A listing told to stop ends at its next block read or member, however much is left,
// also while libarchive decompresses a long member inside one call to pass it. Here two
// members: 4 MB that do not compress, then a small one.
TEST_F(ReadOnlyArchiveTest, AListingToldToStopEndsThere)
{
    QByteArray noise(4000000, Qt::Uninitialized);
    quint64 state = 1;
    for (char& c : noise) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        c = char(state >> 56);
    }
    dir.write("src/noise.bin", noise);
    ASSERT_TRUE(Shell("tar -czf ../out/x.tar.gz noise.bin a.txt"));
    ASSERT_TRUE(Shell("gzip -c noise.bin >../out/noise.gz"));
    for (const QString& name : {"x.tar.gz", "noise.gz"}) {
        const std::string path = QFile::encodeName(out + name).toStdString();
        for (int allowed : {0, 1, 3, 10, 30}) {
            int asked = 0, afterNo = 0;
            const auto goOn = [&] {
                if (asked >= allowed)
                    ++afterNo;
                return ++asked <= allowed;
            };
            const archivelib::TListing listing = archivelib::ListMembers(path, goOn);
            EXPECT_TRUE(listing.Cancelled) << name.toStdString() << " allowed " << allowed;
            EXPECT_EQ(listing.Status, archivelib::TStatus::Failed);
            EXPECT_TRUE(listing.Members.empty());
            // The "no" is asked again only by the listing's own final look.
            EXPECT_LE(afterNo, 2) << name.toStdString() << " allowed " << allowed;
        }
        const archivelib::TListing whole = archivelib::ListMembers(path, [] { return true; });
        EXPECT_EQ(whole.Status, archivelib::TStatus::Ok) << name.toStdString();
        EXPECT_EQ(whole.Members.size(), name == "noise.gz" ? 1u : 2u);
    }
}

// An ISO image whose Rock Ridge continuation area holds a continuation pointing at
// itself: libarchive goes round it for ever inside one call. Opened with a check, as the
// panel opens archives, the reading ends once the check says no; the image is made by
// xorriso (a long name needs a continuation area) and then pointed at itself.
TEST_F(ReadOnlyArchiveTest, AnImageLibarchiveLoopsOnEndsWhenToldToStop)
{
    const QString work = dir.mkdir("image");
    dir.write("image/" + QString(240, 'n'), "long name");
    ASSERT_TRUE(
        RunTool(work, "xorriso", {"-as", "mkisofs", "-quiet", "-R", "-o", out + "loop.iso", "."}));
    QFile file(out + "loop.iso");
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray image = file.readAll();
    const qsizetype ce = image.indexOf(QByteArray("CE\x1c\x01", 4));
    ASSERT_GT(ce, 0);
    const auto le32 = [&](qsizetype at) {
        return qFromLittleEndian<quint32>(image.constData() + at);
    };
    const qint64 area = qint64(le32(ce + 4)) * 2048 + le32(ce + 12);
    ASSERT_TRUE(file.seek(area));
    ASSERT_EQ(file.write(image.mid(ce, 28)), 28); // the same continuation, in its own area
    file.close();

    struct TState {
        std::mutex Mutex;
        std::condition_variable Done;
        bool Ended{false};
        QString Error;
        std::atomic<int> Asked{0};
    };
    const auto state = std::make_shared<TState>();
    // Detached: without the mend it would never end, and the test says so after a bound.
    std::thread([state, path = out + "loop.iso"] {
        TReadOnlyArchive reader;
        QString error;
        try {
            reader.Open(path, [state] { return ++state->Asked <= 3; });
        } catch (const platform::EError& e) {
            error = e.Message();
        }
        const std::lock_guard lock(state->Mutex);
        state->Error = error;
        state->Ended = true;
        state->Done.notify_all();
    }).detach();
    std::unique_lock lock(state->Mutex);
    ASSERT_TRUE(state->Done.wait_for(lock, std::chrono::seconds(60), [&] { return state->Ended; }))
        << "the reading did not end";
    EXPECT_TRUE(state->Error.endsWith("the reading was stopped")) << state->Error.toStdString();
    EXPECT_EQ(state->Asked.load(), 4);
}

} // namespace
