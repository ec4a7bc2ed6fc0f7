// What the one message after an archive command says: only what happened, and why.
#include "main/FileOpsFixture.h"
#include "zip/ZipBytes.h"

namespace
{

class ArchiveMessagesTest : public FileOpsTest
{
protected:
    // right/kept.zip holding old.txt, opened in the right panel; the left panel active.
    void OpenKeptArchive()
    {
        dir.write("src/old.txt", "old");
        ASSERT_TRUE(RunZip(dir("src"), {"-q", right + "kept.zip", "old.txt"}));
        Open(sdRight, right);
        OpenArchive(sdRight, "kept.zip");
        Open(sdLeft, left);
    }
    // The member names of `archive` as zipinfo lists them, sorted.
    QStringList Members(const QString& archive)
    {
        QProcess zipinfo;
        zipinfo.start("zipinfo", {"-1", archive});
        zipinfo.waitForFinished();
        QStringList names =
            QString::fromUtf8(zipinfo.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        names.sort();
        return names;
    }
};

// A link to a folder inside an added folder is not followed (a loop would never end):
// everything else goes in, and the message says just that.
TEST_F(ArchiveMessagesTest, AFolderWithALinkLoopIsAddedWithoutTheLinkAndSaysSo)
{
    dir.write("left/tree/a.txt", "a");
    dir.write("left/tree/sub/b.txt", "b");
    ASSERT_TRUE(QFile::link(left + "tree", left + "tree/sub/loop"));
    OpenKeptArchive();
    Select(sdLeft, {"tree"});
    Press(Qt::Key_F5);
    EXPECT_EQ(Members(right + "kept.zip"),
              QStringList({"old.txt", "tree/", "tree/a.txt", "tree/sub/", "tree/sub/b.txt"}));
    EXPECT_EQ(messages, QStringList({"tree: copied without tree/sub/loop (links to folders and "
                                     "special files are not added)"}));
}

TEST_F(ArchiveMessagesTest, OnlyTheParentRowSelectedTowardAnArchiveSaysNothingWasSelected)
{
    OpenKeptArchive();
    dir.write("left/file.txt", "f");
    Open(sdLeft, left);
    Select(sdLeft, {".."});
    Press(Qt::Key_F6);
    EXPECT_EQ(messages, QStringList({"Nothing was moved into kept.zip: no file or folder is "
                                     "selected, and \"..\" is never moved"}));
    EXPECT_EQ(Members(right + "kept.zip"), QStringList({"old.txt"}));
}

// A member whose name holds a control character arrives under that name.
TEST_F(ArchiveMessagesTest, AMemberWithAnEscapeCharacterInItsNameArrives)
{
    const QByteArray name("esc\x1b[31mred.txt");
    dir.write("left/esc.zip", BuildZip({{name, "coloured"}, {"plain.txt", "plain"}}));
    Open(sdLeft, left);
    OpenArchive(sdLeft, "esc.zip");
    Select(sdLeft, {QString::fromLatin1(name), "plain.txt"});
    Press(Qt::Key_F5);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(readAll(right + QString::fromLatin1(name)), "coloured");
    EXPECT_EQ(readAll(right + "plain.txt"), "plain");
}

// Moving every member out leaves an empty archive: that is no error to report.
TEST_F(ArchiveMessagesTest, AnArchiveEmptiedByAMoveSaysNothingAboutMissingEntries)
{
    dir.write("src/old.txt", "old");
    ASSERT_TRUE(RunZip(dir("src"), {"-q", left + "kept.zip", "old.txt"}));
    Open(sdLeft, left);
    OpenArchive(sdLeft, "kept.zip");
    Select(sdLeft, {"old.txt"});
    Press(Qt::Key_F6);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(readAll(right + "old.txt"), "old");
    EXPECT_EQ(Names(sdLeft), QStringList({".."}));
    EXPECT_TRUE(QFileInfo::exists(left + "kept.zip"));
}

} // namespace

// A tar archive with a damaged header in its middle (its checksum), as bsdtar reads it:
// opening says what was passed over, and the member after it is copied out whole, the
// copy's message saying the same.
TEST_F(ArchiveMessagesTest, ADamagedTarHeaderIsPassedOverAndSaidOnOpeningAndCopying)
{
    dir.write("src/one.txt", "one");
    dir.write("src/two.bin", QByteArray(3000, '2'));
    dir.write("src/three.txt", "three");
    QProcess tar;
    tar.setWorkingDirectory(dir("src"));
    tar.start("tar", {"-cf", right + "r.tar", "one.txt", "two.bin", "three.txt"});
    ASSERT_TRUE(tar.waitForFinished(60000) && tar.exitCode() == 0);
    QFile file(right + "r.tar");
    ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek(1024 + 148)); // two.bin's checksum
    ASSERT_EQ(file.write("9"), 1);
    file.close();
    Open(sdRight, right);
    OpenArchive(sdRight, "r.tar");
    ASSERT_EQ(messages.size(), 1) << messages.join('\n').toStdString();
    EXPECT_TRUE(messages[0].startsWith(right + "r.tar: Damaged tar archive; "))
        << messages[0].toStdString();
    messages.clear();
    Select(sdRight, {"three.txt"});
    Press(Qt::Key_F5);
    EXPECT_EQ(readAll(left + "three.txt"), "three");
    ASSERT_EQ(messages.size(), 1) << messages.join('\n').toStdString();
    EXPECT_TRUE(messages[0].contains("Damaged tar archive")) << messages[0].toStdString();
}
