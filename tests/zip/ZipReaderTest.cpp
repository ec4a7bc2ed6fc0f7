// The directory reader on hand-written archives: the scan for the first header, the
// entry loop, its errors and messages, and the decoding of names.
#include "platform/Messages.h"
#include "support/TempDir.h"
#include "zip/ZipArchive.h"
#include "zip/ZipBytes.h"
#include "zip/ZipDirReader.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace
{

class ZipReaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_previous = platform::SetMessageHandler([this](const QString& t) { messages << t; });
        zip.OnDirUpdate = [this](QObject* sender) {
            EXPECT_EQ(sender, &zip);
            ++dirUpdates;
        };
    }
    void TearDown() override { platform::SetMessageHandler(m_previous); }

    // Writes `bytes` and assigns the file; returns the error text raised, if any.
    QString Open(const QByteArray& bytes, const QString& name = QStringLiteral("a.zip"))
    {
        try {
            zip.SetZipFilename(dir.write(name, bytes));
        } catch (const platform::EError& e) {
            return e.Message();
        }
        return {};
    }
    QStringList Names() const
    {
        QStringList names;
        for (const ZipDirEntry& e : zip.EntryList())
            names << e.FileName;
        return names;
    }

    TempDir dir;
    TZipArchive zip;
    QStringList messages;
    int dirUpdates{0};
    platform::TMessageHandler m_previous;
};

const QByteArray kNoEntries = "No valid zip entries found";
const QString kListedFromHeaders = ZipDirectoryDamagedMessage();

// An archive cut before its end record, as a truncated download ends.
QByteArray WithoutEndRecord(const QByteArray& archive)
{
    return archive.chopped(22);
}

TEST_F(ZipReaderTest, ReadsEveryLocalHeaderWithItsFields)
{
    const QByteArray archive = BuildZip(
        {{"docs/", {}}, {"docs/read.me", "hello world"}, {"b.bin", QByteArray(1000, 'x')}});
    EXPECT_EQ(Open(archive), QString());
    EXPECT_EQ(Names(), QStringList({"docs/", "docs/read.me", "b.bin"}));
    ASSERT_EQ(zip.EntryCount(), 3);
    const ZipDirEntry& e = zip.EntryList()[1];
    EXPECT_EQ(e.UncompressedSize, 11u);
    EXPECT_EQ(e.CompressedSize, 11u);
    EXPECT_EQ(e.CRC32, Crc32("hello world"));
    EXPECT_EQ(e.VersionNeeded, 20);
    EXPECT_EQ(e.FileTime, 0x6000);
    EXPECT_EQ(e.FileDate, 0x5A21);
    EXPECT_EQ(e.FileNameLength, 12);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(dirUpdates, 1);

    const std::vector<TArchiveMember> members = zip.Members();
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(members[2].Name, "b.bin");
    EXPECT_EQ(members[2].Size, 1000);
}

TEST_F(ZipReaderTest, PrefixIsFoundThroughTheEndRecordOrScannedUpToTheLimit)
{
    const QByteArray archive = BuildZip({{"inside.txt", "data"}, {"two.txt", "22"}});
    // Offsets that do not count the prefix: the end record still places the directory.
    EXPECT_EQ(Open(QByteArray(70000, '\0') + archive, "sfx.exe"), QString());
    EXPECT_EQ(Names(), QStringList({"inside.txt", "two.txt"}));
    EXPECT_TRUE(messages.isEmpty());

    // Without the end record the scan looks for the first header: the header's "P" as
    // the 60,000th byte tested is still found; one byte more and the scan gives up.
    const QByteArray truncated = WithoutEndRecord(archive);
    EXPECT_EQ(Open(QByteArray(59999, '\0') + truncated, "sfx1.exe"), QString());
    EXPECT_EQ(Names(), QStringList({"inside.txt", "two.txt"}));
    EXPECT_EQ(messages, QStringList({kListedFromHeaders}));
    messages.clear();
    EXPECT_EQ(Open(QByteArray(60000, '\0') + truncated, "sfx2.exe"), QString());
    EXPECT_EQ(zip.EntryCount(), 0);
    EXPECT_EQ(messages, QStringList({kNoEntries}));
}

TEST_F(ZipReaderTest, BrokenMatchesInThePrefixCountOnlyTheirFirstByte)
{
    // 30,000 "P?" pairs are 60,000 bytes but only 30,000 steps of the scan.
    QByteArray prefix;
    for (int i = 0; i < 30000; ++i)
        prefix.append("PX");
    EXPECT_EQ(Open(prefix + WithoutEndRecord(BuildZip({{"late.txt", "x"}}))), QString());
    EXPECT_EQ(Names(), QStringList({"late.txt"}));
}

// A whole archive without members (every member moved out) is no error; files that hold
// no archive at all say so.
TEST_F(ZipReaderTest, FilesWithoutEntriesShowTheMessageAndAnEmptyArchiveDoesNot)
{
    EXPECT_EQ(Open(EmptyZip()), QString());
    EXPECT_EQ(zip.EntryCount(), 0);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(Open(QByteArray()), QString());
    EXPECT_EQ(Open("PK\x03"), QString()); // ends inside the signature
    EXPECT_EQ(messages, QStringList({kNoEntries, kNoEntries}));
    EXPECT_EQ(dirUpdates, 3);
}

TEST_F(ZipReaderTest, DoubledFirstByteMissesTheFirstHeaderOnlyWithoutEndRecord)
{
    const QByteArray archive = BuildZip({{"first.txt", "1"}, {"second.txt", "2"}});
    EXPECT_EQ(Open("P" + archive), QString());
    EXPECT_EQ(Names(), QStringList({"first.txt", "second.txt"}));
    EXPECT_EQ(Open("P" + WithoutEndRecord(archive)), QString());
    EXPECT_EQ(Names(), QStringList({"second.txt"}));

    EXPECT_EQ(Open("P" + WithoutEndRecord(BuildZip({{"only.txt", "1"}}))), QString());
    EXPECT_EQ(zip.EntryCount(), 0);
    EXPECT_EQ(messages, QStringList({kListedFromHeaders, kNoEntries}));
}

TEST_F(ZipReaderTest, DataDescriptorMembersTakeTheirSizesFromTheDirectory)
{
    TMemberBytes streamed{"streamed.txt", "12345678"};
    streamed.Descriptor = true;
    EXPECT_EQ(Open(BuildZip({streamed, {"after.txt", "abc"}})), QString());
    EXPECT_EQ(Names(), QStringList({"streamed.txt", "after.txt"}));
    EXPECT_EQ(zip.EntryList()[0].UncompressedSize, 8u);
    EXPECT_EQ(zip.EntryList()[1].UncompressedSize, 3u);
}

TEST_F(ZipReaderTest, CountsOverSixteenBitsWithoutZip64RecordsStillMatch)
{
    // The first member's sizes only the directory knows, so a fallback to the local
    // headers would show 0 for it.
    std::vector<TMemberBytes> members(66000, TMemberBytes{"m", "1"});
    members[0] = {"streamed.txt", "12345678"};
    members[0].Descriptor = true;
    QByteArray archive = BuildZip(members); // its end record counts 66,000 modulo 65,536
    for (const QByteArray& count : {archive.mid(archive.size() - 12, 2), QByteArray("\xFF\xFF")}) {
        archive.replace(archive.size() - 14, 2, count).replace(archive.size() - 12, 2, count);
        EXPECT_EQ(Open(archive), QString());
        ASSERT_EQ(zip.EntryCount(), 66000);
        EXPECT_EQ(zip.EntryList()[0].UncompressedSize, 8u);
    }
}

TEST_F(ZipReaderTest, WithoutEndRecordDataDescriptorsAreScannedInFourByteSteps)
{
    TMemberBytes streamed{"streamed.txt", "12345678"};
    streamed.Descriptor = true;
    EXPECT_EQ(Open(WithoutEndRecord(BuildZip({streamed, {"after.txt", "abc"}}))), QString());
    EXPECT_EQ(Names(), QStringList({"streamed.txt", "after.txt"}));
    EXPECT_EQ(zip.EntryList()[0].UncompressedSize, 0u);
    EXPECT_EQ(zip.EntryList()[1].UncompressedSize, 3u);

    // A directory that does not parse counts as none.
    QByteArray damaged = BuildZip({streamed, {"after.txt", "abc"}});
    damaged[damaged.indexOf("PK\x01\x02") + 28] = '\x7F'; // a name running past the end
    EXPECT_EQ(Open(damaged), QString());
    ASSERT_EQ(Names(), QStringList({"streamed.txt", "after.txt"}));
    EXPECT_EQ(zip.EntryList()[0].UncompressedSize, 0u);

    // Last member: the central directory ends the walk.
    EXPECT_EQ(Open(WithoutEndRecord(BuildZip({streamed}))), QString());
    EXPECT_EQ(Names(), QStringList({"streamed.txt"}));

    // No signature on a 4-byte step before the end of the file.
    EXPECT_EQ(Open(BuildZip({streamed}, false) + QByteArray(3, 'z')), "Error reading Zip File");
    // Each list that came from the local headers said so; the error says it alone.
    EXPECT_EQ(messages, QStringList(3, kListedFromHeaders));
}

TEST_F(ZipReaderTest, ErrorsKeepTheEntriesReadAndStillNotify)
{
    const QByteArray archive = BuildZip({{"one.txt", "1111"}, {"two.txt", QByteArray(100, '2')}});
    const qsizetype cut = archive.indexOf("two.txt") + 7 + 50;
    EXPECT_EQ(Open(archive.left(cut)), "Error 3 reading Zip file");
    EXPECT_EQ(Names(), QStringList({"one.txt", "two.txt"}));
    EXPECT_EQ(dirUpdates, 1);

    // Members without a central directory: data ends within the last 22 bytes.
    EXPECT_EQ(Open(BuildZip({{"a", "x"}}, false)), "Error 3 reading Zip file");
    // Data that ends exactly where the last 22 bytes begin is whole.
    const QByteArray tail = QByteArray("PK\x01\x02", 4) + QByteArray(18, '\0');
    EXPECT_EQ(Open(BuildZip({{"a", "x"}}, false) + tail), "");
    EXPECT_EQ(Names(), QStringList({"a"}));
    EXPECT_EQ(Open(BuildZip({{"a", "x"}}, false) + tail.chopped(1)), "Error 3 reading Zip file");

    // A header or a name shorter than announced.
    const QByteArray one = BuildZip({{"name.txt", "x"}}, false);
    EXPECT_EQ(Open(one.left(20)), "Error 2 reading Zip file");
    EXPECT_EQ(Open(one.left(33)), "Error 2 reading Zip file");
    EXPECT_EQ(zip.EntryCount(), 0);

    // Data followed by padding but no further signature.
    EXPECT_EQ(Open(one + QByteArray(24, '\0')), "Error reading Zip File");
    EXPECT_EQ(Names(), QStringList({"name.txt"}));
    EXPECT_EQ(dirUpdates, 7);
    EXPECT_EQ(messages, QStringList({kListedFromHeaders})); // the walk that ended well
}

// zip's own archive with its end record damaged (the directory's offset off by one, so it
// places no directory): unzip refuses it. The members still come from their local
// headers, and the user is told that this list is not the archive's own.
TEST_F(ZipReaderTest, ADamagedEndRecordIsListedFromTheLocalHeadersWithAMessage)
{
    dir.write("one.txt", "first member");
    dir.write("two.txt", QByteArray(5000, 't'));
    const auto run = [this](const QString& program, const QStringList& arguments) {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(program, arguments);
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode()
                                                                                  : -1;
    };
    ASSERT_EQ(run("zip", {"-q", "made.zip", "one.txt", "two.txt"}), 0);
    QByteArray bytes = readAll(dir("made.zip"));
    const qsizetype end = bytes.lastIndexOf("PK\x05\x06");
    ASSERT_GT(end, 0);
    EXPECT_EQ(Open(bytes, "sound.zip"), QString());
    EXPECT_EQ(Names(), QStringList({"one.txt", "two.txt"}));
    EXPECT_TRUE(messages.isEmpty());

    bytes[end + 16] = char(bytes[end + 16] + 1);
    EXPECT_EQ(Open(bytes, "damaged.zip"), QString());
    EXPECT_NE(run("unzip", {"-l", "damaged.zip"}), 0);
    EXPECT_EQ(Names(), QStringList({"one.txt", "two.txt"}));
    EXPECT_EQ(messages, QStringList({kListedFromHeaders}));
}

// As unzip on Linux reads them: the UTF-8 flag, else a Unicode Path field whose checksum
// fits, else the bytes as they are from Unix (a Latin-1 name keeps its byte, held as the
// file-name decoding holds it), else code page 437.
TEST_F(ZipReaderTest, NamesAreReadAsUnzipReadsThemOnLinux)
{
    const QByteArray u = QString::fromUtf8("ü").toUtf8();
    TMemberBytes utf8{QString::fromUtf8("Grüße/日本.txt").toUtf8(), "x"};
    utf8.Flags = 0x0800;
    TMemberBytes dos{"\x81\x94\xE1 \xC9\xCD\xBB", "y"}; // "üöß ╔═╗"
    TMemberBytes rawDos{u + "1", "z"};                  // UTF-8 bytes, not made on Unix
    TMemberBytes rawUnix{u + "2", "z", 0, false, 0100644};
    TMemberBytes latinUnix{"\xFC"
                           "3",
                           "z", 0, false, 0100644}; // not UTF-8: kept as its byte
    TMemberBytes field{"\x81"
                       "4",
                       "w"};
    field.Extra = UnicodePathExtra(field.Name, QString::fromUtf8("é4").toUtf8());
    TMemberBytes staleField{"\x81"
                            "5",
                            "w"}; // its checksum is of another name
    staleField.Extra = UnicodePathExtra("other", QString::fromUtf8("é5").toUtf8());
    EXPECT_EQ(Open(BuildZip({utf8, dos, rawDos, rawUnix, latinUnix, field, staleField})),
              QString());
    EXPECT_EQ(Names(), QStringList({QString::fromUtf8("Grüße/日本.txt"),
                                    QString::fromUtf8("üöß ╔═╗"), QString::fromUtf8("├╝1"),
                                    QString::fromUtf8("ü2"), QChar(0xDCFC) + QString("3"),
                                    QString::fromUtf8("é4"), QString::fromUtf8("ü5")}));
}

TEST_F(ZipReaderTest, LongNamesAreReadWholeAndZeroBytesEndThem)
{
    const QByteArray longName = QByteArray(300, 'n') + ".txt";
    QByteArray withZero("cut\0tail", 8);
    EXPECT_EQ(Open(BuildZip({{longName, "1"}, {withZero, "2"}, {"next", "3"}})), QString());
    EXPECT_EQ(Names(), QStringList({QString::fromLatin1(longName), "cut", "next"}));
}

TEST_F(ZipReaderTest, MissingFileGivesAnEmptyListWithoutMessage)
{
    EXPECT_EQ(Open(BuildZip({{"a", "1"}})), QString());
    EXPECT_EQ(zip.EntryCount(), 1);
    zip.SetZipFilename(dir("absent.zip"));
    EXPECT_EQ(zip.EntryCount(), 0);
    EXPECT_EQ(zip.ZipFilename(), dir("absent.zip"));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(dirUpdates, 2);

    // An empty name counts no entries even when some were read before.
    EXPECT_EQ(Open(BuildZip({{"a", "1"}})), QString());
    zip.SetZipFilename(QString());
    EXPECT_EQ(zip.EntryCount(), 0);
    EXPECT_TRUE(zip.Members().empty());
}

} // namespace
