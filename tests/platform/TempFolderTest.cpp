// The sweep at start of the private folders that killed runs left behind: only this
// user's folders named for a process that has ended go; nothing else in the temporary
// folder is touched.
#include "platform/PendingPutBack.h"
#include "platform/TempFolder.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
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

} // namespace

TEST(TempFolder, TheStartSweepRemovesOnlyFoldersOfEndedRunsOfThisProgram)
{
    // A temporary folder of the test's own: other programs' files in /tmp stay out of it.
    TempDir temp;
    const bool hadTmpDir = qEnvironmentVariableIsSet("TMPDIR");
    const QByteArray previous = qgetenv("TMPDIR");
    qputenv("TMPDIR", QDir::cleanPath(temp.path()).toLocal8Bit());
    const QString ended = QString::number(EndedProcess());
    const QString gone = temp.mkdir("TRVX-" + ended + "-aB3dE9");
    temp.write("TRVX-" + ended + "-aB3dE9/extracted/member.txt", "copy");
    QStringList kept = {
        temp.mkdir("TRVX-" + QString::number(::getpid()) + "-own000"), // this run's
        temp.mkdir("TRVX-1-init00"),                                    // a running process
        temp.mkdir("trvx-" + ended + "-lower0"),                        // another program's
        temp.mkdir("TRVX-notapid-x"),
        temp.write("TRVX-" + ended + "-file00", "a file, not a folder"),
        temp.mkdir("OTHER-" + ended + "-abcdef"),
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
    EXPECT_EQ(removed, 1);
    EXPECT_FALSE(QFileInfo::exists(gone));
    for (const QString& path : kept)
        EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
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
    const QString ended = QString::number(EndedProcess());
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
