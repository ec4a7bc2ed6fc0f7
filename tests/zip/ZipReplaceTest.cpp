// Putting a file in place of one member: which member, which archive, and the times
// other tools read from the member afterwards.
#include "platform/FileSystem.h"
#include "zip/ZipBytes.h"
#include "zip/ZipFixture.h"

#include <QProcess>

namespace
{

class ZipReplaceTest : public ZipFixture
{
protected:
    // Runs `command` with sh in the scratch folder and returns its standard output.
    QByteArray Sh(const QString& command)
    {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral("sh"), {QStringLiteral("-c"), command});
        const bool finished = p.waitForFinished(60000);
        EXPECT_TRUE(finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            << qPrintable(command) << "\n"
            << p.readAllStandardError().constData();
        return p.readAllStandardOutput();
    }
    QString Said() const { return libMessages.join('\n'); }
};

// Python's zipfile writes the extra field given to both the local header and the central
// record; the reader prints, for each place, every time field it finds as Unix seconds.
const char* const kTimedArchive = R"(
import struct, sys, zipfile
old = 1000000000
ut = struct.pack('<HHBI', 0x5455, 5, 1, old)
ux = struct.pack('<HHII', 0x5855, 8, old, old)
nt = (old + 11644473600) * 10000000
ntfs = struct.pack('<HHIHHQQQ', 0x000a, 32, 0, 1, 24, nt, nt, nt)
info = zipfile.ZipInfo('timed.txt', date_time=(2001, 9, 9, 1, 46, 40))
info.extra = ut + ux + ntfs
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    z.writestr(info, b'old text')
)";
const char* const kTimeFields = R"(
import struct, sys, zipfile
def fields(extra):
    out, at = [], 0
    while at + 4 <= len(extra):
        tag, size = struct.unpack_from('<HH', extra, at)
        body = extra[at + 4:at + 4 + size]
        if tag == 0x5455 and body[0] & 1:
            out.append('UT=%d' % struct.unpack_from('<I', body, 1))
        elif tag == 0x5855:
            out.append('UX=%d' % struct.unpack_from('<I', body, 4))
        elif tag == 0x000a:
            out.append('NTFS=%d' % (struct.unpack_from('<Q', body, 8)[0] // 10000000 - 11644473600))
        at += 4 + size
    return ' '.join(out)
f = open(sys.argv[1], 'rb')
for info in zipfile.ZipFile(sys.argv[1]).infolist():
    f.seek(info.header_offset + 26)
    n, m = struct.unpack('<HH', f.read(4))
    f.seek(n, 1)
    print('%s central %s local %s' % (info.filename, fields(info.extra), fields(f.read(m))))
)";

TEST_F(ZipReplaceTest, OnlyANameTheArchiveHoldsOnceIsReplaced)
{
    const QByteArray twice =
        BuildZip({{"notes.txt", "first"}, {"other.txt", "other"}, {"notes.txt", "second"}});
    const QString archive = dir.write("twice.zip", twice);
    const QString edited = dir.write("edited.txt", "edited");
    zip.Replace(archive, "notes.txt", edited);
    EXPECT_EQ(zip.SuccessCount(), 0);
    EXPECT_EQ(readAll(archive), twice);
    EXPECT_TRUE(Said().contains("holds more than one member named notes.txt"))
        << qPrintable(Said());

    libMessages.clear();
    zip.Replace(archive, "missing.txt", edited);
    EXPECT_EQ(zip.SuccessCount(), 0);
    EXPECT_EQ(readAll(archive), twice);
    EXPECT_TRUE(Said().contains("holds no member named missing.txt")) << qPrintable(Said());

    libMessages.clear();
    zip.Replace(archive, "other.txt", edited);
    EXPECT_EQ(zip.SuccessCount(), 1) << qPrintable(Said());
    EXPECT_EQ(Sh("unzip -p twice.zip other.txt"), "edited");
}

// The member's new time is in every field that holds one, where tools such as unzip
// take it from (and restore it), not only in its DOS time.
TEST_F(ZipReplaceTest, EveryTimeFieldOfTheMemberSaysItsNewTime)
{
    dir.write("src/notes.txt", "first text\n");
    Sh("touch -d '2001-09-09 01:46:40' src/notes.txt && cd src && zip -q ../tool.zip notes.txt");
    dir.write("timed.py", kTimedArchive);
    dir.write("fields.py", kTimeFields);
    Sh("python3 timed.py timed.zip");
    const QString edited = dir.write("edited.txt", "new text\n");
    Sh("touch -d '2021-03-04 05:06:08' edited.txt");
    const QString stamp = QString::number(QFileInfo(edited).lastModified().toSecsSinceEpoch());

    zip.Replace(dir("tool.zip"), "notes.txt", edited);
    EXPECT_EQ(zip.SuccessCount(), 1) << qPrintable(Said());
    EXPECT_TRUE(Sh("unzip -l tool.zip").contains("2021-03-04 05:06"))
        << Sh("unzip -l tool.zip").constData();
    EXPECT_TRUE(Sh("zipinfo -T tool.zip notes.txt").contains("20210304.050608"))
        << Sh("zipinfo -T tool.zip notes.txt").constData();
    EXPECT_EQ(Sh("python3 fields.py tool.zip"),
              QStringLiteral("notes.txt central UT=%1 local UT=%1\n").arg(stamp).toUtf8());

    zip.Replace(dir("timed.zip"), "timed.txt", edited);
    EXPECT_EQ(zip.SuccessCount(), 1) << qPrintable(Said());
    EXPECT_EQ(Sh("python3 fields.py timed.zip"),
              QStringLiteral("timed.txt central UT=%1 UX=%1 NTFS=%1 local UT=%1 UX=%1 NTFS=%1\n")
                  .arg(stamp)
                  .toUtf8());
    EXPECT_EQ(Sh("unzip -p timed.zip timed.txt"), "new text\n");
}

// Another program puts another archive under the name, or changes the archive, while it
// is being written: the rewrite is dropped and the other program's file stays.
TEST_F(ZipReplaceTest, AnArchiveChangedWhileItIsWrittenIsLeftAsTheOtherProgramMadeIt)
{
    dir.write("src/notes.txt", "first text\n");
    dir.write("src/other.txt", "other\n");
    Sh("cd src && zip -q ../arc.zip notes.txt other.txt && zip -q ../theirs.zip other.txt");
    const QString archive = dir("arc.zip");
    const QString edited = dir.write("edited.txt", "edited\n");
    const QByteArray theirs = readAll(dir("theirs.zip"));
    zip.OnProgress = [&](QObject*, ProgressType type, const QString&, qint64) {
        if (type == ptFileStart)
            Sh("mv theirs.zip arc.zip");
    };
    zip.Replace(archive, "notes.txt", edited);
    EXPECT_EQ(zip.SuccessCount(), 0);
    EXPECT_EQ(readAll(archive), theirs);
    EXPECT_TRUE(Said().contains("Another program changed " + archive)) << qPrintable(Said());
    EXPECT_EQ(Listing(dir.path()).filter(".part").size(), 0);

    // Changed in place: the same file, with other bytes.
    libMessages.clear();
    Sh("cd src && rm ../arc.zip && zip -q ../arc.zip notes.txt other.txt");
    zip.OnProgress = [&](QObject*, ProgressType type, const QString&, qint64) {
        if (type == ptFileStart)
            Sh("cd src && zip -q ../theirs.zip notes.txt && cat ../theirs.zip > ../arc.zip");
    };
    zip.Replace(archive, "notes.txt", edited);
    EXPECT_EQ(zip.SuccessCount(), 0);
    EXPECT_EQ(readAll(archive), readAll(dir("theirs.zip")));
    EXPECT_TRUE(Said().contains("Another program changed")) << qPrintable(Said());
}

// The state the caller checked the archive in is the state the library finds it in, or
// nothing is written.
TEST_F(ZipReplaceTest, AnArchiveNoLongerInTheStateCheckedIsLeftAlone)
{
    dir.write("src/notes.txt", "first text\n");
    Sh("cd src && zip -q ../arc.zip notes.txt");
    const QString archive = dir("arc.zip");
    const QString edited = dir.write("edited.txt", "edited\n");
    platform::TFileStamp checked;
    ASSERT_TRUE(platform::GetFileStamp(archive, checked));
    Sh("touch -d '2020-01-01' arc.zip");
    const QByteArray before = readAll(archive);
    zip.Replace(archive, "notes.txt", edited, checked);
    EXPECT_EQ(zip.SuccessCount(), 0);
    EXPECT_EQ(readAll(archive), before);
    EXPECT_TRUE(Said().contains("changed just before notes.txt was to be put back"))
        << qPrintable(Said());

    ASSERT_TRUE(platform::GetFileStamp(archive, checked));
    zip.Replace(archive, "notes.txt", edited, checked);
    EXPECT_EQ(zip.SuccessCount(), 1) << qPrintable(Said());
    EXPECT_EQ(Sh("unzip -p arc.zip notes.txt"), "edited\n");
}

} // namespace
