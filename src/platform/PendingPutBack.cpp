#include "platform/PendingPutBack.h"

#include "platform/FileNames.h"
#include "platform/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform
{

namespace
{

const QString Marker = QStringLiteral(".put-back-pending");

QString MarkerOf(const QString& copy)
{
    return QFileInfo(copy).absolutePath() + u'/' + Marker;
}

// Writes `data` into a new file `path`, never over an existing one; true when it is
// whole on the disk.
bool WriteNew(const QString& path, const QByteArray& data)
{
    const int fd = ::open(EncodeFileName(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    const bool whole = done == data.size() && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !whole) {
        ::unlink(EncodeFileName(path).constData());
        return false;
    }
    return true;
}

QByteArray ReadWhole(const QString& path, bool& ok)
{
    QFile file(path);
    ok = file.open(QIODevice::ReadOnly);
    QByteArray data = ok ? file.readAll() : QByteArray();
    ok = ok && file.error() == QFileDevice::NoError;
    return data;
}

} // namespace

void MarkPendingPutBack(const QString& copy, const QString& archive, const QString& member)
{
    if (!InPrivateFolder(copy))
        return;
    QSaveFile marker(MarkerOf(copy));
    if (marker.open(QIODevice::WriteOnly)) {
        marker.write(
            (archive + u'\n' + member + u'\n' + QFileInfo(copy).fileName() + u'\n').toUtf8());
        marker.commit();
    }
}

void ClearPendingPutBack(const QString& copy)
{
    if (InPrivateFolder(copy))
        QFile::remove(MarkerOf(copy));
}

bool HoldsPendingPutBack(const QString& folder)
{
    return QFileInfo::exists(QDir(folder).filePath(Marker));
}

QString RescuePendingPutBack(const QString& folder)
{
    bool ok = false;
    const QStringList lines =
        QString::fromUtf8(ReadWhole(QDir(folder).filePath(Marker), ok)).split(u'\n');
    const QString copy = lines.size() >= 3 ? QDir(folder).filePath(lines[2]) : QString();
    if (!ok || lines.size() < 3 || lines[2].isEmpty() || lines[2].contains(u'/'))
        return QStringLiteral("An edited archive member that was not put back may be in %1.")
            .arg(folder);
    const QString archive = lines[0], member = lines[1];
    const QByteArray text = ReadWhole(copy, ok);
    const QString kept =
        QStringLiteral("The changed %1 was not put back into %2 when the program ended")
            .arg(member, archive);
    if (!ok)
        return kept + QStringLiteral("; its text should be in %1.").arg(copy);
    const QFileInfo bare(member.section(u'/', -1));
    const QString base = QFileInfo(archive).absolutePath() + u'/' + bare.completeBaseName() +
                         QStringLiteral(" (not put back");
    const QString suffix = bare.suffix().isEmpty() ? QString() : u'.' + bare.suffix();
    for (int n = 1; n < 100; ++n) {
        const QString saved =
            base + (n == 1 ? QString() : QStringLiteral(" %1").arg(n)) + u')' + suffix;
        if (QFileInfo::exists(saved) || QFileInfo(saved).isSymLink())
            continue;
        if (!WriteNew(saved, text)) {
            if (errno == EEXIST)
                continue;
            break;
        }
        bool readBack = false;
        if (ReadWhole(saved, readBack) == text && readBack)
            QDir(folder).removeRecursively();
        return kept + QStringLiteral("; its text was saved as %1.").arg(saved);
    }
    return kept + QStringLiteral("; its text stays in %1.").arg(copy);
}

} // namespace platform
