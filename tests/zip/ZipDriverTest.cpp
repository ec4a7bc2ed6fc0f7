// The library driver with the real libraries: adding, deleting and extracting
// through the command records, the refusals, the loading failures and the callbacks.
#include "zip/ZipBytes.h"
#include "zip/ZipFixture.h"

#include <QFile>

namespace
{

using ZipDriverTest = ZipFixture;

TEST_F(ZipDriverTest, AddWithTheMainWindowSettings)
{
    const QByteArray text = QByteArray("compressible line\n").repeated(200);
    const QString a = dir.write("src/a.txt", text);
    const QString hidden = dir.write("src/.hidden", "h");
    dir.write("src/sub/b.txt", "b");
    const QString archive = dir("out.zip");

    EXPECT_EQ(AddTo(archive, {a, hidden, dir("src/sub")}), 2);
    EXPECT_EQ(Names(), QStringList({"a.txt", ".hidden"})); // read again, no folders
    EXPECT_TRUE(zip.FSpecArgs.isEmpty());
    EXPECT_FALSE(zip.ZipBusy());
    EXPECT_EQ(zip.EntryList()[0].CompressionMethod, 8);
    EXPECT_LT(zip.EntryList()[0].CompressedSize, 200u);
    EXPECT_EQ(zip.EntryList()[0].UncompressedSize, quint32(text.size()));
    EXPECT_TRUE(messages.isEmpty());

    // Round trip: what comes out is what went in.
    const QString target = dir.mkdir("target");
    EXPECT_EQ(ExtractTo(target), 2);
    EXPECT_EQ(readAll(target + "a.txt"), text);
    EXPECT_EQ(readAll(target + ".hidden"), "h");
}

TEST_F(ZipDriverTest, RecursionKeepsFolderNamesAndHonoursHiddenFiles)
{
    dir.write("tree/top.txt", "t");
    dir.write("tree/.secret", "s");
    dir.write("tree/deep/.dot/x.txt", "x");
    dir.write("tree/deep/leaf.txt", "l");
    zip.AddOptions = AddRecurseDirs | AddDirNames;
    zip.AddCompLevel = 0;
    AddTo(dir("r.zip"), {dir("tree")});
    const QString base = dir("tree").mid(1); // stored without the leading "/"
    QStringList names = Names();
    names.sort();
    EXPECT_EQ(names, QStringList({base + "/", base + "/deep/", base + "/deep/leaf.txt",
                                  base + "/top.txt"}));
    for (const ZipDirEntry& e : zip.EntryList())
        EXPECT_EQ(e.CompressionMethod, 0) << qPrintable(e.FileName);

    zip.AddOptions = AddRecurseDirs | AddHiddenFiles;
    AddTo(dir("h.zip"), {dir("tree")});
    names = Names();
    names.sort();
    EXPECT_EQ(names, QStringList({".secret", "leaf.txt", "top.txt", "x.txt"}));

    // An archive inside the folder being added does not go into itself.
    AddTo(dir("tree/self.zip"), {dir("tree/top.txt")});
    AddTo(dir("tree/self.zip"), {dir("tree")});
    EXPECT_FALSE(Names().contains("self.zip")) << Names().join(' ').toStdString();
    EXPECT_TRUE(Names().contains("leaf.txt"));
}

TEST_F(ZipDriverTest, WildcardsSelectFilesInTheirFolder)
{
    dir.write("w/one.txt", "1");
    dir.write("w/two.txt", "2");
    dir.write("w/three.dat", "3");
    dir.write("w/.four.txt", "4");
    zip.AddOptions = {};
    EXPECT_EQ(AddTo(dir("w.zip"), {dir("w/*.txt")}), 2);
    QStringList names = Names();
    names.sort();
    EXPECT_EQ(names, QStringList({"one.txt", "two.txt"}));
}

TEST_F(ZipDriverTest, UpdateAndFreshenReplaceOnlyOlderMembers)
{
    const QString old = dir.write("f/old.txt", "old");
    const QString archive = dir("u.zip");
    AddTo(archive, {old});
    dir.write("f/old.txt", "newer");
    SetModified(old, QDateTime::currentDateTime().addSecs(60));
    const QString fresh = dir.write("f/fresh.txt", "fresh");

    zip.AddOptions = AddFreshen;
    EXPECT_EQ(AddTo(archive, {old, fresh}), 1); // replaces, adds nothing new
    EXPECT_EQ(Names(), QStringList({"old.txt"}));
    EXPECT_EQ(zip.EntryList()[0].UncompressedSize, 5u);
    EXPECT_EQ(AddTo(archive, {old}), 0); // not newer any more

    // Both asked: update wins, so new files are added.
    zip.AddOptions = AddFreshen | AddUpdate;
    zip.FillZipCommand();
    EXPECT_EQ(zip.ZipCommand().Update, -1);
    EXPECT_EQ(zip.ZipCommand().Freshen, 0);
    EXPECT_EQ(AddTo(archive, {old, fresh}), 1);
    EXPECT_EQ(Names(), QStringList({"old.txt", "fresh.txt"}));
}

TEST_F(ZipDriverTest, ZeroCountDoesNotReadTheArchiveAgain)
{
    const QString a = dir.write("a.txt", "a");
    const QString archive = dir("z.zip");
    AddTo(archive, {a});
    QFile::remove(archive); // the entry list now differs from the disk
    zip.FSpecArgs = {dir("nothing-here.txt")};
    zip.Add();
    EXPECT_EQ(zip.SuccessCount(), 0);
    EXPECT_EQ(Names(), QStringList({"a.txt"}));
    EXPECT_TRUE(zip.FSpecArgs.isEmpty());
    ASSERT_EQ(libMessages.size(), 1);
    EXPECT_TRUE(libMessages[0].contains("nothing-here.txt"));
}

TEST_F(ZipDriverTest, MoveDeletesSourcesOnlyOnceTheArchiveIsWritten)
{
    const QString a = dir.write("m/a.txt", "a");
    zip.AddOptions = AddMove;
    EXPECT_EQ(AddTo(dir("no/such/folder/m.zip"), {a}), 0);
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_EQ(libMessages.size(), 1);

    EXPECT_EQ(AddTo(dir("m.zip"), {a}), 1);
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_EQ(Names(), QStringList({"a.txt"}));
}

TEST_F(ZipDriverTest, ArchiveTimeIsTheNewestMember)
{
    const QString a = dir.write("t/a.txt", "a");
    const QDateTime past(QDate(2001, 2, 3), QTime(4, 5, 6));
    SetModified(a, past);
    zip.AddOptions = AddZipTime;
    AddTo(dir("t.zip"), {a});
    EXPECT_EQ(QFileInfo(dir("t.zip")).lastModified(), past);
}

TEST_F(ZipDriverTest, DeleteTakesNamesWithEitherSeparator)
{
    const QString archive =
        dir.write("d.zip", BuildZip({{"d/x.txt", "x"}, {"d/y.txt", "y"}, {"z.txt", "z"}}));
    zip.SetZipFilename(archive);
    zip.FSpecArgs = QStringList({"d/x.txt", "d\\y.txt"});
    zip.Delete();
    EXPECT_EQ(zip.SuccessCount(), 2);
    EXPECT_EQ(Names(), QStringList({"z.txt"}));
    EXPECT_TRUE(zip.FSpecArgs.isEmpty());

    // Deleting the last member keeps an empty archive rather than removing the file.
    zip.FSpecArgs = QStringList({"z.txt"});
    zip.Delete();
    EXPECT_EQ(zip.SuccessCount(), 1);
    EXPECT_EQ(readAll(archive), EmptyZip());
    EXPECT_TRUE(messages.isEmpty()); // an emptied archive is no error
}

TEST_F(ZipDriverTest, RefusalsChangeNothing)
{
    const QString a = dir.write("a.txt", "a");
    zip.FSpecArgs.clear();
    zip.Add();
    zip.Delete();
    zip.FSpecArgs = QStringList({a});
    zip.Add(); // no archive named
    zip.SetZipFilename(dir("missing.zip"));
    zip.Delete();
    const QString sfx = dir.write("SETUP.EXE", BuildZip({{"setup.txt", "s"}}));
    zip.SetZipFilename(sfx);
    zip.Add();
    zip.Delete();
    EXPECT_EQ(
        messages,
        QStringList({"Error - no files to zip", "Error - no files selected for deletion",
                     "Error - no zip file specified", "Error - no zip file specified",
                     "Error - this pgm can NOT add files to a self-extracting archive",
                     "Error - this pgm can NOT delete files from a self-extracting archive"}));
    EXPECT_EQ(zip.FSpecArgs, QStringList({a}));
    EXPECT_EQ(Names(), QStringList({"setup.txt"}));

    // Extracting from it is allowed.
    EXPECT_EQ(ExtractTo(dir.mkdir("x")), 1);
    EXPECT_EQ(readAll(dir("x/setup.txt")), "s");
}

TEST_F(ZipDriverTest, OversizedSelectionsAreRefused)
{
    zip.SetZipFilename(dir("big.zip"));
    for (int i = 0; i < TrvxMaxFileSpecs + 1; ++i)
        zip.FSpecArgs << QStringLiteral("f%1").arg(i);
    zip.Add();
    zip.Extract();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].startsWith("Error - too many files selected"));
    EXPECT_EQ(zip.FSpecArgs.size(), TrvxMaxFileSpecs + 1);

    messages.clear();
    zip.FSpecArgs = QStringList({"/" + QString(255, 'p')});
    zip.Add();
    zip.FSpecArgs = QStringList({"/" + QString(254, 'p')}); // 255 bytes fit
    zip.Add();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Error - name longer than 255 bytes"));
    EXPECT_EQ(libMessages.size(), 1); // the library saw the second one
}

TEST_F(ZipDriverTest, MissingLibraryIsReportedAndClearsTheBusyFlag)
{
    const QString a = dir.write("a.txt", "a");
    TZipArchive::SetLibraryDirectory(dir.mkdir("empty"));
    zip.SetZipFilename(dir("l.zip"));
    zip.FSpecArgs = QStringList({a});
    zip.Add();
    zip.ExtrBaseDir = dir.path();
    zip.Extract();
    EXPECT_EQ(messages, QStringList({"ZIPLIB not found", "UNZLIB not found"}));
    EXPECT_FALSE(zip.ZipBusy());
    EXPECT_FALSE(zip.UnzipBusy());
    EXPECT_FALSE(TZipArchive::ZipLibLoaded());

    // Once the library is there, the next add goes through.
    TZipArchive::SetLibraryDirectory(QStringLiteral(TRVX_LIB_DIR));
    zip.FSpecArgs = QStringList({a});
    zip.Add();
    EXPECT_EQ(zip.SuccessCount(), 1);
    EXPECT_FALSE(TZipArchive::ZipLibLoaded()); // freed again after the operation
}

TEST_F(ZipDriverTest, MissingEntryPointKeepsTheLibraryAndFailsTheCall)
{
    TZipArchive::SetLibraryDirectory(QStringLiteral(TRVX_BADLIB_DIR));
    zip.Trace = true;
    zip.LoadZipLib();
    EXPECT_TRUE(TZipArchive::ZipLibLoaded());
    EXPECT_EQ(messages,
              QStringList({"ZIP library loaded", "ZipLibExec function not found in ZIPLIB"}));

    messages.clear();
    zip.SetZipFilename(dir("e.zip"));
    zip.FSpecArgs = QStringList({dir.write("a.txt", "a")});
    zip.Add();
    EXPECT_EQ(messages, QStringList({"Fatal library error: abort exception"}));
    EXPECT_EQ(zip.SuccessCount(), 0);
    EXPECT_TRUE(zip.FSpecArgs.isEmpty());
    EXPECT_TRUE(TZipArchive::ZipLibLoaded()); // loaded before the call, so kept
    zip.UnloadZipLib();
    EXPECT_FALSE(TZipArchive::ZipLibLoaded());
}

TEST_F(ZipDriverTest, RecordsCarryTheComponentSettings)
{
    zip.Trace = true;
    zip.Verbose = false;
    zip.AddCompLevel = 3;
    zip.AddOptions = AddDirNames | AddMove;
    zip.ExtrOptions = ExtrFreshen | ExtrUpdate | ExtrDirNames;
    zip.ExactNames = true;
    zip.FillZipCommand();
    zip.FillUnzipCommand();
    const TZipCommand& c = zip.ZipCommand();
    EXPECT_EQ(c.Caller, &zip);
    EXPECT_EQ(c.Version, 120);
    EXPECT_EQ(c.Verbose, -1); // trace implies verbose
    EXPECT_EQ(c.Level, 3);
    EXPECT_EQ(c.JunkDirNames, 0);
    EXPECT_EQ(c.Move, -1);
    EXPECT_EQ(c.HiddenFiles, 0);
    EXPECT_EQ(c.Grow, -1);
    EXPECT_EQ(c.Reserved128, 7);
    EXPECT_EQ(c.ExactNames, -1);
    const TUnzipCommand& u = zip.UnzipCommand();
    EXPECT_EQ(u.ExactNames, -1);
    EXPECT_EQ(u.Verbose, -1);
    EXPECT_EQ(u.Update, -1);
    EXPECT_EQ(u.Freshen, 0);
    EXPECT_EQ(u.DirNames, -1);
    EXPECT_EQ(u.OverWrite, 0);
}

TEST_F(ZipDriverTest, CallbackTrimsMessagesAndReportsCancel)
{
    TLibCallbackInfo info;
    info.Caller = &zip;
    info.ActionCode = TrvxActionMessage;
    info.ErrorCode = 7;
    qstrcpy(info.Text, "disk full\r\n");
    EXPECT_EQ(TZipArchive::LibCallback(&info), 0);
    zip.CancelRequested = true;
    info.ActionCode = 99; // unknown actions only return
    EXPECT_EQ(TZipArchive::LibCallback(&info), 0);
    info.ActionCode = TrvxActionFileStep;
    EXPECT_EQ(TZipArchive::LibCallback(&info), -1);
    EXPECT_EQ(libMessages, QStringList({"7 disk full"}));

    EXPECT_EQ(TZipArchive::TrimLineEnd("a\n"), "a");
    EXPECT_EQ(TZipArchive::TrimLineEnd("a\r\n"), "a");
    EXPECT_EQ(TZipArchive::TrimLineEnd("a\n\n"), "a");
    EXPECT_EQ(TZipArchive::TrimLineEnd("\n"), "");
    EXPECT_EQ(TZipArchive::TrimLineEnd("a\r\nb"), "a\r\nb");
    EXPECT_EQ(TZipArchive::TrimLineEnd("a\n\n\n"), "a\n");
}

} // namespace

TEST_F(ZipDriverTest, AddIntoAFolderOfTheArchiveOnlyBelowAPlainFolder)
{
    dir.write("in/a.txt", "a");
    dir.write("in/f/b.txt", "b");
    zip.AddOptions = {};
    zip.AddNamePrefix = "sub/deeper/";
    EXPECT_EQ(AddTo(dir("p.zip"), {dir("in/a.txt")}), 1);
    zip.AddOptions = AddRecurseDirs | AddDirNames;
    zip.AddBaseDir = dir("in");
    EXPECT_EQ(AddTo(dir("p.zip"), {"f"}), 2);
    QStringList names = Names();
    names.sort();
    EXPECT_EQ(names, QStringList({"sub/deeper/a.txt", "sub/deeper/f/", "sub/deeper/f/b.txt"}));

    // A folder that is not plain (a ".." or "." part, absolute, no final "/") adds nothing.
    zip.AddOptions = {};
    zip.AddBaseDir.clear();
    for (const QString& prefix : {"../", "sub/../../", "/abs/", "./sub/", "sub//x/", "sub"}) {
        messages.clear();
        zip.AddNamePrefix = prefix;
        EXPECT_EQ(AddTo(dir("p.zip"), {dir("in/a.txt")}), 0) << prefix.toStdString();
        EXPECT_EQ(Names().size(), 3) << prefix.toStdString();
    }
}
