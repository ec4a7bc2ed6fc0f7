// The sweep at start of the private folders that killed runs left behind: only this
// user's folders named for a process of this host and PID namespace that has ended go,
// and any that are a week old; nothing else in the temporary folder is touched.
#include "platform/PendingPutBack.h"
#include "platform/TempFolder.h"
#include "platform/base/OwnerTag.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// The id of a process that has just ended.
qint64 EndedProcess()
{
    QProcess process;
    process.start(QStringLiteral("true"), {});
    const qint64 pid = process.processId();
    process.waitForFinished();
    return pid;
}

QString Tag(qint64 pid)
{
    return QString::fromStdString(trvxbase::OwnerTag(pid_t(pid)));
}

// Sets the times of `path` to `seconds` ago.
void SetAge(const QString& path, int seconds)
{
    const timespec then{::time(nullptr) - seconds, 0};
    const timespec times[2] = {then, then};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

} // namespace

TEST(TempFolder, TheStartSweepRemovesOnlyFoldersOfEndedRunsOfThisProgram)
{
    // A temporary folder of the test's own: other programs' files in /tmp stay out of it.
    TempDir temp;
    const bool hadTmpDir = qEnvironmentVariableIsSet("TMPDIR");
    const QByteArray previous = qgetenv("TMPDIR");
    qputenv("TMPDIR", QDir::cleanPath(temp.path()).toLocal8Bit());
    const qint64 endedId = EndedProcess();
    const QString ended = Tag(endedId);
    const QString gone = temp.mkdir("TRVX-" + ended + "-aB3dE9");
    temp.write("TRVX-" + ended + "-aB3dE9/extracted/member.txt", "copy");
    // Whose they are cannot be told, but they are more than a week old.
    const QString parts = Tag(endedId).section('.', 1); // "<namespace>.<host>"
    const QStringList old = {
        temp.mkdir("TRVX-" + QString::number(endedId) + "-oldfm1"),
        temp.mkdir(QStringLiteral("TRVX-%1.%2.elsewhere-aB3dE8")
                       .arg(endedId)
                       .arg(parts.section('.', 0, 0))),
    };
    for (const QString& path : old)
        SetAge(path, 8 * 24 * 3600);
    QStringList kept = {
        temp.mkdir("TRVX-" + Tag(::getpid()) + "-own000"), // this run's
        temp.mkdir("TRVX-" + Tag(1) + "-init00"),          // a running process
        temp.mkdir("trvx-" + ended + "-lower0"),           // another program's
        temp.mkdir("TRVX-notapid-x"),
        temp.write("TRVX-" + ended + "-file00", "a file, not a folder"),
        temp.mkdir("OTHER-" + ended + "-abcdef"),
        // An ended process of the older form, of another host or of another PID
        // namespace: not known to have ended.
        temp.mkdir("TRVX-" + QString::number(endedId) + "-oldfm0"),
        temp.mkdir(QStringLiteral("TRVX-%1.%2.elsewhere-aB3dE9")
                       .arg(endedId)
                       .arg(parts.section('.', 0, 0))),
        temp.mkdir(QStringLiteral("TRVX-%1.1.%2-aB3dE9").arg(endedId).arg(parts.section('.', 1))),
    };
    // Another user's folder of an ended run, where this user may give it away (root).
    const QString others = temp.mkdir("TRVX-" + ended + "-nobody");
    if (::chown(QFile::encodeName(others).constData(), 65534, 65534) == 0)
        kept << others;
    else
        QDir(others).removeRecursively();
    const int removed = platform::RemoveStalePrivateFolders();
    if (hadTmpDir)
        qputenv("TMPDIR", previous);
    else
        qunsetenv("TMPDIR");
    EXPECT_EQ(removed, 1 + old.size());
    EXPECT_FALSE(QFileInfo::exists(gone));
    for (const QString& path : old)
        EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
    for (const QString& path : kept)
        EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
}

// A private folder is named with this process, its PID namespace and its host.
TEST(TempFolder, APrivateFolderIsNamedWithItsOwner)
{
    TempDir temp;
    const bool hadTmpDir = qEnvironmentVariableIsSet("TMPDIR");
    const QByteArray previous = qgetenv("TMPDIR");
    qputenv("TMPDIR", QDir::cleanPath(temp.path()).toLocal8Bit());
    {
        const platform::TPrivateFolder folder;
        const QString name = QFileInfo(folder.Path().chopped(1)).fileName();
        EXPECT_TRUE(name.startsWith("TRVX-" + Tag(::getpid()) + "-")) << name.toStdString();
        EXPECT_EQ(name.size(), 5 + Tag(::getpid()).size() + 7) << name.toStdString();
        // A second start sees this run's folder as one of a running process.
        EXPECT_EQ(platform::RemoveStalePrivateFolders(), 0);
        EXPECT_TRUE(QFileInfo::exists(folder.Path()));
    }
    if (hadTmpDir)
        qputenv("TMPDIR", previous);
    else
        qunsetenv("TMPDIR");
}

// A run killed while it put an edited member back leaves the saved text only in its
// private folder: the sweep keeps that folder, and the text goes beside the archive under
// a name of its own (never over a file), before the folder goes.
TEST(TempFolder, AnEditedMemberNotPutBackIsKeptBySweepAndSavedBesideItsArchive)
{
    TempDir temp;
    const bool hadTmpDir = qEnvironmentVariableIsSet("TMPDIR");
    const QByteArray previous = qgetenv("TMPDIR");
    qputenv("TMPDIR", QDir::cleanPath(temp.path()).toLocal8Bit());
    const QString ended = Tag(EndedProcess());
    const QString pending = temp.mkdir("TRVX-" + ended + "-pend01");
    const QString copy = temp.write("TRVX-" + ended + "-pend01/notes.txt", "edited text");
    const QString archive = temp.write("place/backup.zip", "PK");
    temp.write("place/notes (not put back).txt", "an earlier one");
    platform::MarkPendingPutBack(copy, archive, "sub/notes.txt");
    const QString plain = temp.mkdir("TRVX-" + ended + "-plain1");
    temp.write("TRVX-" + ended + "-plain1/notes.txt", "not edited");

    QStringList kept;
    const int removed = platform::RemoveStalePrivateFolders(&kept);
    EXPECT_EQ(removed, 1);
    EXPECT_FALSE(QFileInfo::exists(plain));
    EXPECT_EQ(kept, QStringList({QDir::cleanPath(pending)}));
    EXPECT_EQ(readAll(copy), "edited text");

    const QString said = platform::RescuePendingPutBack(pending);
    if (hadTmpDir)
        qputenv("TMPDIR", previous);
    else
        qunsetenv("TMPDIR");
    const QString saved = QFileInfo(archive).absolutePath() + "/notes (not put back 2).txt";
    EXPECT_EQ(said, "The changed sub/notes.txt was not put back into " + archive +
                        " when the program ended; its text was saved as " + saved + ".");
    EXPECT_EQ(readAll(saved), "edited text");
    EXPECT_EQ(readAll(QFileInfo(archive).absolutePath() + "/notes (not put back).txt"),
              "an earlier one");
    EXPECT_FALSE(QFileInfo::exists(pending));

    // Once put back, the mark goes and the folder is an ordinary one.
    const QString own = temp.mkdir("TRVX-" + ended + "-done01");
    const QString done = temp.write("TRVX-" + ended + "-done01/a.txt", "a");
    qputenv("TMPDIR", QDir::cleanPath(temp.path()).toLocal8Bit());
    platform::MarkPendingPutBack(done, archive, "a.txt");
    platform::ClearPendingPutBack(done);
    EXPECT_EQ(platform::RemoveStalePrivateFolders(), 1);
    if (hadTmpDir)
        qputenv("TMPDIR", previous);
    else
        qunsetenv("TMPDIR");
    EXPECT_FALSE(QFileInfo::exists(own));
}
