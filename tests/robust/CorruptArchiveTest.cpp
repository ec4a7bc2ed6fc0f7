// Damaged and hostile archives opened in a panel by a double click and emptied into the
// other panel: an error or a listing, never a crash, nothing written outside the target,
// no member arriving with wrong contents, and no member lost by a move.
#include "main/FileOpsFixture.h"
#include "robust/RobustSupport.h"
#include "zip/ZipBytes.h"

#include <QtEndian>

using robust::Snapshot;

namespace
{

const std::vector<TMemberBytes>& Members()
{
    static const std::vector<TMemberBytes> members = {
        {"first.txt", QByteArray("first member's text"), 0, false, 0},
        {"dir/second.txt", QByteArray(300, 's'), 0, false, 0},
        {"third.bin", QByteArray("\x00\x01\x02\x03 third", 10), 0, false, 0},
    };
    return members;
}

// Where the data of member `index` starts in BuildZip(Members()).
int DataOffset(int index)
{
    int offset = 0;
    for (int i = 0; i < index; ++i)
        offset += 30 + int(Members()[i].Name.size() + Members()[i].Data.size());
    return offset + 30 + int(Members()[index].Name.size());
}

// The archive cut short, with bytes flipped, with absurd sizes and name lengths, and
// things that are no archive at all.
std::vector<QByteArray> DamagedArchives()
{
    const QByteArray good = BuildZip(Members());
    std::vector<QByteArray> damaged;
    for (int cut = 0; cut < good.size(); cut += 13)
        damaged.push_back(good.left(cut));
    for (int at : {4, 8, 14, 18, 22, 26, 28, DataOffset(1) - 12, int(good.size()) - 10}) {
        QByteArray flipped = good;
        flipped[at] = char(~flipped[at]);
        damaged.push_back(flipped);
    }
    QByteArray huge = good;
    qToLittleEndian<quint32>(0xFFFFFFF0u, huge.data() + 18); // compressed size
    qToLittleEndian<quint32>(0xFFFFFFF0u, huge.data() + 22); // uncompressed size
    damaged.push_back(huge);
    QByteArray longName = good;
    qToLittleEndian<quint16>(0xFFFF, longName.data() + 26);
    damaged.push_back(longName);
    damaged.push_back(QByteArray("PK\x03\x04", 4) + QByteArray(200, '\xff'));
    damaged.push_back(QByteArray(4096, '\0'));
    damaged.push_back("this is a text file that someone named .zip");
    return damaged;
}

class CorruptArchiveTest : public FileOpsTest
{
protected:
    // Double clicks the archive: true when it opened, false when the reader refused it
    // with an error (which the application would show).
    bool TryOpen(const QString& name)
    {
        Open(sdLeft, left);
        main->Left().Files->FocusItem(Row(sdLeft, name));
        try {
            main->FilesDblClick(sdLeft);
        } catch (const platform::EError& e) {
            EXPECT_FALSE(e.Message().isEmpty());
            return false;
        }
        return main->ShowsArchive(sdLeft);
    }
    // Every member row of the left panel, selected.
    void SelectMembers()
    {
        QStringList names = Names(sdLeft);
        names.removeAll("..");
        Select(sdLeft, names);
    }
};

} // namespace

TEST_F(CorruptArchiveTest, DamagedArchivesOpenOrAreRefusedAndNeverWriteWrongData)
{
    std::map<QByteArray, QByteArray> valid; // bare name -> contents
    for (const TMemberBytes& m : Members()) {
        valid[m.Name.mid(m.Name.lastIndexOf('/') + 1)] = m.Data;
        // A folder of the archive copied out comes with the members below it.
        valid[m.Name] = m.Data;
        if (m.Name.contains('/'))
            valid[m.Name.left(m.Name.indexOf('/'))] = "<dir>";
    }
    int opened = 0, refused = 0;
    for (const QByteArray& bytes : DamagedArchives()) {
        SCOPED_TRACE(bytes.toHex().left(80).toStdString());
        dir.write("left/damaged.zip", bytes);
        QDir(right).removeRecursively();
        dir.mkdir("right");
        if (!TryOpen("damaged.zip")) {
            ++refused;
            EXPECT_FALSE(main->ShowsArchive(sdLeft));
            continue;
        }
        ++opened;
        SelectMembers();
        try {
            main->MenuCopyFileClick();
        } catch (const platform::EError&) {
        }
        // Whatever arrived is a member with its own contents; the archive is as it was.
        for (const auto& [name, data] : Snapshot(right)) {
            ASSERT_TRUE(valid.count(name)) << "unexpected file " << name.constData();
            EXPECT_EQ(data, valid[name]) << name.constData();
        }
        EXPECT_EQ(robust::Diff(Snapshot(left), robust::TTree({{"damaged.zip", bytes}})), "");
    }
    EXPECT_GT(opened, 0);
    EXPECT_GT(refused, 0);
    EXPECT_EQ(Snapshot(dir.path()).count("left/damaged.zip"), 1u);
}

TEST_F(CorruptArchiveTest, MemberWithDamagedDataIsNeitherExtractedNorLostByAMove)
{
    QByteArray bytes = BuildZip(Members());
    bytes[DataOffset(1) + 100] = 'X'; // same size, wrong checksum
    dir.write("left/crc.zip", bytes);
    ASSERT_TRUE(TryOpen("crc.zip"));
    SelectMembers();
    main->MenuMoveFileClick();
    DoubleClick(sdLeft, "dir"); // the damaged member lies in the archive's folder dir
    SelectMembers();
    main->MenuMoveFileClick();
    EXPECT_EQ(readAll(right + "first.txt"), Members()[0].Data);
    // The damaged member's partly written file is removed, also under its temporary
    // name, and the member stays.
    EXPECT_EQ(QDir(right).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList({"first.txt", "third.bin"}));
    EXPECT_TRUE(Names(sdLeft).contains("dir/second.txt")) << Names(sdLeft).join(' ').toStdString();
}

TEST_F(CorruptArchiveTest, HostileMemberNamesNeverWriteOutsideTheTarget)
{
    const std::vector<TMemberBytes> hostile = {
        {"../escaped.txt", "up one", 0, false, 0},
        {"/tmp/absolute-from-archive.txt", "absolute", 0, false, 0},
        {"a/../../../climbed.txt", "climbed", 0, false, 0},
        {"link", "/", 0, false, 0120777},
        {"link/etc-from-archive.txt", "through a link", 0, false, 0},
        {"plain.txt", "plain", 0, false, 0},
    };
    dir.write("left/hostile.zip", BuildZip(hostile));
    const robust::TTree before = Snapshot(dir.path());
    ASSERT_TRUE(TryOpen("hostile.zip"));
    SelectMembers();
    try {
        main->MenuCopyFileClick();
    } catch (const platform::EError&) {
    }
    robust::TTree after = Snapshot(dir.path());
    for (auto it = after.begin(); it != after.end();)
        it = it->first.startsWith("right/") ? after.erase(it) : std::next(it);
    EXPECT_EQ(robust::Diff(after, before), "");
    EXPECT_EQ(readAll(right + "plain.txt"), "plain");
    EXPECT_FALSE(QFileInfo::exists("/tmp/absolute-from-archive.txt"));
    EXPECT_FALSE(QFileInfo::exists("/etc-from-archive.txt"));
    for (const auto& [name, data] : Snapshot(right))
        EXPECT_FALSE(data.startsWith("<link>")) << name.constData(); // no link to follow later
}

// A member whose header declares 100 bytes but whose data expands to megabytes: the copy
// stops at the declared size, leaves no file and says the member is damaged.
TEST_F(CorruptArchiveTest, AMemberLargerThanItsDeclaredSizeLeavesNoFileAndIsReportedDamaged)
{
    dir.write("src/bomb.bin", QByteArray(4 << 20, '\0'));
    dir.write("src/fine.txt", "fine");
    QProcess zipTool;
    zipTool.setWorkingDirectory(dir("src"));
    zipTool.start("zip", {"-q", "-9", left + "bomb.zip", "bomb.bin", "fine.txt"});
    ASSERT_TRUE(zipTool.waitForFinished() && zipTool.exitCode() == 0);
    QByteArray bytes = readAll(left + "bomb.zip");
    qToLittleEndian<quint32>(100, bytes.data() + 22); // local header's uncompressed size
    const int central = bytes.indexOf(QByteArray("PK\x01\x02", 4));
    ASSERT_GT(central, 0);
    qToLittleEndian<quint32>(100, bytes.data() + central + 24);
    dir.write("left/bomb.zip", bytes);

    ASSERT_TRUE(TryOpen("bomb.zip"));
    EXPECT_EQ(main->Left().Listing[Row(sdLeft, "bomb.bin")].Size, 100);
    SelectMembers();
    main->MenuCopyFileClick();
    EXPECT_EQ(QDir(right).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList({"fine.txt"}));
    EXPECT_EQ(readAll(right + "fine.txt"), "fine");
    EXPECT_TRUE(messages.join('\n').contains("bomb.bin: the member is damaged: its data runs "
                                             "past the 100 bytes its header declares"))
        << messages.join('\n').toStdString();

    // A move deletes nothing that did not arrive.
    QFile::remove(right + "fine.txt");
    SelectMembers();
    main->MenuMoveFileClick();
    EXPECT_FALSE(QFileInfo::exists(right + "bomb.bin"));
    EXPECT_TRUE(Names(sdLeft).contains("bomb.bin"));
}
