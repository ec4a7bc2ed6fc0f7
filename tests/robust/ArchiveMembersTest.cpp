// Members of archives made by the real tools that are not plain files under one name:
// a name held twice, data under a special file's mode, hard links. Copied out with F5
// as a user does, and checked byte for byte.
#include "main/FileOpsFixture.h"

namespace
{

class ArchiveMembersTest : public FileOpsTest
{
protected:
    // Runs a shell command line in the folder "src".
    bool Shell(const QString& line)
    {
        dir.mkdir("src");
        QProcess sh;
        sh.setWorkingDirectory(dir("src"));
        sh.start("sh", {"-c", line});
        return sh.waitForFinished() && sh.exitCode() == 0;
    }
    // Selects the left panel's rows at `rows` and makes it active.
    void SelectRows(const std::vector<int>& rows)
    {
        TVirtualListView* files = main->Left().Files;
        files->ClearItemStates();
        for (int row : rows)
            files->SetItemSelected(row, true);
        main->FilesEnter(sdLeft);
    }
    int RowOfSize(const QString& name, qint64 size)
    {
        const TFileListing& l = main->Left().Listing;
        for (int i = 0; i < l.Count(); ++i)
            if (l[i].Name == name && l[i].Size == size)
                return i;
        return -1;
    }
};

// "tar rf" appends a newer file under the same name: both rows are listed, and a copy
// of either never answers with the other's content.
TEST_F(ArchiveMembersTest, ANameATarArchiveHoldsTwiceIsRefusedNotAnsweredByTheOtherMember)
{
    ASSERT_TRUE(Shell("printf 'sixteen bytes!!\\n' > report.txt && printf 'other' > other.txt && "
                      "tar cf " +
                      left +
                      "dup.tar report.txt other.txt && "
                      "printf 'twenty-four bytes here!\\n' > report.txt && "
                      "tar rf " +
                      left + "dup.tar report.txt"));
    Open(sdLeft, left);
    OpenArchive(sdLeft, "dup.tar");
    const int newer = RowOfSize("report.txt", 24);
    ASSERT_GE(newer, 0) << Names(sdLeft).join(' ').toStdString();
    ASSERT_GE(RowOfSize("report.txt", 16), 0);
    SelectRows({newer, Row(sdLeft, "other.txt")});
    Press(Qt::Key_F5);
    EXPECT_FALSE(QFileInfo::exists(right + "report.txt"));
    EXPECT_EQ(readAll(right + "other.txt"), "other");
    EXPECT_EQ(messages.join('\n'), "Skipped report.txt: the archive holds 2 members of that "
                                   "name, and which one was meant cannot be told");
}

// A backup made from a pipe: zip stores one member "-" whose mode says FIFO.
TEST_F(ArchiveMembersTest, AMemberWithASpecialFilesModeButDataIsCopiedAsAFile)
{
    ASSERT_TRUE(Shell("printf 'dumped data' | zip -q " + left + "backup.zip -"));
    Open(sdLeft, left);
    OpenArchive(sdLeft, "backup.zip");
    Select(sdLeft, {"-"});
    Press(Qt::Key_F5);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const QFileInfo copied(right + "-");
    EXPECT_TRUE(copied.isFile() && !copied.isSymLink());
    EXPECT_EQ(readAll(right + "-"), "dumped data");
}

// tar stores the second name of a hard-linked file as a link to the first, without data.
TEST_F(ArchiveMembersTest, HardLinkedTarMembersArriveAsCopiesOfTheirContent)
{
    ASSERT_TRUE(Shell("printf 'shared content' > plain.txt && ln plain.txt hard.txt && "
                      "ln plain.txt third.txt && printf x > other.txt && "
                      "tar cf " +
                      left + "links.tar plain.txt other.txt hard.txt third.txt"));
    Open(sdLeft, left);
    OpenArchive(sdLeft, "links.tar");
    Select(sdLeft, {"hard.txt", "third.txt"}); // without the member they link to
    Press(Qt::Key_F5);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(readAll(right + "hard.txt"), "shared content");
    EXPECT_EQ(readAll(right + "third.txt"), "shared content");
    EXPECT_FALSE(QFileInfo::exists(right + "plain.txt"));

    QDir(right).removeRecursively();
    dir.mkdir("right");
    Select(sdLeft, {"hard.txt", "other.txt", "plain.txt"});
    Press(Qt::Key_F5);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(readAll(right + "plain.txt"), "shared content");
    EXPECT_EQ(readAll(right + "hard.txt"), "shared content");
    EXPECT_EQ(readAll(right + "other.txt"), "x");
    EXPECT_EQ(QFileInfo(right + "hard.txt").size(), 14);
}

// zip on Linux stores UTF-8 names without the UTF-8 flag, Python with it, 7z in its own
// way: each panel shows the name unzip shows, and F5 writes the file under that name.
TEST_F(ArchiveMembersTest, NamesOfArchivesMadeByZipPythonAnd7zReadAsUnzipReadsThem)
{
    const QString name = QString::fromUtf8("sp ace ü.txt");
    dir.write("src/tree/" + name, "umlaut");
    const QStringList makers = {
        "zip -q -r " + left + "by-zip.zip tree",
        "python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1],'w'); "
        "z.write(sys.argv[2]); z.close()\" " +
            left + "by-python.zip 'tree/" + name + "'",
        "7z a -bd " + left + "by-7z.zip tree > /dev/null",
    };
    for (const QString& maker : makers) {
        SCOPED_TRACE(maker.toStdString());
        ASSERT_TRUE(Shell(maker));
    }
    for (const QString& archive : {"by-zip.zip", "by-python.zip", "by-7z.zip"}) {
        SCOPED_TRACE(archive.toStdString());
        QDir(right).removeRecursively();
        dir.mkdir("right");
        Open(sdLeft, left);
        OpenArchive(sdLeft, archive);
        DoubleClick(sdLeft, "tree"); // the archive's folder
        ASSERT_GE(Row(sdLeft, "tree/" + name), 0) << Names(sdLeft).join(' ').toStdString();
        Select(sdLeft, {"tree/" + name});
        Press(Qt::Key_F5);
        EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
        EXPECT_EQ(readAll(right + name), "umlaut");
    }
}

} // namespace
