// Changing a ZIP archive shown in a panel: an archive the user may not write is left
// alone with a message, an archive opened through a link is changed where the link
// points and the link stays.
#include "main/FileOpsFixture.h"
#include "robust/RobustSupport.h"

#include <sys/stat.h>

using robust::Snapshot;

namespace
{

class ArchiveChangeTest : public FileOpsTest
{
protected:
    // right/kept.zip holding old.txt, and left/new.txt to add to it.
    void SetUp() override
    {
        FileOpsTest::SetUp();
        dir.write("src/old.txt", "old");
        ASSERT_TRUE(RunZip(dir("src"), {"-q", right + "kept.zip", "old.txt"}));
        dir.write("left/new.txt", "new");
    }
    static ino_t Inode(const QString& path)
    {
        struct stat st {
        };
        return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
    }
    QStringList Members(const QString& archive)
    {
        QProcess unzip;
        unzip.start("zipinfo", {"-1", archive});
        unzip.waitForFinished();
        return QString::fromUtf8(unzip.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }
};

// Mode 0444 says "do not change": root, who could, is refused as well.
TEST_F(ArchiveChangeTest, AWriteProtectedArchiveIsNeitherAddedToNorDeletedFrom)
{
    ASSERT_EQ(::chmod(QFile::encodeName(right + "kept.zip").constData(), 0444), 0);
    const robust::TTree before = Snapshot(right);
    const ino_t inode = Inode(right + "kept.zip");
    Open(sdRight, right);
    OpenArchive(sdRight, "kept.zip");
    Open(sdLeft, left);
    Select(sdLeft, {"new.txt"});
    Press(Qt::Key_F5);
    EXPECT_EQ(messages, QStringList({"Error - " + right +
                                     "kept.zip is write-protected: "
                                     "nothing added"}));
    messages.clear();
    Select(sdRight, {"old.txt"});
    AnswerQuestion(1);
    Press(Qt::Key_F8);
    EXPECT_EQ(messages, QStringList({"Error - " + right +
                                     "kept.zip is write-protected: "
                                     "nothing deleted"}));
    EXPECT_EQ(robust::Diff(Snapshot(right), before), "");
    EXPECT_EQ(Inode(right + "kept.zip"), inode);
    EXPECT_TRUE(QFileInfo::exists(left + "new.txt"));
}

TEST_F(ArchiveChangeTest, AnArchiveOpenedThroughALinkIsChangedWhereItPointsAndTheLinkStays)
{
    ASSERT_TRUE(QFile::link(right + "kept.zip", left + "link.zip"));
    Open(sdRight, left);
    OpenArchive(sdRight, "link.zip");
    Open(sdLeft, left);
    Select(sdLeft, {"new.txt"});
    Press(Qt::Key_F5);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(QFileInfo(left + "link.zip").isSymLink());
    EXPECT_EQ(QFileInfo(left + "link.zip").symLinkTarget(), right + "kept.zip");
    EXPECT_EQ(Members(right + "kept.zip"), QStringList({"old.txt", "new.txt"}));
    EXPECT_EQ(MemberContent(right + "kept.zip", "new.txt"), "new");

    Select(sdRight, {"old.txt"});
    AnswerQuestion(1);
    Press(Qt::Key_F8);
    EXPECT_TRUE(QFileInfo(left + "link.zip").isSymLink());
    EXPECT_EQ(Members(right + "kept.zip"), QStringList({"new.txt"}));
}

// libzip may write the archive after its last look at the cancel: a cancel that comes
// then (here: when the library reports its end) is said with what the archive holds.
TEST_F(ArchiveChangeTest, ACancelAfterTheArchiveWasWrittenSaysWhatTheArchiveHolds)
{
    Open(sdRight, right);
    OpenArchive(sdRight, "kept.zip");
    TZipArchive& zip = *main->Right().Zip;
    zip.OnProgress = [&zip](QObject*, ProgressType type, const QString&, qint64) {
        if (type == ptBatchEnd && zip.Progress)
            zip.Progress->Cancel();
    };
    Open(sdLeft, left);
    Select(sdLeft, {"new.txt"});
    Press(Qt::Key_F5);
    EXPECT_EQ(Members(right + "kept.zip"), QStringList({"old.txt", "new.txt"}));
    EXPECT_EQ(messages, QStringList({"Adding to kept.zip was cancelled after the archive was "
                                     "written: it holds 1 more member(s) than before"}));
    messages.clear();
    Select(sdRight, {"old.txt"});
    AnswerQuestion(1);
    Press(Qt::Key_F8);
    EXPECT_EQ(Members(right + "kept.zip"), QStringList({"new.txt"}));
    EXPECT_EQ(messages, QStringList({"Deleting from kept.zip was cancelled after the archive "
                                     "was written: 1 member(s) were deleted"}));
}

// The progress of an add counts the bytes as libzip reads them to write the archive,
// not the whole file when it starts.
TEST_F(ArchiveChangeTest, AnAddCountsItsBytesAsLibzipWritesThem)
{
    QByteArray data(8 << 20, Qt::Uninitialized);
    quint32 x = 12345;
    for (char& c : data)
        c = char((x = x * 1103515245u + 12345u) >> 24); // hardly compressible
    dir.write("left/big.bin", data);
    Open(sdLeft, left);
    Open(sdRight, right);
    OpenArchive(sdRight, "kept.zip");
    TZipArchive& zip = *main->Right().Zip;
    std::vector<qint64> seen; // written on the worker, read once the command is over
    zip.OnProgress = [&](QObject*, ProgressType type, const QString&, qint64) {
        if (type == ptFileStep && zip.Progress)
            seen.push_back(zip.Progress->Bytes());
    };
    Select(sdLeft, {"big.bin"});
    Press(Qt::Key_F5);
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), data.size());
    const auto between =
        std::count_if(seen.begin(), seen.end(), [&](qint64 b) { return b > 0 && b < data.size(); });
    EXPECT_GE(between, 4);
    EXPECT_EQ(MemberContent(right + "kept.zip", "big.bin"), data);
}

} // namespace
