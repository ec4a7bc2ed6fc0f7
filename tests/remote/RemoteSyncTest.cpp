// Synchronise folders with one side a remote folder, against the real SSH server: the
// remote tree compared by size and date, copies both ways (files and whole folders),
// replacements, deletions, and entries that changed since the comparison left alone.
#include "RemoteTestSupport.h"
#include "platform/FileNames.h"
#include "sync/SyncRun.h"
#include "sync/SyncSession.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <csignal>

namespace
{

const QDateTime kOld = QDateTime::fromSecsSinceEpoch(1'600'000'000);
const QDateTime kNew = kOld.addDays(1);

void Write(const QString& path, const QByteArray& data, const QDateTime& when)
{
    QDir().mkpath(path.left(path.lastIndexOf('/')));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
    file.write(data);
    file.flush(); // a later write would give the file the time of now
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
}

// Every file below `folder` with its content, hidden ones included.
QHash<QString, QByteArray> Files(const QString& folder)
{
    QHash<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path.mid(folder.size() + 1), ReadFile(path));
    }
    return files;
}

class RemoteSyncTest : public RemoteTest
{
protected:
    void SetUp() override
    {
        RemoteTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        MountServer();
        remoteFolder = Server->Folder() + QStringLiteral("/sync ") +
                       QString::number(QDateTime::currentMSecsSinceEpoch());
        QDir().mkpath(remoteFolder);
        side.Uri = Server->Uri(remoteFolder) + '/';
        side.Shown = QStringLiteral("remote/");
        side.Places = &Places();
        side.Left = true;
    }
    std::vector<TSyncRow> Compare()
    {
        std::vector<TSyncRow> rows;
        OnWorker([&] {
            rows = CompareFolders(side.Shown, local.path(), {}, nullptr, &problems, nullptr, &side);
            return platform::TRemoteResult{};
        });
        return rows;
    }
    TSyncOutcome Run(const std::vector<TSyncRow>& rows)
    {
        TSyncOutcome outcome;
        platform::TFileOpsProgress progress;
        OnWorker([&] {
            outcome = RunSync(side.Shown, local.path(), rows, false, progress, nullptr, &side);
            return platform::TRemoteResult{};
        });
        return outcome;
    }
    static TSyncRow* Row(std::vector<TSyncRow>& rows, const char* path)
    {
        for (TSyncRow& row : rows)
            if (row.Path == path)
                return &row;
        ADD_FAILURE() << path;
        return nullptr;
    }

    QString remoteFolder;
    QTemporaryDir local;
    TRemoteSyncSide side;
    QStringList problems;
};

} // namespace

TEST_F(RemoteSyncTest, ComparesAndSynchronisesBothWays)
{
    const QString r = remoteFolder + '/', l = local.path() + '/';
    Write(r + "only remote.txt", "from the server", kOld);
    Write(r + "both.txt", "newer on the server", kNew);
    Write(r + "same.txt", "same", kOld);
    Write(r + "rsub/deep/inner.txt", "inner", kOld);
    Write(r + "gone.txt", "to delete", kOld);
    Write(r + "replaced.txt", "older on the server", kOld);
    Write(l + "only local.txt", "from here", kOld);
    Write(l + "both.txt", "older here", kOld);
    Write(l + "same.txt", "same", kOld);
    Write(l + "lsub/x.txt", "local folder", kOld);
    Write(l + "replaced.txt", "newer here, longer", kNew);

    std::vector<TSyncRow> rows = Compare();
    EXPECT_TRUE(problems.isEmpty()) << qPrintable(problems.join('\n'));
    const QHash<QByteArray, TSyncState> expected{
        {"only remote.txt", TSyncState::OnlyLeft}, {"both.txt", TSyncState::NewerLeft},
        {"same.txt", TSyncState::Equal},           {"rsub", TSyncState::OnlyLeft},
        {"gone.txt", TSyncState::OnlyLeft},        {"replaced.txt", TSyncState::NewerRight},
        {"only local.txt", TSyncState::OnlyRight}, {"lsub", TSyncState::OnlyRight}};
    ASSERT_EQ(rows.size(), size_t(expected.size()));
    for (const TSyncRow& row : rows)
        EXPECT_EQ(row.State, expected.value(row.Path)) << row.Path.constData();
    Row(rows, "gone.txt")->Action = TSyncAction::Delete;

    const TSyncOutcome outcome = Run(rows);
    EXPECT_TRUE(outcome.Problems.isEmpty()) << qPrintable(outcome.Problems.join('\n'));
    EXPECT_TRUE(outcome.Changed.isEmpty()) << qPrintable(outcome.Changed.join('\n'));
    EXPECT_EQ(outcome.Done, 7);
    const QHash<QString, QByteArray> both{{"only remote.txt", "from the server"},
                                          {"both.txt", "newer on the server"},
                                          {"same.txt", "same"},
                                          {"rsub/deep/inner.txt", "inner"},
                                          {"replaced.txt", "newer here, longer"},
                                          {"only local.txt", "from here"},
                                          {"lsub/x.txt", "local folder"}};
    // Nothing else on either side: no part file, no new copy under a hidden name.
    EXPECT_EQ(Files(remoteFolder), both);
    EXPECT_EQ(Files(local.path()), both);
    for (TSyncRow& row : Compare())
        EXPECT_EQ(row.State, TSyncState::Equal) << row.Path.constData();
}

TEST_F(RemoteSyncTest, EntriesChangedSinceTheComparisonAreLeftAlone)
{
    const QString r = remoteFolder + '/', l = local.path() + '/';
    Write(r + "replaced.txt", "older on the server", kOld);
    Write(l + "replaced.txt", "newer here", kNew);
    Write(l + "new here.txt", "from here", kOld);
    Write(r + "taken.txt", "from the server", kNew);
    Write(l + "taken.txt", "older here", kOld);
    Write(r + "deleted.txt", "to delete", kOld);
    std::vector<TSyncRow> rows = Compare();
    ASSERT_EQ(rows.size(), 4u);
    Row(rows, "deleted.txt")->Action = TSyncAction::Delete;

    // Meanwhile the server's copy changes, a name is taken there, and the local one too.
    Write(r + "replaced.txt", "changed on the server", kOld);
    Write(r + "new here.txt", "came meanwhile", kOld);
    Write(l + "taken.txt", "changed here", kOld);
    Write(r + "deleted.txt", "changed, to keep", kOld);
    const TSyncOutcome outcome = Run(rows);
    EXPECT_EQ(outcome.Done, 0);
    EXPECT_EQ(outcome.Changed.size(), 4) << qPrintable(outcome.Changed.join('\n'));
    EXPECT_EQ(Files(remoteFolder),
              (QHash<QString, QByteArray>{{"replaced.txt", "changed on the server"},
                                          {"new here.txt", "came meanwhile"},
                                          {"taken.txt", "from the server"},
                                          {"deleted.txt", "changed, to keep"}}));
    EXPECT_EQ(ReadFile(l + "taken.txt"), QByteArray("changed here"));
    EXPECT_EQ(QDir(l).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).size(), 3);
}

TEST_F(RemoteSyncTest, CancelReachesAComparisonWaitingForAStoppedServer)
{
    Write(remoteFolder + QStringLiteral("/a.txt"), "a", kOld);
    Server->SignalSessions(SIGSTOP);
    auto remote = std::make_shared<TRemoteSyncSide>(side);
    TSyncComparison comparison(side.Shown, local.path(), {}, nullptr, remote);
    comparison.Cancel();
    const QDeadlineTimer bound(
        10000); // far longer than a cancel takes; a stopped server never answers
    WaitFor([&] { return comparison.Finished() || bound.hasExpired(); });
    const bool finished = comparison.Finished();
    Server->SignalSessions(SIGCONT);
    EXPECT_TRUE(finished);
    EXPECT_TRUE(comparison.Cancelled());
}
