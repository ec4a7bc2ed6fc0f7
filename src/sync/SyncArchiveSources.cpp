#include "sync/SyncArchiveSources.h"

#include "archive/ReadOnlyArchive.h"
#include "platform/FileNames.h"
#include "zip/ZipArchive.h"

#include <exception>

namespace
{

QString Shown(const QString& archive, const QString& folder)
{
    return folder.isEmpty() ? archive : archive + '/' + folder.chopped(1);
}

// Members the ZIP library cannot be handed without a message box from the worker: names
// too long for its buffers. One line each; the others are returned.
QStringList Passable(const QStringList& names, QStringList& lines)
{
    QStringList passable;
    for (const QString& name : names)
        if (platform::EncodeFileName(name).size() < TrvxTextBufferSize)
            passable << name;
        else
            lines << QStringLiteral("%1: not extracted, its name is too long for the ZIP "
                                    "library")
                         .arg(name);
    return passable;
}

// Extracts on the calling thread (the synchronisation's worker): the component is made
// there, so its library call runs there too, and every message of the library joins the
// lines instead of a message box.
QStringList ExtractZip(const QString& archive, const QStringList& names, const QString& folder,
                       platform::TFileOpsProgress& progress)
{
    QStringList lines;
    if (!TZipArchive::UnzLibLoaded())
        return {QStringLiteral("The ZIP library is not loaded: nothing extracted.")};
    if (platform::EncodeFileName(archive).size() >= TrvxTextBufferSize ||
        platform::EncodeFileName(folder).size() >= TrvxTextBufferSize)
        return {QStringLiteral("The archive's or the target's path is too long for the ZIP "
                               "library: nothing extracted.")};
    const QStringList passable = Passable(names, lines);
    constexpr qsizetype kBatch = TrvxMaxFileSpecs - 1;
    try {
        TZipArchive zip;
        zip.ExactNames = true;
        zip.Progress = &progress;
        zip.OnMessage = [&lines](QObject*, int, const QString& message) {
            if (!message.trimmed().isEmpty())
                lines << message;
        };
        zip.SetZipFilename(archive);
        for (qsizetype at = 0; at < passable.size() && !progress.Cancelled(); at += kBatch) {
            zip.ExtrBaseDir = folder;
            zip.FSpecArgs = passable.mid(at, kBatch);
            zip.Extract();
        }
    } catch (const std::exception& e) {
        lines << QString::fromUtf8(e.what());
    }
    return lines;
}

} // namespace

std::shared_ptr<TArchiveSide> ZipArchiveSide(const QString& archive, const QString& folder,
                                             std::vector<TArchiveMember> members, bool left)
{
    auto side = std::make_shared<TArchiveSide>();
    side->Shown = Shown(archive, folder);
    side->Folder = folder;
    side->Members = std::move(members);
    side->HasCrc = true;
    side->Left = left;
    side->Extract = [archive](const QStringList& names, const QString& into,
                              platform::TFileOpsProgress& progress) {
        return ExtractZip(archive, names, into, progress);
    };
    side->Hold = []() -> std::shared_ptr<void> {
        if (TZipArchive::UnzLibLoaded())
            return nullptr;
        auto loader = std::make_shared<TZipArchive>();
        loader->LoadUnzLib(); // says so itself when it cannot
        return std::shared_ptr<void>(loader.get(), [loader](void*) { loader->UnloadUnzLib(); });
    };
    return side;
}

std::shared_ptr<TArchiveSide> ReadOnlyArchiveSide(const TReadOnlyArchive& archive,
                                                  const QString& folder, bool left)
{
    auto side = std::make_shared<TArchiveSide>();
    side->Shown = Shown(archive.FileName(), folder);
    side->Folder = folder;
    side->Members = archive.Members();
    side->Left = left;
    // Its own copy of the component: the worker reads the archive while the panel may
    // read it again.
    auto reader = std::make_shared<TReadOnlyArchive>(archive);
    side->Extract = [reader](const QStringList& names, const QString& into,
                             platform::TFileOpsProgress& progress) {
        int written = 0;
        try {
            return reader->Extract(names, into, written, &progress);
        } catch (const std::exception& e) {
            return QStringList{QString::fromUtf8(e.what())};
        }
    };
    return side;
}
