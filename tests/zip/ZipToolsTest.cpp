// Archives as the common tools write them (streamed, ZIP64, with a prefix, with more
// than 65,535 members or a member over 4 GiB): the reader lists what Python's zipfile
// reads from the central directory, and the libraries extract from and add to them.
// The tools come from scripts/install-deps; a missing one fails the test.
#include "platform/FileNames.h"
#include "zip/ZipBytes.h"
#include "zip/ZipFixture.h"

#include <QProcess>
#include <QTemporaryDir>
#include <cmath>

namespace
{

// Name, size, CRC and DOS date of every central-directory record, one line each.
const char* const kPythonListing = R"(
import sys, zipfile
for i in zipfile.ZipFile(sys.argv[1]).infolist():
    print('%s\t%d\t%08x\t%04d-%02d-%02d %02d:%02d:%02d' % ((i.filename, i.file_size, i.CRC) + i.date_time))
)";

class ZipToolsTest : public ZipFixture
{
protected:
    // Runs `command` with sh in `folder` and returns its standard output.
    static QByteArray Sh(const QString& folder, const QString& command)
    {
        QProcess p;
        p.setWorkingDirectory(folder);
        p.start(QStringLiteral("sh"), {QStringLiteral("-c"), command});
        const bool finished = p.waitForFinished(300000);
        EXPECT_TRUE(finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            << qPrintable(command) << "\n"
            << p.readAllStandardError().constData();
        return p.readAllStandardOutput();
    }
    QStringList PythonListing(const QString& archive) const
    {
        const QString script = dir.write(QStringLiteral("list.py"), kPythonListing);
        const QByteArray out =
            Sh(dir.path(), QStringLiteral("python3 '%1' '%2'").arg(script, archive));
        return QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts);
    }
    // The archive as the panel lists it, in the same form.
    QStringList OurListing() const
    {
        QStringList lines;
        const std::vector<TArchiveMember> members = zip.Members();
        for (size_t i = 0; i < members.size(); ++i) {
            const double whole = std::floor(members[i].DateTime);
            const QDateTime time(
                QDate(1899, 12, 30).addDays(qint64(whole)),
                QTime(0, 0).addSecs(int(std::lround((members[i].DateTime - whole) * 86400))));
            lines << QStringLiteral("%1\t%2\t%3\t%4")
                         .arg(members[i].Name)
                         .arg(members[i].Size)
                         .arg(zip.EntryList()[i].CRC32, 8, 16, QChar('0'))
                         .arg(time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        }
        return lines;
    }
};

// Each extracted file has the size and CRC the directory records.
void ExpectExtracted(const QString& target, const QStringList& listing)
{
    for (const QString& line : listing) {
        const QStringList f = line.split('\t');
        if (f[0].endsWith('/'))
            continue;
        const QByteArray data = readAll(target + f[0]);
        EXPECT_EQ(data.size(), f[1].toLongLong()) << qPrintable(f[0]);
        EXPECT_EQ(Crc32(data), f[2].toUInt(nullptr, 16)) << qPrintable(f[0]);
    }
}

TEST_F(ZipToolsTest, ToolMadeArchivesListExtractAndGrowAsTheirDirectorySays)
{
    const QString root = dir.path();
    Sh(root, "mkdir -p src/sub && head -c 3000 /dev/urandom > src/sub/b.bin && "
             "yes alpha | head -n 2000 > src/a.txt && : > src/c.txt && "
             "touch -d '2021-03-04 05:06:08' src/a.txt && touch -d '1999-12-31 23:59:58' "
             "src/sub/b.bin && head -c 70000 /dev/urandom > stub && echo new > new.txt");
    const std::pair<QString, QString> made[] = {
        {"pipe.zip", "cat src/a.txt | zip -q pipe.zip -"},
        {"stdin.zip", "zip -q stdin.zip - < src/a.txt"},
        {"stdout.zip", "cd src && zip -q -r - . | cat > ../stdout.zip"},
        {"z64.zip", "cd src && zip -q -r -fz ../z64.zip ."},
        {"bsd.zip", "cd src && bsdtar -a -cf ../bsd.zip a.txt c.txt sub"},
        {"py.zip", "python3 -c \"import sys, zipfile; z = zipfile.ZipFile(sys.stdout.buffer, 'w', "
                   "zipfile.ZIP_DEFLATED); [z.write('src/' + n, n) for n in ('a.txt', "
                   "'sub/b.bin')]; z.close()\" | cat > py.zip"},
        {"sfx.zip", "cd src && zip -q -r ../plain.zip . && cd .. && cat stub plain.zip > sfx.zip "
                    "&& zip -q -A sfx.zip"},
        {"raw.zip", "cat stub plain.zip > raw.zip"},
    };
    for (const auto& [name, command] : made) {
        Sh(root, command);
        SCOPED_TRACE(qPrintable(name));
        const QString archive = root + name;
        const QStringList listing = PythonListing(archive);
        ASSERT_FALSE(listing.isEmpty());
        zip.SetZipFilename(archive);
        EXPECT_EQ(OurListing(), listing);

        // zip records what it read from a pipe as a FIFO, which is not extracted.
        zip.ExtrOptions = ExtrDirNames;
        if (name != "pipe.zip") {
            ExtractTo(dir.mkdir("x-" + name), {});
            ExpectExtracted(dir("x-" + name + "/"), listing);
        }

        // Adding keeps every member and any program in front; unzip finds no fault.
        EXPECT_EQ(AddTo(archive, {root + "new.txt"}), 1);
        EXPECT_EQ(PythonListing(archive).mid(0, listing.size()), listing);
        EXPECT_EQ(OurListing(), PythonListing(archive));
        if (name == "sfx.zip" || name == "raw.zip")
            EXPECT_EQ(readAll(archive).left(70000), readAll(root + "stub"));
        Sh(root, "unzip -tq " + name);
    }
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(ZipToolsTest, DeletingFromSelfExtractingArchivesKeepsTheProgram)
{
    const QString root = dir.path();
    Sh(root, "head -c 70000 /dev/urandom > stub && echo one > one.txt && echo two > two.txt && "
             "zip -q plain.zip one.txt two.txt && cat stub plain.zip > raw.zip && "
             "cp raw.zip sfx.zip && zip -q -A sfx.zip");
    const QByteArray stub = readAll(root + "stub");
    for (const QString name : {"raw.zip", "sfx.zip"}) {
        SCOPED_TRACE(qPrintable(name));
        const QString archive = root + name;
        const QStringList listing = PythonListing(archive);
        zip.SetZipFilename(archive);
        zip.FSpecArgs = QStringList{"one.txt"};
        zip.Delete();
        EXPECT_EQ(zip.SuccessCount(), 1);
        EXPECT_EQ(OurListing(), listing.mid(1));
        EXPECT_EQ(PythonListing(archive), listing.mid(1));
        EXPECT_EQ(readAll(archive).left(70000), stub);
        Sh(root, "unzip -tq " + name);

        // The last member gone, the program stays with an end record that counts it.
        zip.FSpecArgs = QStringList{"two.txt"};
        zip.Delete();
        EXPECT_EQ(zip.SuccessCount(), 1);
        EXPECT_EQ(zip.EntryCount(), 0);
        EXPECT_EQ(readAll(archive),
                  stub + EmptyZip().replace(16, 4, QByteArray("\x70\x11\x01\x00", 4)));
        EXPECT_EQ(AddTo(archive, {root + "one.txt"}), 1);
        EXPECT_EQ(Names(), QStringList({"one.txt"}));
        EXPECT_EQ(readAll(archive).left(70000), stub);
    }
    // An emptied archive is no error: reading it says nothing.
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
    EXPECT_TRUE(libMessages.isEmpty()) << qPrintable(libMessages.join('\n'));
}

// zip stores a Latin-1 name from Linux as its bytes without the UTF-8 flag, where libzip
// reads code page 437: the libraries find that member by the name the panel shows, to
// replace it with a file of that name, put an edited file in its place and delete it.
TEST_F(ZipToolsTest, ALatin1MemberFromZipIsReplacedAndDeletedByItsOwnBytes)
{
    const QString root = dir.path();
    Sh(root, "printf old >\"$(printf 'caf\\351.txt')\" && printf other >other.txt && "
             "zip -q latin.zip * && printf new >\"$(printf 'caf\\351.txt')\" && "
             "printf edited >edited.txt");
    const QString cafe = platform::DecodeFileName("caf\xe9.txt");
    const QString archive = root + "latin.zip";
    const auto content = [&] {
        return Sh(root, "unzip -p latin.zip \"$(printf 'caf\\351.txt')\"");
    };
    const auto listing = [&] { return Sh(root, "unzip -Z1 latin.zip | sort"); };

    EXPECT_EQ(AddTo(archive, {root + cafe}), 1) << qPrintable(libMessages.join(QChar(10)));
    EXPECT_EQ(listing(), "caf\xe9.txt\nother.txt\n");
    EXPECT_EQ(content(), "new");

    zip.Replace(archive, cafe, root + "edited.txt");
    EXPECT_EQ(zip.SuccessCount(), 1) << qPrintable(libMessages.join('\n'));
    EXPECT_EQ(content(), "edited");

    zip.SetZipFilename(archive);
    zip.FSpecArgs = QStringList{cafe};
    zip.Delete();
    EXPECT_EQ(zip.SuccessCount(), 1);
    EXPECT_EQ(listing(), "other.txt\n");
    Sh(root, "unzip -tq latin.zip");
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(ZipToolsTest, SeventyThousandMembersAreListedAndExtendedByOne)
{
    // Written to a pipe: the sizes follow the data, so only the ZIP64 end records count.
    Sh(dir.path(), "python3 -c \"import sys, zipfile; z = zipfile.ZipFile(sys.stdout.buffer, 'w'); "
                   "[z.writestr('m/%05d.txt' % i, str(i)) for i in range(70000)]; z.close()\" "
                   "| cat > many.zip && echo last > last.txt");
    zip.SetZipFilename(dir("many.zip"));
    ASSERT_EQ(zip.EntryCount(), 70000);
    EXPECT_EQ(zip.EntryList()[69999].FileName, "m/69999.txt");
    EXPECT_EQ(AddTo(dir("many.zip"), {dir("last.txt")}), 1);
    EXPECT_EQ(zip.EntryCount(), 70001);
    EXPECT_EQ(OurListing(), PythonListing(dir("many.zip")));
}

// Needs about 8 GiB of shared memory at its peak: the archive and the extracted member.
// The member is sparse on disk and stored, so no time goes into compression.
TEST_F(ZipToolsTest, MemberOverFourGiBIsAddedListedExtractedAndDeleted)
{
    QTemporaryDir shm(QStringLiteral("/dev/shm/trvx-test-XXXXXX"));
    ASSERT_TRUE(shm.isValid());
    const QString root = shm.path() + "/";
    Sh(root, "truncate -s 4294967396 big.bin && echo small > small.txt && mkdir out");
    zip.AddCompLevel = 0;
    EXPECT_EQ(AddTo(root + "big.zip", {root + "big.bin", root + "small.txt"}), 2);
    QFile::remove(root + "big.bin");
    const QStringList listing = PythonListing(root + "big.zip");
    ASSERT_EQ(listing.size(), 2);
    EXPECT_TRUE(listing[0].startsWith("big.bin\t4294967396\t"));
    EXPECT_EQ(OurListing(), listing);
    EXPECT_EQ(zip.Members()[0].Size, 4294967396);

    EXPECT_EQ(ExtractTo(QDir(root).filePath("out"), {"big.bin"}), 1);
    const QString crc = QString::fromLatin1(
        Sh(root, "python3 -c \"import zlib\nc = 0\nf = open('out/big.bin', 'rb')\n"
                 "while b := f.read(1 << 24): c = zlib.crc32(b, c)\nprint('%08x' % c)\"")
            .trimmed());
    EXPECT_EQ(crc, listing[0].section('\t', 2, 2));
    EXPECT_EQ(QFileInfo(root + "out/big.bin").size(), 4294967396);
    QFile::remove(root + "out/big.bin");

    // Deleting the big member copies only the small one.
    zip.FSpecArgs = QStringList{"big.bin"};
    zip.Delete();
    EXPECT_EQ(zip.SuccessCount(), 1);
    EXPECT_EQ(OurListing(), listing.mid(1));
    EXPECT_TRUE(libMessages.isEmpty()) << qPrintable(libMessages.join('\n'));
}

} // namespace
