// Where the libraries write: into the folder that was current when the call began,
// whatever changes it meanwhile; files under the program's temporary names until they
// are complete; and the left-overs of ended runs removed, never anyone else's files.
#include "zip/ZipBytes.h"
#include "zip/ZipFixture.h"

#include "PartFile.h"
#include "platform/base/OwnerTag.h"

#include <QRegularExpression>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

using ZipWorkFolderTest = ZipFixture;

// The id of a process that has ended.
pid_t EndedProcess()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

QString Tag(pid_t pid)
{
    return QString::fromStdString(trvxbase::OwnerTag(pid));
}

QString PartName(const QString& name, pid_t pid)
{
    return QStringLiteral(".%1.trvx%2-Ab3xYz.part").arg(name, Tag(pid));
}

TEST_F(ZipWorkFolderTest, AnExtractionStaysInItsFolderWhenTheCurrentFolderChanges)
{
    zip.SetZipFilename(
        dir.write("s.zip", BuildZip({{"one.txt", "1"}, {"two.txt", "2"}, {"three.txt", "3"}})));
    const QString target = dir.mkdir("target");
    const QString elsewhere = dir.mkdir("elsewhere");
    zip.OnProgress = [&](QObject*, ProgressType type, const QString&, qint64) {
        if (type == ptFileStart)
            QDir::setCurrent(elsewhere); // as a second command would
    };
    EXPECT_EQ(ExtractTo(target), 3);
    EXPECT_EQ(Listing(target), QStringList({"one.txt", "three.txt", "two.txt"}));
    EXPECT_TRUE(Listing(elsewhere).isEmpty());
}

TEST_F(ZipWorkFolderTest, AnAddReadsItsFilesFromTheFolderCurrentWhenItBegan)
{
    dir.write("mine/a.txt", "mine a");
    dir.write("mine/b.txt", "mine b");
    dir.write("other/a.txt", "other a");
    dir.write("other/b.txt", "other b");
    zip.AddBaseDir = dir("mine");
    zip.OnProgress = [&](QObject*, ProgressType type, const QString&, qint64) {
        if (type == ptFileStart)
            QDir::setCurrent(dir("other"));
    };
    EXPECT_EQ(AddTo(dir("m.zip"), {"a.txt", "b.txt"}), 2);
    zip.OnProgress = nullptr;
    const QString out = dir.mkdir("out");
    EXPECT_EQ(ExtractTo(out), 2);
    EXPECT_EQ(readAll(out + "a.txt"), "mine a");
    EXPECT_EQ(readAll(out + "b.txt"), "mine b");
}

// A file being extracted has a hidden name of the program's until it is complete.
TEST_F(ZipWorkFolderTest, AMemberIsWrittenUnderATemporaryNameUntilItIsComplete)
{
    const QByteArray big(3 << 20, 'b');
    zip.SetZipFilename(dir.write("big.zip", BuildZip({{"big.bin", big}})));
    const QString target = dir.mkdir("t");
    QStringList during;
    zip.OnProgress = [&](QObject*, ProgressType type, const QString&, qint64) {
        if (type == ptFileStep && during.isEmpty())
            during = Listing(target);
    };
    EXPECT_EQ(ExtractTo(target), 1);
    const QRegularExpression part(QStringLiteral("^\\.big\\.bin\\.trvx%1-[A-Za-z0-9]{6}\\.part$")
                                      .arg(QRegularExpression::escape(Tag(getpid()))));
    ASSERT_EQ(during.size(), 1) << during.join(' ').toStdString();
    EXPECT_TRUE(part.match(during[0]).hasMatch()) << during[0].toStdString();
    EXPECT_EQ(Listing(target), QStringList({"big.bin"}));
    EXPECT_EQ(readAll(target + "big.bin"), big);
}

// libzip writes a new archive beside the old one: under the program's name, and the
// left-overs of a killed run go when the program next writes there, nothing else.
TEST_F(ZipWorkFolderTest, AnArchiveIsRewrittenUnderTheProgramsNameAndOnlyEndedRunsLeftOversGo)
{
    const QString folder = dir.mkdir("w");
    const QString archive = dir.write("w/kept.zip", BuildZip({{"old.txt", "old"}}));
    const pid_t ended = EndedProcess();
    const QString killed = PartName("kept.zip", ended);
    const QString running = PartName("kept.zip", 1); // the init process always runs
    const QString foreign = PartName("theirs.zip", ended);
    // Of an ended process, but of the older form or of another host: whose, cannot be told.
    const QString oldForm = QStringLiteral(".kept.zip.trvx%1-Ab3xYz.part").arg(ended);
    const QString elsewhere = QStringLiteral(".kept.zip.trvx%1.%2.elsewhere-Ab3xYz.part")
                                  .arg(ended)
                                  .arg(Tag(ended).section('.', 1, 1));
    for (const QString& name :
         {killed, running, foreign, oldForm, elsewhere, QStringLiteral("kept.zip.Ab3xYz")})
        dir.write("w/" + name, "left over");
    const bool otherOwner =
        ::chown(QFile::encodeName(folder + foreign).constData(), 65534, 65534) == 0;
    dir.write("new.txt", "new");
    QStringList during;
    zip.OnProgress = [&](QObject*, ProgressType type, const QString&, qint64) {
        if (type == ptFileStep && during.isEmpty())
            during = Listing(folder);
    };
    EXPECT_EQ(AddTo(archive, {dir("new.txt")}), 1);
    const QRegularExpression ours(QStringLiteral("^\\.kept\\.zip\\.trvx%1-[A-Za-z0-9]{6}\\.part$")
                                      .arg(QRegularExpression::escape(Tag(getpid()))));
    EXPECT_EQ(during.filter(ours).size(), 1) << during.join(' ').toStdString();
    QStringList expected = {running, oldForm, elsewhere, QStringLiteral("kept.zip"),
                            QStringLiteral("kept.zip.Ab3xYz")};
    if (otherOwner)
        expected << foreign;
    expected.sort();
    QStringList after = Listing(folder);
    after.sort();
    EXPECT_EQ(after, expected);

    // The same for an extraction into that folder.
    dir.write("w/" + killed, "left over");
    EXPECT_EQ(ExtractTo(folder, {"new.txt"}), 1);
    expected << QStringLiteral("new.txt");
    expected.sort();
    after = Listing(folder);
    after.sort();
    EXPECT_EQ(after, expected);
}

// The libraries read the whole owner from a temporary name, of either form.
TEST(ZipPartNames, TheOwnerIsReadWhole)
{
    for (const pid_t pid : {pid_t(7), pid_t(12345), pid_t(4194304)}) {
        pid_t read = 0;
        const std::string name = ".a.zip.trvx" + trvxbase::OwnerTag(pid) + "-Ab3xYz.part";
        EXPECT_TRUE(trvxlib::IsPartName(name, read)) << name;
        EXPECT_EQ(read, pid) << name;
        read = 0;
        EXPECT_TRUE(trvxlib::IsPartName(".a.trvx" + std::to_string(pid) + "-Ab3xYz.part", read));
        EXPECT_EQ(read, pid);
    }
    pid_t read = 0;
    for (const char* name :
         {".a.trvx12a.1.h-Ab3xYz.part", ".a.trvx12.x.h-Ab3xYz.part", ".a.trvx12.1.h.i-Ab3xYz.part",
          ".a.trvx.1.h-Ab3xYz.part", "a.trvx12.1.h-Ab3xYz.part", ".a.trvx12.1.h-Ab3xY.part"})
        EXPECT_FALSE(trvxlib::IsPartName(name, read)) << name;
}

} // namespace
