#include "archive/ArchiveTools.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <fcntl.h>
#include <sys/stat.h>

bool RunTool(const QString& folder, const QString& program, const QStringList& arguments)
{
    QProcess tool;
    tool.setWorkingDirectory(folder);
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, arguments);
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), tool.readAll().constData());
        return false;
    }
    return true;
}

void SetMTime(const QString& path, time_t when)
{
    const timespec times[2] = {{when, 0}, {when, 0}};
    utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW);
}

QStringList FilesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next().mid(folder.size());
    files.sort();
    return files;
}
