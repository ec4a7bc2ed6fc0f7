#include "quickview/QuickMember.h"

#include "modules/SupportModules.h"
#include "platform/FileBlocks.h"
#include "platform/FileNames.h"
#include "zip/ZipCentralDir.h"
#include "zip/ZipMemberData.h"

#include <QFile>
#include <QFileInfo>
#include <vector>

namespace quickview
{

namespace
{

QString TooLarge(qint64 limit)
{
    return QStringLiteral("too large to show: members of more than %1 MiB are not extracted")
        .arg(limit >> 20);
}

// The data read into memory, written to a file that did not exist.
bool WriteNew(const QString& file, const QByteArray& data, QString& why)
{
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        why = QStringLiteral("cannot make the private copy: ") + out.errorString();
        return false;
    }
    if (out.write(data) == data.size() && out.flush()) {
        out.close();
        return true;
    }
    // Only the file made here goes.
    why = QStringLiteral("cannot make the private copy: ") + out.errorString();
    out.remove();
    return false;
}

// A ZIP member, through our own directory reader and member reader (stored and deflated
// members).
bool CopyZipMember(const TMemberSource& member, const QString& file, qint64 limit,
                   platform::TFileOpsProgress& progress, QString& why)
{
    QFile archive;
    std::vector<ZipDirEntry> entries;
    if (!platform::OpenRegularFile(member.Archive, archive) ||
        !ReadCentralDirectory(archive, entries)) {
        why = QStringLiteral("unreadable: the archive cannot be read");
        return false;
    }
    for (const ZipDirEntry& e : entries) {
        if (e.FileName != member.Name)
            continue;
        QByteArray data;
        QString failure;
        switch (ReadZipMember(archive, e, limit, data, failure,
                              [&progress] { return !progress.Cancelled(); })) {
        case TZipData::Read:
            return WriteNew(file, data, why);
        case TZipData::Cancelled:
            return false;
        case TZipData::TooLarge:
            why = TooLarge(limit);
            return false;
        case TZipData::Unsupported:
        case TZipData::Damaged:
            why = QStringLiteral("unreadable: ") + failure;
            return false;
        }
    }
    why = QStringLiteral("gone: the archive no longer holds it");
    return false;
}

// A member of another format, extracted by the archive module, which never writes over a
// file nor outside the folder, and removes a file it did not finish.
bool CopyOtherMember(const TMemberSource& member, const QString& file, qint64 limit,
                     platform::TFileOpsProgress& progress, QString& why)
{
    QString failure;
    const TArchiveModule* formats = ArchiveModuleOf(failure);
    if (!formats) {
        why = QStringLiteral("unreadable: ") + failure;
        return false;
    }
    qint64 read = 0;
    const archivelib::TExtraction result = formats->ExtractMembers(
        platform::EncodeFileName(member.Archive).toStdString(),
        {platform::EncodeFileName(member.Name).toStdString()},
        platform::EncodeFileName(QFileInfo(file).absolutePath()).toStdString(),
        [&](int64_t bytes, int) {
            read += bytes;
            return !progress.Cancelled() && read <= limit;
        });
    if (progress.Cancelled())
        return false;
    if (read > limit) {
        why = TooLarge(limit);
        return false;
    }
    if (result.Written == 1 && QFileInfo(file).isFile())
        return true;
    QStringList lines;
    for (const std::string& line : result.Messages)
        lines << platform::DecodeFileName(QByteArray::fromStdString(line));
    why = QStringLiteral("unreadable: ") +
          (lines.isEmpty() ? QStringLiteral("the archive gave no data for it") : lines.join("; "));
    return false;
}

} // namespace

bool CopyMember(const TMemberSource& member, const QString& file, qint64 limit,
                platform::TFileOpsProgress& progress, QString& why)
{
    why.clear();
    if (member.Fetch)
        return member.Fetch(file, limit, progress, why);
    if (member.Size > limit) {
        why = TooLarge(limit);
        return false;
    }
    return member.Zip ? CopyZipMember(member, file, limit, progress, why)
                      : CopyOtherMember(member, file, limit, progress, why);
}

} // namespace quickview
