// Extraction through UNZLIB: what is written where, what is never overwritten, hostile
// member names, and the callbacks during the call.
#include "zip/ZipBytes.h"
#include "zip/ZipFixture.h"

#include <QtEndian>
#include <sys/stat.h>

namespace
{

using ZipExtractTest = ZipFixture;

QByteArray SampleArchive()
{
    return BuildZip({{"top.txt", "top"}, {"folder/", {}}, {"folder/inner.txt", "inner"}});
}

TEST_F(ZipExtractTest, MembersLandInTheTargetWithoutFoldersAndNothingIsOverwritten)
{
    zip.SetZipFilename(dir.write("s.zip", SampleArchive()));
    const QString target = dir.mkdir("target");
    dir.write("target/top.txt", "mine");
    // Older than the member, so only the refusal to overwrite keeps it.
    SetModified(target + "top.txt", QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
    EXPECT_EQ(ExtractTo(target), 1);
    EXPECT_EQ(Listing(target), QStringList({"inner.txt", "top.txt"}));
    EXPECT_EQ(readAll(target + "top.txt"), "mine");
    EXPECT_EQ(readAll(target + "inner.txt"), "inner");
    EXPECT_EQ(QDir::currentPath() + "/", target); // the target became the current directory
    EXPECT_TRUE(zip.FSpecArgs.isEmpty());
    EXPECT_FALSE(zip.UnzipBusy());

    zip.ExtrOptions = ExtrOverWrite;
    EXPECT_EQ(ExtractTo(target, {"top.txt"}), 1);
    EXPECT_EQ(readAll(target + "top.txt"), "top");
    EXPECT_EQ(Listing(target), QStringList({"inner.txt", "top.txt"})); // no temporary left
}

// Another program may create the name between the check and the create.
TEST_F(ZipExtractTest, AFileMadeDuringTheExtractionIsNeverReplaced)
{
    zip.SetZipFilename(dir.write("s.zip", SampleArchive()));
    const QString target = dir.mkdir("t");
    zip.OnProgress = [&](QObject*, ProgressType type, const QString& name, qint64) {
        if (type == ptFileStart && name == "top.txt")
            dir.write("t/top.txt", "theirs");
    };
    EXPECT_EQ(ExtractTo(target), 1);
    EXPECT_EQ(readAll(target + "top.txt"), "theirs");
    EXPECT_EQ(readAll(target + "inner.txt"), "inner");
    EXPECT_TRUE(libMessages.join('\n').contains("top.txt")) << libMessages.join('\n').toStdString();
}

TEST_F(ZipExtractTest, StoredFoldersAreKeptOnRequest)
{
    zip.SetZipFilename(dir.write("s.zip", SampleArchive()));
    zip.ExtrOptions = ExtrDirNames;
    const QString target = dir.mkdir("kept");
    EXPECT_EQ(ExtractTo(target, {"folder\\inner.txt"}), 1); // as the panels pass names
    EXPECT_EQ(Listing(target), QStringList({"folder"}));
    EXPECT_EQ(readAll(target + "folder/inner.txt"), "inner");
}

TEST_F(ZipExtractTest, MissingBaseDirIsRefusedAndNothingIsWritten)
{
    zip.SetZipFilename(dir.write("s.zip", SampleArchive()));
    const QString here = dir.mkdir("here");
    QDir::setCurrent(here);
    const QString gone = dir("does-not-exist/");
    EXPECT_EQ(ExtractTo(gone, {"top.txt"}), 0);
    EXPECT_EQ(Listing(here), QStringList());
    EXPECT_FALSE(QFileInfo::exists(gone));
    EXPECT_EQ(messages,
              QStringList({"Error - the folder " + gone + " does not exist: nothing extracted"}));
    EXPECT_TRUE(libMessages.isEmpty()); // the library was not called
}

TEST_F(ZipExtractTest, ExactNamesSelectTheirOwnMemberAndNoNamesSelectNone)
{
    zip.SetZipFilename(dir.write(
        "p.zip",
        BuildZip(
            {{"a[1].txt", "exact"}, {"a1.txt", "look-alike"}, {"a?.txt", "q"}, {"ab.txt", "ab"}})));
    zip.ExactNames = true;
    const QString exact = dir.mkdir("exact");
    EXPECT_EQ(ExtractTo(exact, {"a[1].txt"}), 1);
    EXPECT_EQ(ExtractTo(exact, {}), 0);
    EXPECT_EQ(Listing(exact), QStringList({"a[1].txt"}));
    EXPECT_EQ(readAll(exact + "a[1].txt"), "exact");
    zip.FSpecArgs = QStringList({"a?.txt"});
    zip.Delete();
    EXPECT_EQ(Names(), QStringList({"a[1].txt", "a1.txt", "ab.txt"}));

    // Without ExactNames the same texts are patterns, for callers that mean them so.
    zip.ExactNames = false;
    const QString patterns = dir.mkdir("patterns");
    EXPECT_EQ(ExtractTo(patterns, {"a[1].txt"}), 2);
    EXPECT_EQ(Listing(patterns), QStringList({"a1.txt", "a[1].txt"}));
}

TEST_F(ZipExtractTest, UpdateAndFreshenReplaceOnlyOlderFiles)
{
    zip.SetZipFilename(dir.write("s.zip", SampleArchive())); // members dated 2025-01-01
    const QString target = dir.mkdir("t");
    dir.write("t/top.txt", "older");
    SetModified(target + "top.txt", QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
    dir.write("t/inner.txt", "newer");
    SetModified(target + "inner.txt", QDateTime(QDate(2030, 1, 1), QTime(0, 0)));

    zip.ExtrOptions = ExtrFreshen;
    zip.FSpecArgs.clear();
    EXPECT_EQ(ExtractTo(target), 1);
    EXPECT_EQ(readAll(target + "top.txt"), "top");
    EXPECT_EQ(readAll(target + "inner.txt"), "newer");

    QFile::remove(target + "top.txt");
    EXPECT_EQ(ExtractTo(target), 0); // freshen creates nothing
    zip.ExtrOptions = ExtrUpdate | ExtrFreshen;
    EXPECT_EQ(ExtractTo(target), 1); // update creates what is missing
    EXPECT_EQ(readAll(target + "top.txt"), "top");
    EXPECT_EQ(readAll(target + "inner.txt"), "newer");
}

TEST_F(ZipExtractTest, HostileNamesNeverWriteOutsideTheTarget)
{
    const QString root = dir.mkdir("root");
    TMemberBytes link{"link", "../"};
    link.UnixMode = S_IFLNK | 0777;
    TMemberBytes device{"dev", ""};
    device.UnixMode = S_IFCHR | 0666;
    zip.SetZipFilename(dir.write("root/evil.zip", BuildZip({{"../up.txt", "1"},
                                                            {(root + "abs.txt").toUtf8(), "2"},
                                                            {"sub/../../up2.txt", "3"},
                                                            {"..\\up3.txt", "4"},
                                                            {"C:\\drive.txt", "5"},
                                                            link,
                                                            {"link/through.txt", "6"},
                                                            device,
                                                            {"", "nameless"},
                                                            {"ok.txt", "fine"}})));
    const QString target = dir.mkdir("root/target");
    // A link already in the target must not lead outside either.
    QDir(root).mkdir("outside");
    QFile::link(root + "outside", target + "out");
    dir.write("root/victim.txt", "keep");
    QFile::link(root + "victim.txt", target + "victim.txt");
    TMemberBytes viaLink{"out/x.txt", "7"};
    const QString second =
        dir.write("root/evil2.zip", BuildZip({viaLink, {"victim.txt", "overwritten"}}));

    zip.ExtrOptions = ExtrDirNames | ExtrOverWrite;
    EXPECT_EQ(ExtractTo(target), 2); // ok.txt and link/through.txt as a plain folder
    zip.SetZipFilename(second);
    EXPECT_EQ(ExtractTo(target), 0);

    EXPECT_EQ(Listing(root),
              QStringList({"evil.zip", "evil2.zip", "outside", "target", "victim.txt"}));
    EXPECT_TRUE(Listing(root + "outside").isEmpty());
    EXPECT_EQ(readAll(root + "victim.txt"), "keep");
    EXPECT_EQ(readAll(target + "ok.txt"), "fine");
    EXPECT_TRUE(QFileInfo(target + "link").isDir() && !QFileInfo(target + "link").isSymLink());
    EXPECT_EQ(libMessages.size(), 10) << qPrintable(libMessages.join('\n'));
    for (const QString& m : libMessages)
        EXPECT_TRUE(m.contains("Skipped")) << qPrintable(m);
}

TEST_F(ZipExtractTest, ProgressReportsEachFileAndTheEnd)
{
    zip.SetZipFilename(dir.write("s.zip", SampleArchive()));
    QStringList events;
    zip.OnProgress = [&](QObject*, ProgressType type, const QString& name, qint64 size) {
        if (type != ptFileStep)
            events << QStringLiteral("%1 %2 %3").arg(int(type)).arg(name).arg(size);
    };
    ExtractTo(dir.mkdir("p"));
    EXPECT_EQ(events, QStringList({"0 top.txt 3", "0 folder/inner.txt 5", "2   0"}));
}

TEST_F(ZipExtractTest, CancelStopsTheLibraryAndIsClearedAfterwards)
{
    zip.SetZipFilename(dir.write("s.zip", SampleArchive()));
    zip.OnProgress = [&](QObject*, ProgressType type, const QString&, qint64) {
        if (type == ptFileStart)
            zip.CancelRequested = true;
    };
    const QString target = dir.mkdir("c");
    EXPECT_EQ(ExtractTo(target), 1);
    EXPECT_EQ(Listing(target), QStringList({"top.txt"}));
    EXPECT_FALSE(zip.CancelRequested);
}

TEST_F(ZipExtractTest, CallsFromInsideACallbackAreIgnored)
{
    zip.SetZipFilename(dir.write("s.zip", SampleArchive()));
    const QString inner = dir.mkdir("inner");
    int nested = 0;
    zip.OnProgress = [&](QObject*, ProgressType type, const QString&, qint64) {
        if (type == ptFileStart && nested++ == 0) {
            zip.ExtrBaseDir = inner;
            zip.Extract();
        }
    };
    const QString outer = dir.mkdir("outer");
    EXPECT_EQ(ExtractTo(outer), 2);
    EXPECT_TRUE(Listing(inner).isEmpty());
}

TEST_F(ZipExtractTest, HandlerErrorsLeaveTheOperationAfterCleanUp)
{
    zip.SetZipFilename(dir.write("s.zip", SampleArchive()));
    zip.OnProgress = [](QObject*, ProgressType, const QString&, qint64) {
        throw platform::EError(QStringLiteral("handler failed"));
    };
    zip.ExtrBaseDir = dir.mkdir("h");
    zip.FSpecArgs = QStringList({"top.txt"});
    try {
        zip.Extract();
        ADD_FAILURE() << "no error left Extract";
    } catch (const platform::EError& e) {
        EXPECT_EQ(e.Message(), "handler failed");
    }
    EXPECT_FALSE(zip.UnzipBusy());
    EXPECT_TRUE(zip.FSpecArgs.isEmpty());
    EXPECT_FALSE(TZipArchive::UnzLibLoaded());
}

TEST_F(ZipExtractTest, Utf8NamesSurviveAddReadAndExtract)
{
    const QString name = QString::fromUtf8("Grüße 日本.txt");
    const QString file = dir.write("u/" + name, "u");
    AddTo(dir("u.zip"), {file});
    ASSERT_EQ(zip.EntryCount(), 1);
    EXPECT_EQ(zip.EntryList()[0].FileName, name);
    EXPECT_TRUE(zip.EntryList()[0].GeneralFlags & 0x0800);
    const QString target = dir.mkdir("ut");
    EXPECT_EQ(ExtractTo(target, {name}), 1);
    EXPECT_EQ(Listing(target), QStringList({name}));
}

TEST_F(ZipExtractTest, UnflaggedNamesAreFoundAndWrittenAsThePanelShowsThem)
{
    // UTF-8 bytes without bit 11: the reader shows them as code page 437.
    const QByteArray raw = QString::fromUtf8("ü.txt").toUtf8();
    const QString archive = dir.write("n.zip", BuildZip({{raw, "u"}, {"keep.txt", "k"}}));
    zip.SetZipFilename(archive);
    const QString shown = QString::fromUtf8("├╝.txt");
    ASSERT_EQ(Names(), QStringList({shown, "keep.txt"}));

    const QString target = dir.mkdir("n");
    EXPECT_EQ(ExtractTo(target, {shown}), 1);
    EXPECT_EQ(Listing(target), QStringList({shown}));

    zip.FSpecArgs = QStringList({shown});
    zip.Delete();
    EXPECT_EQ(zip.SuccessCount(), 1);
    EXPECT_EQ(Names(), QStringList({"keep.txt"}));
}

// The declared size is held across every block read, not only the first: a member whose
// data runs past it a few blocks in is stopped where it passes it.
TEST_F(ZipExtractTest, DataRunningPastTheDeclaredSizeAfterSeveralBlocksIsStoppedThere)
{
    QByteArray bytes = BuildZip({{"long.bin", QByteArray(300000, 'x')}, {"fine.txt", "fine"}});
    qToLittleEndian<quint32>(150000, bytes.data() + 22); // the local header's size
    const qsizetype central = bytes.indexOf(QByteArray("PK\x01\x02", 4));
    ASSERT_GT(central, 0);
    qToLittleEndian<quint32>(150000, bytes.data() + central + 24);
    zip.SetZipFilename(dir.write("long.zip", bytes));
    ASSERT_EQ(zip.EntryList()[0].UncompressedSize, 150000u);
    const QString target = dir.mkdir("long");
    EXPECT_EQ(ExtractTo(target), 1);
    EXPECT_EQ(Listing(target), QStringList({"fine.txt"}));
    EXPECT_TRUE(libMessages.join('\n').contains(
        "long.bin: the member is damaged: its data runs past the 150000 bytes its header declares"))
        << libMessages.join('\n').toStdString();
}

} // namespace
