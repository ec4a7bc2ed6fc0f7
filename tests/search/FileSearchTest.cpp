// The walk of the file search over real trees: names against `find`, links and their
// loops, unreadable folders, content and size limits, archives, and the worker thread.
#include "search/FileSearch.h"
#include "archive/ArchiveTools.h"
#include "platform/FileOpsFaults.h"
#include "search/ArchiveNames.h"
#include "search/SearchTestSupport.h"
#include "support/TempDir.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>

namespace
{

class FileSearchTest : public ::testing::Test
{
protected:
    TSearchOptions Options(const QString& masks)
    {
        TSearchOptions o;
        o.Folder = dir.path();
        o.Masks = masks;
        return o;
    }

    // A small tree with upper and lower case, hidden names, folders that match.
    void BuildTree()
    {
        dir.write("a.txt", "alpha");
        dir.write("B.TXT", "beta");
        dir.write(".hidden.txt", "h");
        dir.write("notes.md", "n");
        dir.write("sub/c.Txt", "c");
        dir.write("sub/deeper/d.txt", "d");
        dir.write("sub/deeper/e.log", "e");
        dir.mkdir("folder.txt/empty");
    }

    TempDir dir;
};

// Installs a fault hook for the life of the object.
class TFaultHook final
{
public:
    explicit TFaultHook(platform::TFileOpsFaultHook hook)
        : m_previous(platform::SetFileOpsFaultHook(std::move(hook)))
    {
    }
    ~TFaultHook() { platform::SetFileOpsFaultHook(std::move(m_previous)); }

private:
    platform::TFileOpsFaultHook m_previous;
};

} // namespace

TEST_F(FileSearchTest, NamesAsFindFindsThem)
{
    BuildTree();
    EXPECT_EQ(SearchPaths(Options("*.txt")), FindPaths(dir.path(), {"-iname", "*.txt"}));
    EXPECT_EQ(SearchPaths(Options("*.txt;*.LOG")),
              FindPaths(dir.path(), {"(", "-iname", "*.txt", "-o", "-iname", "*.log", ")"}));
    EXPECT_EQ(SearchPaths(Options("")), FindPaths(dir.path(), {}));
    // Without subfolders: only what the folder itself holds.
    TSearchOptions flat = Options("*.txt");
    flat.Subfolders = false;
    EXPECT_EQ(SearchPaths(flat), FindPaths(dir.path(), {"-maxdepth", "1", "-iname", "*.txt"}));
}

TEST_F(FileSearchTest, LinksToFoldersAreListedNotEnteredAndLoopsEndedOnce)
{
    dir.write("top/in.txt", "x");
    ASSERT_TRUE(QFile::link(dir("top"), dir("top/loop")));            // a loop back up
    ASSERT_TRUE(QFile::link(dir("top/in.txt"), dir("top/link.txt"))); // a link to a file
    QStringList found = SearchPaths(Options("*"));
    EXPECT_EQ(found,
              QStringList({dir("top"), dir("top/in.txt"), dir("top/link.txt"), dir("top/loop")}));
    // Followed, the loop leads back into "top", which was entered already.
    TSearchOptions follow = Options("*");
    follow.FollowLinks = true;
    EXPECT_EQ(SearchPaths(follow), found);
    // A link to a folder outside the tree is entered only when links are followed.
    TempDir outside;
    outside.write("far.txt", "f");
    ASSERT_TRUE(QFile::link(outside.path(), dir("top/out")));
    const QStringList all = SearchPaths(Options("*")); // the link's own name matches too
    EXPECT_TRUE(all.contains(dir("top/out")));
    EXPECT_FALSE(all.contains(dir("top/out/far.txt")));
    EXPECT_FALSE(SearchPaths(Options("*.txt")).contains(dir("top/out/far.txt")));
    follow.Masks = "*.txt";
    EXPECT_TRUE(SearchPaths(follow).contains(dir("top/out/far.txt")));
}

TEST_F(FileSearchTest, UnreadableFoldersAreListedAndTheWalkGoesOn)
{
    BuildTree();
    const TFaultHook hook([this](platform::TFileOpsStep step, const QString& path) {
        return step == platform::TFileOpsStep::OpenDirectory && path == dir("sub/") ? EACCES : 0;
    });
    QStringList unreadable;
    const QStringList found = SearchPaths(Options("*.txt"), &unreadable);
    EXPECT_EQ(unreadable, QStringList{dir("sub/")});
    EXPECT_TRUE(found.contains(dir("a.txt")));
    EXPECT_FALSE(found.contains(dir("sub/c.Txt")));
}

TEST_F(FileSearchTest, ContainingTextWithSizeLimitAndBinaryFiles)
{
    dir.write("utf8.txt", QString::fromUtf8("Grüße aus KÖLN").toUtf8());
    dir.write("latin.txt", QByteArray("Gr\xFC\xDF"
                                      "e aus k\xF6ln"));
    dir.write("other.txt", "nothing here");
    dir.write("sub/binary.dat", QByteArray("\0\0aus Köln", 12));
    dir.write("sub/large.txt", QByteArray(2 * 1024 * 1024, ' ') + "aus köln");
    TSearchOptions o = Options("*");
    o.Text = QString::fromUtf8("AUS köln");
    EXPECT_EQ(SearchPaths(o), QStringList({dir("latin.txt"), dir("sub/binary.dat"),
                                           dir("sub/large.txt"), dir("utf8.txt")}));
    o.SkipBinary = true;
    o.SizeLimit = 1024 * 1024;
    EXPECT_EQ(SearchPaths(o), QStringList({dir("latin.txt"), dir("utf8.txt")}));
}

TEST_F(FileSearchTest, AFileThatNeverEndsIsReadOnlyUpToTheLimit)
{
    // Like a file under /proc: it says it is nearly empty, yet more keeps coming while it
    // is read. Another program appends to it before every read, the text once it is four
    // limits long; past 16 limits it gives up.
    constexpr qint64 kLimit = 64 * 1024;
    dir.write("endless.txt", "x");
    dir.write("short.txt", "the needle");
    const QString endless = dir("endless.txt");
    const TFaultHook grow([endless](platform::TFileOpsStep step, const QString& path) {
        if (step != platform::TFileOpsStep::FileBlockRead || path != endless)
            return 0;
        QFile file(endless);
        if (!file.open(QIODevice::Append) || file.size() > 16 * kLimit)
            return EIO;
        file.write(QByteArray(kLimit / 2, 'a') + (file.size() > 4 * kLimit ? " needle " : ""));
        return 0;
    });
    TSearchOptions o = Options("*.txt");
    o.Text = "needle";
    o.SizeLimit = kLimit;
    // The short file is searched whole; the endless one is read up to the limit and is
    // then larger than it: skipped, its text never reached.
    EXPECT_EQ(SearchPaths(o), QStringList{dir("short.txt")});
    EXPECT_LT(QFileInfo(endless).size(), 4 * kLimit);
    // Without a limit it is read as far as it goes, and holds the text.
    o.SizeLimit = 0;
    EXPECT_EQ(SearchPaths(o), QStringList({endless, dir("short.txt")}));
}

TEST_F(FileSearchTest, MemberNamesOfZipAndReadOnlyArchives)
{
    dir.write("src/readme.txt", "r");
    dir.write("src/docs/guide.txt", "g");
    dir.write("src/image.png", "p");
    ASSERT_TRUE(RunTool(dir("src"), "zip", {"-qr", dir("pack.zip"), "."}));
    ASSERT_TRUE(RunTool(dir("src"), "tar", {"-czf", dir("pack.tar.gz"), "readme.txt", "docs"}));
    dir.write("broken.zip", "not really an archive");
    TSearchOptions o = Options("guide*");
    EXPECT_EQ(SearchPaths(o), QStringList{dir("src/docs/guide.txt")});
    o.InsideArchives = true;
    EXPECT_EQ(SearchPaths(o),
              QStringList({dir("pack.tar.gz/docs/guide.txt"), dir("pack.zip/docs/guide.txt"),
                           dir("src/docs/guide.txt")}));
    TSearchProgress progress;
    o.Masks = "*.txt";
    RunFileSearch(o, progress);
    for (const TSearchHit& hit : progress.TakeHits())
        if (hit.Member == "docs/guide.txt" && hit.Name == "pack.zip") {
            EXPECT_EQ(hit.ShownName(), "guide.txt");
            EXPECT_EQ(hit.ShownFolder(), dir("pack.zip/docs/"));
            EXPECT_EQ(hit.Size, 1);
        }
}

// With a text, the members of ZIP (deflated and stored) and tar.gz archives are searched
// by content, as files are; a member over the limit is counted, not searched.
TEST_F(FileSearchTest, ContentOfZipAndTarMembersWithinTheLimit)
{
    dir.write("src/docs/guide.txt", "how to find the Needle in it");
    dir.write("src/docs/other.txt", "nothing here");
    dir.write("src/big.txt", QByteArray(5000, 'x') + "needle");
    dir.write("plain/guide.txt", "no");
    ASSERT_TRUE(RunTool(dir("src"), "zip", {"-qr", dir("pack.zip"), "."}));
    ASSERT_TRUE(RunTool(dir("src"), "zip", {"-qr0", dir("stored.zip"), "docs"}));
    ASSERT_TRUE(RunTool(dir("src"), "tar", {"-czf", dir("pack.tar.gz"), "docs", "big.txt"}));
    TSearchOptions o = Options("*.txt");
    o.Text = "needle";
    o.InsideArchives = true;
    o.MemberLimit = 1000;
    TSearchProgress progress;
    RunFileSearch(o, progress);
    QStringList paths;
    for (const TSearchHit& hit : progress.TakeHits())
        paths << hit.Path() + '/' + hit.Member;
    paths.sort();
    EXPECT_EQ(paths, QStringList({dir("pack.tar.gz/docs/guide.txt"), dir("pack.zip/docs/guide.txt"),
                                  dir("src/big.txt/"), dir("src/docs/guide.txt/"),
                                  dir("stored.zip/docs/guide.txt")}));
    EXPECT_EQ(progress.SkippedMembers(), 2); // big.txt in pack.zip and in pack.tar.gz
    EXPECT_TRUE(progress.Notes().isEmpty()) << progress.Notes().join('\n').toStdString();
    // Within the limit the large member is searched too; case is kept when asked.
    o.MemberLimit = 10000;
    o.MatchCase = true;
    EXPECT_EQ(SearchPaths(o), QStringList({dir("pack.tar.gz/big.txt"), dir("pack.zip/big.txt"),
                                           dir("src/big.txt")}));
}

// A damaged archive or member ends in a note naming it; the search goes on.
TEST_F(FileSearchTest, DamagedArchivesAndMembersAreNoted)
{
    dir.write("src/a.txt", QByteArray(4000, 'a') + "needle");
    dir.write("src/b.txt", "needle");
    ASSERT_TRUE(RunTool(dir("src"), "zip", {"-q", dir("bad.zip"), "a.txt", "b.txt"}));
    ASSERT_TRUE(RunTool(dir("src"), "tar", {"-czf", dir("cut.tar.gz"), "a.txt", "b.txt"}));
    // Spoil a.txt's deflated data in the ZIP, and cut the tar.gz short.
    QByteArray zip = readAll(dir("bad.zip"));
    const int data =
        30 + uchar(zip[26]) + 256 * uchar(zip[27]) + uchar(zip[28]) + 256 * uchar(zip[29]);
    for (int i = data; i < data + 8; ++i)
        zip[i] = char(0xFF - zip[i]);
    dir.write("bad.zip", zip);
    dir.write("cut.tar.gz", readAll(dir("cut.tar.gz")).left(40));
    dir.write("fake.tar.gz", "not an archive");
    TSearchOptions o = Options("*.txt");
    o.Text = "needle";
    o.InsideArchives = true;
    TSearchProgress progress;
    RunFileSearch(o, progress);
    QStringList paths;
    for (const TSearchHit& hit : progress.TakeHits())
        paths << hit.Path() + '/' + hit.Member;
    paths.sort();
    EXPECT_EQ(paths, QStringList({dir("bad.zip/b.txt"), dir("src/a.txt/"), dir("src/b.txt/")}));
    const QString notes = progress.Notes().join('\n');
    EXPECT_TRUE(notes.contains(dir("bad.zip/a.txt: its data is damaged"))) << notes.toStdString();
    EXPECT_TRUE(notes.contains(dir("cut.tar.gz"))) << notes.toStdString();
    EXPECT_TRUE(notes.contains(dir("fake.tar.gz"))) << notes.toStdString();
    // By name only, an archive that cannot be listed is noted too.
    o.Text.clear();
    TSearchProgress names;
    RunFileSearch(o, names);
    EXPECT_TRUE(names.Notes().join('\n').contains(dir("fake.tar.gz")));
}

// The reading of members stops at a cancel, between members and within one.
TEST_F(FileSearchTest, MemberContentsStopOnCancel)
{
    for (int i = 0; i < 3; ++i)
        dir.write(QString("src/m%1.txt").arg(i), "member");
    ASSERT_TRUE(RunTool(dir("src"), "zip", {"-qr", dir("three.zip"), "."}));
    ASSERT_TRUE(RunTool(dir("src"), "tar", {"-czf", dir("three.tar.gz"), "."}));
    for (const QString& archive : {dir("three.zip"), dir("three.tar.gz")}) {
        platform::TFileOpsProgress progress;
        int handed = 0;
        QString failure = "unset";
        const bool whole = ArchiveMemberContents(
            archive, 1000, [](const QString& name) { return name.endsWith(".txt"); },
            [&](const TMemberContent&) {
                ++handed;
                progress.Cancel();
            },
            &progress, failure);
        EXPECT_FALSE(whole) << archive.toStdString();
        EXPECT_EQ(handed, 1) << archive.toStdString();
        EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
    }
}

TEST_F(FileSearchTest, WorkerReportsInBatchesAndStopsOnCancel)
{
    for (int i = 0; i < 200; ++i)
        dir.write(QString("d%1/f%2.txt").arg(i % 20).arg(i), "x");
    std::vector<TSearchHit> hits;
    {
        TFileSearch search(Options("*.txt"));
        QDeadlineTimer deadline(60000);
        while (!search.Progress().Finished() && !deadline.hasExpired())
            QThread::msleep(5);
        hits = search.Progress().TakeHits();
        EXPECT_TRUE(search.Progress().TakeHits().empty()); // taken once
        EXPECT_EQ(search.Progress().Found(), 200);
    }
    EXPECT_EQ(hits.size(), 200u);
    // A cancel before the walk starts: the worker ends without reading further.
    const TFaultHook hook([](platform::TFileOpsStep step, const QString&) {
        if (step == platform::TFileOpsStep::OpenDirectory)
            QThread::msleep(20);
        return 0;
    });
    TFileSearch search(Options("*.txt"));
    search.Progress().Cancel();
    QDeadlineTimer deadline(60000);
    while (!search.Progress().Finished() && !deadline.hasExpired())
        QThread::msleep(5);
    EXPECT_TRUE(search.Progress().Finished());
    EXPECT_LT(search.Progress().Found(), 200);
}
