// The part files of calls under way, and the record of the remote ones left at quit.
#include "platform/remote/GioLeftCall.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform::gio
{

namespace
{

std::mutex& Lock()
{
    static std::mutex lock;
    return lock;
}

// The URIs (or paths) of the parts being written; one entry per call.
QStringList& Held()
{
    static QStringList held;
    return held;
}

QString RecordPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/LeftParts.txt");
}

// Called with Lock() held.
QStringList ReadRecord()
{
    QFile file(RecordPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList uris;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.isEmpty())
            uris << QString::fromUtf8(line);
    return uris;
}

// Called with Lock() held. An empty record removes the file.
void WriteRecord(const QStringList& uris)
{
    const QString path = RecordPath();
    if (path.isEmpty())
        return;
    if (uris.isEmpty()) {
        QFile::remove(path);
        return;
    }
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    for (const QString& uri : uris)
        file.write(uri.toUtf8() + '\n');
    file.commit();
}

// Scheme, user, host and port: the place that holds `uri`.
QString PlaceOf(const QString& uri)
{
    const QUrl url(uri);
    return url.scheme() + QStringLiteral("://") + url.authority();
}

void DropAll(const QStringList& uris)
{
    for (const QString& uri : uris) {
        const TRef<GFile> part = FileFor(uri);
        g_file_delete(part.get(), nullptr, nullptr);
    }
}

} // namespace

TPartHeld::TPartHeld(GFile* part) : m_uri(UriOf(part))
{
    const std::lock_guard<std::mutex> lock(Lock());
    Held() << m_uri;
}

TPartHeld::~TPartHeld()
{
    const std::lock_guard<std::mutex> lock(Lock());
    Held().removeOne(m_uri);
}

void LeaveParts()
{
    const std::lock_guard<std::mutex> lock(Lock());
    QStringList record = ReadRecord();
    for (const QString& uri : Held()) {
        const TRef<GFile> part = FileFor(uri);
        if (g_file_is_native(part.get()))
            g_file_delete(part.get(), nullptr, nullptr);
        else if (!record.contains(uri))
            record << uri;
    }
    WriteRecord(record);
}

void DropRecordedParts(const QString& uri)
{
    QStringList drop;
    {
        const std::lock_guard<std::mutex> lock(Lock());
        QStringList record = ReadRecord();
        const QString place = PlaceOf(uri);
        for (qsizetype i = record.size() - 1; i >= 0; --i)
            if (PlaceOf(record[i]) == place && !Held().contains(record[i]))
                drop << record.takeAt(i);
        if (drop.isEmpty())
            return;
        WriteRecord(record);
    }
    // The window's thread calls this: a server may be slow to answer.
    try {
        std::thread(DropAll, drop).detach();
    } catch (const std::system_error&) {
        DropAll(drop);
    }
}

} // namespace platform::gio
