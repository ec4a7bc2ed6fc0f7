#include "unpack/Unpack.h"

#include "archivelib/ArchiveLib.h"
#include "platform/FileNames.h"
#include "platform/FileOpsProgress.h"
#include "platform/FileSystem.h"
#include "transfer/FileOpsCollision.h"
#include "transfer/FileOpsParts.h"

#include <QDir>

namespace
{

QString AddSlash(const QString& folder)
{
    return folder.endsWith('/') ? folder : folder + '/';
}

QString Decode(const std::string& text)
{
    return platform::DecodeFileName(QByteArray::fromStdString(text));
}

std::string Encode(const QString& path)
{
    return platform::EncodeFileName(path).toStdString();
}

archivelib::TProgress ProgressOf(platform::TFileOpsProgress& progress)
{
    return [&progress](int64_t bytes, int files) {
        progress.AddBytes(bytes);
        for (int i = 0; i < files; ++i)
            progress.AddItem();
        return !progress.Cancelled();
    };
}

// A fresh hidden folder in `target`, named as the program's temporary entries are so
// that one left by a killed run goes the next time something is written there.
QString MakeStage(const QString& target)
{
    platform::RemoveStalePartFiles(target);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString name = platform::DecodeFileName(platform::PartFileName("unpack"));
        if (QDir(target).mkdir(name))
            return target + name;
    }
    return {};
}

void RemoveStage(const QString& stage)
{
    platform::ShellFileOperation(platform::TShellFunction::Delete, stage, {}, false,
                                 [](const QString&) {});
}

// What a move out of the stage put into the target, recorded as it is now.
void Collect(const platform::TShellResult& moved, std::vector<TUnpackMade>& made)
{
    const auto add = [&made](const QString& path, const QString& trashed,
                             const platform::TEntryRecord* trashedRecord, bool forGood) {
        TUnpackMade item{path, {}, trashed, {}, forGood};
        if (trashedRecord)
            item.TrashedRecord = *trashedRecord;
        if (platform::RecordTree(path, item.Record) == 0)
            made.push_back(std::move(item));
    };
    if (moved.Parts.empty() && !moved.Target.isEmpty())
        add(moved.Target, {}, nullptr, false);
    for (const platform::TShellPart& part : moved.Parts)
        add(part.Target, part.Trashed, part.TrashedRecord.get(), part.ReplacedForGood);
}

// Moves what the stage holds into the target: the stage itself under the folder name,
// or each of its entries. Stops at a cancel or a full disk.
void MoveIntoPlace(const TUnpackRequest& request, const QString& stage, const QString& target,
                   platform::TFileOpsProgress& progress, const platform::TCollisionAsk& ask,
                   TUnpackResult& result)
{
    const auto collect = [&result](const QString& line) { result.Lines << line; };
    const auto move = [&](const QString& from, const QString& name) {
        const platform::TShellResult moved = platform::ShellFileOperation(
            platform::TShellFunction::Move, from, target, request.UseRecycleBin, collect, &progress,
            nullptr, ask, name);
        Collect(moved, result.Made);
        return moved.Stopped == 0 && !progress.Cancelled();
    };
    if (request.IntoFolder) {
        move(stage, UnpackFolderName(request.Archive.section('/', -1)));
        return;
    }
    const QStringList entries = QDir(stage).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries)
        if (!move(AddSlash(stage) + entry, {}))
            break;
}

} // namespace

QString UnpackFolderName(const QString& archiveName)
{
    static const QStringList kDouble{QStringLiteral(".tar.gz"), QStringLiteral(".tar.bz2"),
                                     QStringLiteral(".tar.xz"), QStringLiteral(".tar.zst"),
                                     QStringLiteral(".tar.lz"), QStringLiteral(".tar.lzma"),
                                     QStringLiteral(".tar.Z"),  QStringLiteral(".cpio.gz")};
    QString name = archiveName.section('/', -1);
    bool cut = false;
    for (const QString& ending : kDouble)
        if (name.endsWith(ending, Qt::CaseInsensitive) && name.size() > ending.size()) {
            name.chop(ending.size());
            cut = true;
            break;
        }
    const int dot = name.lastIndexOf('.');
    if (!cut && dot > 0)
        name.truncate(dot);
    else if (!cut)
        name += QStringLiteral("_files");
    return name;
}

TUnpackResult Unpack(const TUnpackRequest& request, platform::TFileOpsProgress& progress,
                     const platform::TCollisionAsk& ask)
{
    TUnpackResult result;
    const QString target = AddSlash(request.Target);
    progress.SetCurrent(request.Archive);
    if (!platform::DirectoryExists(target)) {
        result.Lines << QStringLiteral("%1: the folder does not exist").arg(target);
        return result;
    }
    const QString stage = MakeStage(target);
    if (stage.isEmpty()) {
        result.Lines << QStringLiteral("%1: no temporary folder can be made there").arg(target);
        return result;
    }
    archivelib::TReadOptions options;
    options.Zip = true;
    options.Password = request.Password.toStdString();
    const archivelib::TExtraction extraction = archivelib::ExtractAll(
        Encode(request.Archive), Encode(stage), options, ProgressOf(progress));
    result.Written = extraction.Written;
    result.Damaged = extraction.Status != archivelib::TStatus::Ok;
    for (const std::string& line : extraction.Messages)
        result.Lines << Decode(line).replace(AddSlash(stage), QString());
    result.Cancelled = extraction.Cancelled || progress.Cancelled();
    // When the archive cannot be read to its end (a stream's checksum fails at its end,
    // the data is cut short), members read before may hold wrong data that no check of
    // their own caught: none of them is put into place.
    if (result.Damaged && !result.Cancelled)
        result.Lines << QStringLiteral("%1: the archive is damaged; nothing was unpacked")
                            .arg(request.Archive);
    else if (!result.Cancelled) {
        // The question names what comes in as a member of the archive, not by its place
        // in the hidden stage folder.
        const QString staged = AddSlash(stage);
        platform::TCollisionAsk askAsMember;
        if (ask)
            askAsMember = [&](const platform::TCollision& collision) {
                platform::TCollision shown = collision;
                if (shown.Incoming.Path.startsWith(staged))
                    shown.Incoming.Path =
                        request.Archive + '/' + shown.Incoming.Path.mid(staged.size());
                return ask(shown);
            };
        MoveIntoPlace(request, stage, target, progress, askAsMember, result);
    }
    result.Cancelled = result.Cancelled || progress.Cancelled();
    if (platform::DirectoryExists(stage))
        RemoveStage(stage); // what was not moved: taken names skipped, a cancel
    return result;
}

std::vector<TArchiveTest> TestArchives(const QStringList& archives, const QString& password,
                                       platform::TFileOpsProgress& progress)
{
    std::vector<TArchiveTest> tests;
    archivelib::TReadOptions options;
    options.Zip = true;
    options.Password = password.toStdString();
    for (const QString& path : archives) {
        progress.SetCurrent(path);
        const archivelib::TTestReport report =
            archivelib::TestArchive(Encode(path), options, ProgressOf(progress));
        TArchiveTest test{path, report.Members, {}, report.Cancelled};
        for (const std::string& line : report.Problems)
            test.Problems << Decode(line);
        tests.push_back(test);
        if (report.Cancelled || progress.Cancelled())
            break;
    }
    return tests;
}
