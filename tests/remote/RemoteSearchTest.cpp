// The file search in a remote folder, against the real SSH server: the walk by masks,
// subfolders and links, the text streamed from each file, folders that cannot be read,
// and Stop reaching a read that waits for a stopped server.
#include "RemoteTestSupport.h"
#include "search/FileSearch.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QUrl>
#include <csignal>

namespace
{

void Write(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
    file.write(data);
}

class RemoteSearchTest : public RemoteTest
{
protected:
    // Runs a whole search as the find window does, and gives its hits as paths below
    // `top` ("sub folder/c.txt"), checking each hit's folder URI on the way.
    QSet<QString> Search(const QString& top, TSearchOptions options)
    {
        options.Folder = Server->Uri(top);
        options.Remote = &Places();
        TFileSearch search(options);
        EXPECT_TRUE(WaitFor([&] { return search.Progress().Finished(); }));
        QSet<QString> found;
        for (const TSearchHit& hit : search.Progress().TakeHits()) {
            EXPECT_TRUE(hit.Folder.startsWith(options.Folder)) << qPrintable(hit.Folder);
            EXPECT_TRUE(hit.Folder.endsWith('/')) << qPrintable(hit.Folder);
            found << QUrl::fromPercentEncoding(hit.Folder.mid(options.Folder.size()).toUtf8()) +
                         hit.Name;
        }
        unreadable = search.Progress().Unreadable();
        notes = search.Progress().Notes();
        return found;
    }
    QStringList unreadable, notes;
};

} // namespace

TEST_F(RemoteSearchTest, WalksTheRemoteTreeByMasksSubfoldersLinksAndText)
{
    MountServer();
    const QString top = Server->Folder() + QStringLiteral("/search/");
    QDir().mkpath(top + QStringLiteral("sub folder/deep"));
    Write(top + QStringLiteral("a.txt"), "hello world");
    Write(top + QStringLiteral("b.log"), "hello log");
    Write(top + QStringLiteral("sub folder/c.txt"), "HELLO");
    Write(top + QStringLiteral("sub folder/deep/d.txt"),
          QByteArray(300000, 'x') + "hello" + QByteArray(5, 'x'));
    Write(top + QStringLiteral("sub folder/deep/e.txt"), "nothing");
    ASSERT_TRUE(QFile::link(top + QStringLiteral("sub folder"), top + QStringLiteral("link")));

    TSearchOptions o;
    o.Masks = QStringLiteral("*.txt");
    EXPECT_EQ(Search(top, o), (QSet<QString>{"a.txt", "sub folder/c.txt", "sub folder/deep/d.txt",
                                             "sub folder/deep/e.txt"}));
    // A folder the masks match is a hit too; without subfolders only the top is read.
    o.Masks = QStringLiteral("deep;a.*");
    EXPECT_EQ(Search(top, o), (QSet<QString>{"a.txt", "sub folder/deep"}));
    o.Subfolders = false;
    EXPECT_EQ(Search(top, o), QSet<QString>{"a.txt"});
    // Links to folders are entered only when asked.
    o = {};
    o.Masks = QStringLiteral("c.txt");
    o.FollowLinks = true;
    EXPECT_EQ(Search(top, o), (QSet<QString>{"sub folder/c.txt", "link/c.txt"}));

    // The text, read from each file through the server, across the reads' blocks.
    o = {};
    o.Masks = QStringLiteral("*.txt");
    o.Text = QStringLiteral("hello");
    EXPECT_EQ(Search(top, o),
              (QSet<QString>{"a.txt", "sub folder/c.txt", "sub folder/deep/d.txt"}));
    o.MatchCase = true;
    EXPECT_EQ(Search(top, o), (QSet<QString>{"a.txt", "sub folder/deep/d.txt"}));
    // Past the size limit a file is not searched.
    o.SizeLimit = 100000;
    EXPECT_EQ(Search(top, o), QSet<QString>{"a.txt"});
    // Archives are not opened on a remote place, and the search says so.
    o.InsideArchives = true;
    Search(top, o);
    EXPECT_EQ(notes.size(), 1) << qPrintable(notes.join('\n'));

    // A folder that cannot be read is said, with why.
    o = {};
    EXPECT_TRUE(Search(top + QStringLiteral("gone"), o).isEmpty());
    ASSERT_EQ(unreadable.size(), 1);
    EXPECT_TRUE(unreadable[0].contains(QStringLiteral("gone"))) << qPrintable(unreadable[0]);
}

TEST_F(RemoteSearchTest, StopReachesAReadWaitingForAStoppedServer)
{
    MountServer();
    const QString top = Server->Folder() + QStringLiteral("/stopped search");
    QDir().mkpath(top + QStringLiteral("/a"));
    TSearchOptions o;
    o.Folder = Server->Uri(top);
    o.Remote = &Places();
    Server->SignalSessions(SIGSTOP);
    TFileSearch search(o);
    // The walk waits in its first folder's read; Stop must end it at once.
    ASSERT_TRUE(WaitFor([&] { return !search.Progress().CurrentFolder().isEmpty(); }));
    search.Progress().Cancel();
    const QDeadlineTimer bound(
        10000); // far longer than a cancel takes; a stopped server never answers
    WaitFor([&] { return search.Progress().Finished() || bound.hasExpired(); });
    const bool finished = search.Progress().Finished();
    Server->SignalSessions(SIGCONT);
    EXPECT_TRUE(finished);
    EXPECT_TRUE(search.Progress().Unreadable().isEmpty())
        << qPrintable(search.Progress().Unreadable().join('\n'));
}
