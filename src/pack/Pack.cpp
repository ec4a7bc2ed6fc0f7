#include "pack/Pack.h"

#include "pack/PackReadBack.h"
#include "pack/PackWriter.h"
#include "platform/FileContent.h"
#include "platform/FileNames.h"
#include "platform/FileOpsFaults.h"
#include "transfer/FileOpsRecord.h"
#include "transfer/FileOpsSupport.h"
#include "transfer/PackFiles.h"

#include <QHash>
#include <QSet>

namespace
{

using platform::TPackEntry;

struct TWritten {
    QSet<QByteArray> Names; // member names written, for a move's check
    QString Failure;
    bool Cancelled{false};
};

TWritten WriteMembers(TPackWriter& writer, const TPackRequest& request,
                      const std::vector<TPackEntry>& entries, TPackResult& result,
                      platform::TFileOpsProgress& progress)
{
    TWritten written;
    for (const TPackEntry& entry : entries) {
        if (progress.Cancelled()) {
            written.Cancelled = true;
            return written;
        }
        if (entry.Kind == TPackEntry::TKind::Other) {
            result.Problems << QStringLiteral("\"%1\" is left out: it is no file, folder or link.")
                                   .arg(entry.Relative);
            continue;
        }
        progress.SetCurrent(request.Folder + entry.Relative);
        const TPackAdd added = writer.Add(entry, request.Folder + entry.Relative, progress);
        switch (added.Kind) {
        case TPackAdd::TKind::Added:
            written.Names.insert(entry.Bytes);
            ++result.Members;
            progress.AddItem();
            break;
        case TPackAdd::TKind::Skipped:
            result.Problems << added.Problem;
            break;
        case TPackAdd::TKind::Failed:
            written.Failure = added.Problem;
            return written;
        case TPackAdd::TKind::Cancelled:
            written.Cancelled = true;
            return written;
        }
    }
    return written;
}

// Whether the archive's member holds the original `entry` as it is now; empty when it
// does (a file's CRC-32 then in `crc`), else why not.
QString Verify(const TPackEntry& entry, const QString& original, const TPackReadBack& back,
               quint32& crc)
{
    const auto it = back.Members.constFind(entry.Bytes);
    if (it == back.Members.cend())
        return QStringLiteral("it is not in the archive");
    const TPackMember& member = *it;
    if (!member.Whole)
        return QStringLiteral("its copy in the archive cannot be read");
    switch (entry.Kind) {
    case TPackEntry::TKind::Folder:
        return member.Kind == TPackMember::TKind::Folder ? QString()
                                                         : QStringLiteral("the archive differs");
    case TPackEntry::TKind::Link:
        return member.Kind == TPackMember::TKind::Link && member.LinkTarget == entry.LinkTarget
                   ? QString()
                   : QStringLiteral("its link in the archive differs");
    default:
        break;
    }
    if (member.Kind != TPackMember::TKind::File || member.Size != entry.Size)
        return QStringLiteral("its copy in the archive has another size");
    const std::optional<quint32> now = platform::FileCrc32(original);
    if (!now)
        return QStringLiteral("it cannot be read again");
    if (*now != member.Crc)
        return QStringLiteral("its copy in the archive differs");
    crc = *now;
    return {};
}

// Keeps in `record` (the original `relative` as recorded before packing) only what the
// archive verifiably holds, files with the CRC-32 they must still have when removed.
// Returns false when the entry itself is not verified (it stays, with all below it).
bool Settle(platform::TEntryRecord& record, const QByteArray& relative,
            const QHash<QByteArray, quint32>& files, const QSet<QByteArray>& others)
{
    if (record.IsFolder()) {
        if (!others.contains(relative))
            return false;
        std::erase_if(record.Children, [&](platform::TEntryRecord& child) {
            return !Settle(child, relative + '/' + child.Name, files, others);
        });
        return true;
    }
    const auto file = files.constFind(relative);
    if (file != files.cend()) {
        record.KeepContent(*file, true);
        return true;
    }
    return others.contains(relative);
}

// The entries of `record`: itself and everything below it.
int Entries(const platform::TEntryRecord& record)
{
    int count = 1;
    for (const platform::TEntryRecord& child : record.Children)
        count += Entries(child);
    return count;
}

void MoveVerified(const TPackRequest& request, const std::vector<TPackEntry>& entries,
                  const TWritten& written, std::vector<platform::TEntryRecord>& records,
                  TPackResult& result, platform::TFileOpsProgress& progress)
{
    platform::FileOpsFault(platform::TFileOpsStep::BeforeVerify, request.Target);
    const TPackReadBack back =
        ReadBackArchive(request.Target, request.Format, request.Password, progress);
    if (back.Cancelled || progress.Cancelled()) {
        result.Problems << QStringLiteral("The originals stay: the check of the archive was "
                                          "cancelled.");
        return;
    }
    if (!back.Problem.isEmpty())
        result.Problems
            << QStringLiteral("The archive cannot be read to its end: %1").arg(back.Problem);
    QHash<QByteArray, quint32> files;
    QSet<QByteArray> others;
    for (const TPackEntry& entry : entries) {
        if (!written.Names.contains(entry.Bytes))
            continue; // left out, reported already
        const QString original = request.Folder + entry.Relative;
        quint32 crc = 0;
        const QString why = Verify(entry, original, back, crc);
        if (!why.isEmpty()) {
            result.Problems << QStringLiteral("\"%1\" stays: %2.").arg(entry.Relative, why);
            continue;
        }
        if (entry.Kind == TPackEntry::TKind::File)
            files.insert(entry.Bytes, crc); // what the original must still hold when removed
        else
            others.insert(entry.Bytes);
    }
    for (int i = 0; i < request.Items.size(); ++i) {
        platform::TEntryRecord& record = records[size_t(i)];
        const int recorded = Entries(record);
        if (record.Name.isEmpty() ||
            !Settle(record, platform::EncodeFileName(request.Items[i]), files, others)) {
            ++result.Kept;
            continue;
        }
        if (request.KeepOriginals) {
            // Named only when nothing below it was left out of the check.
            if (Entries(record) == recorded) {
                result.Verified << request.Items[i];
                result.VerifiedRecords.push_back(record);
            } else
                result.Problems << QStringLiteral("\"%1\" stays: the archive does not hold all "
                                                  "of it as it is.")
                                       .arg(request.Items[i]);
            ++result.Kept;
            continue;
        }
        int removed = 0;
        const bool gone = platform::RemovePackedOriginal(
            request.Folder + request.Items[i], record,
            [&](const QString& message) { result.Problems << message; }, removed);
        result.Removed += removed;
        if (!gone)
            ++result.Kept;
    }
}

} // namespace

TPackResult Pack(const TPackRequest& request, platform::TFileOpsProgress& progress)
{
    TPackResult result;
    // A move records the originals first: only what was there before packing can go.
    std::vector<platform::TEntryRecord> records(size_t(request.Items.size()));
    if (request.Move)
        for (int i = 0; i < request.Items.size(); ++i)
            if (platform::RecordTree(request.Folder + request.Items[i], records[size_t(i)]) != 0) {
                records[size_t(i)] = {};
                result.Problems << QStringLiteral("\"%1\" stays: it cannot be read whole.")
                                       .arg(request.Items[i]);
            }
    const std::vector<TPackEntry> entries =
        platform::ListPackEntries(request.Folder, request.Items, result.Problems);
    qint64 bytes = 0;
    for (const TPackEntry& entry : entries)
        bytes += entry.Size;
    progress.SetTotals(int(entries.size()), request.Move ? 2 * bytes : bytes);

    const int slash = request.Target.lastIndexOf('/');
    int error = 0;
    const QString part = platform::CreatePackPart(request.Target.left(slash + 1),
                                                  request.Target.mid(slash + 1), error);
    if (part.isEmpty()) {
        result.Problems
            << QStringLiteral("The archive cannot be written: %1.").arg(platform::ErrorText(error));
        return result;
    }
    const auto fail = [&](const QString& why) {
        platform::RemovePackPart(part);
        if (!why.isEmpty())
            result.Problems << why;
        return result;
    };
    const std::unique_ptr<TPackWriter> writer =
        MakePackWriter(request.Format, request.Level, request.Password);
    if (const QString why = writer->Open(part); !why.isEmpty())
        return fail(QStringLiteral("The archive cannot be written: %1").arg(why));
    TWritten written = WriteMembers(*writer, request, entries, result, progress);
    bool cancelled = written.Cancelled;
    if (cancelled || !written.Failure.isEmpty())
        writer->Abort();
    else
        written.Failure = writer->Close(progress, cancelled);
    if (cancelled) {
        result.Outcome = TPackResult::TOutcome::Cancelled;
        return fail({});
    }
    if (!written.Failure.isEmpty())
        return fail(QStringLiteral("The archive cannot be written: %1").arg(written.Failure));
    if (result.Members == 0)
        return fail(QStringLiteral("Nothing could be packed."));
    error = platform::RenameIntoPlace(part, request.Target);
    if (error != 0)
        return fail(error == EEXIST ? QStringLiteral("The name was taken meanwhile; the archive "
                                                     "was not kept.")
                                    : QStringLiteral("The archive cannot take its name: %1.")
                                          .arg(platform::ErrorText(error)));
    result.Outcome = TPackResult::TOutcome::Done;
    if (request.Move)
        MoveVerified(request, entries, written, records, result, progress);
    return result;
}
