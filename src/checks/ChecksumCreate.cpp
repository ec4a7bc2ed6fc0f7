#include "checks/ChecksumCreate.h"

#include "checks/ChecksumFile.h"
#include "platform/FileBlocks.h"
#include "platform/FileContent.h"
#include "platform/FileNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace
{

class TLocalSource final : public TChecksumSource
{
public:
    void List(const QString& folder, const QString& item, std::vector<TListedFile>& files,
              QStringList& problems) override
    {
        const QFileInfo info(folder + item);
        if (info.isDir() && !info.isSymLink()) {
            const auto tree = platform::FolderTree(folder + item);
            if (!tree) {
                problems << QStringLiteral("\"%1\" cannot be read.").arg(item);
                return;
            }
            const size_t first = files.size();
            for (const platform::TTreeEntry& entry : *tree) {
                const QString relative = item + '/' + entry.Path;
                if (entry.Kind == platform::TTreeEntry::TKind::File)
                    files.push_back({relative, entry.Size});
                else if (entry.Kind == platform::TTreeEntry::TKind::Other)
                    problems << QStringLiteral("\"%1\" is left out: no file.").arg(relative);
            }
            // In name order, as a shell's pattern would hand them to sha256sum.
            std::sort(
                files.begin() + qsizetype(first), files.end(),
                [](const TListedFile& a, const TListedFile& b) { return a.Relative < b.Relative; });
        } else if (info.isFile()) {
            files.push_back({item, info.size()});
        } else {
            problems << QStringLiteral("\"%1\" is left out: no file.").arg(item);
        }
    }
    QString Join(const QString& folder, const QString& relative) override
    {
        return relative.startsWith('/') ? relative : folder + relative;
    }
    QString FolderOf(const QString& path) override { return QFileInfo(path).absolutePath() + '/'; }
    qint64 Size(const QString& path) override { return QFileInfo(path).size(); }
    bool ReadSmall(const QString& path, qint64 limit, QByteArray& bytes) override
    {
        // Opened without waiting: a FIFO under the name never holds the thread.
        QFile file;
        if (!platform::OpenRegularFile(path, file) || file.size() > limit)
            return false;
        bytes = file.readAll();
        return true;
    }
    TFileDigest Digest(const QString& path, TDigestKind kind,
                       platform::TFileOpsProgress& progress) override
    {
        return DigestFile(path, kind, &progress);
    }
};

} // namespace

std::shared_ptr<TChecksumSource> LocalChecksumSource()
{
    return std::make_shared<TLocalSource>();
}

QString DefaultChecksumName(const QString& folder, const QStringList& items, TDigestKind kind)
{
    const QString extension = QString::fromLatin1(DigestInfo(kind).Extension);
    if (items.size() == 1)
        return items.front().section('/', -1) + '.' + extension;
    const QString name = QDir::cleanPath(folder).section('/', -1);
    return (name.isEmpty() ? QStringLiteral("CHECKSUMS") : name) + '.' + extension;
}

TChecksumPlan HashForChecksums(const TChecksumRequest& request,
                               platform::TFileOpsProgress& progress, TChecksumSource* source)
{
    const std::shared_ptr<TChecksumSource> local = source ? nullptr : LocalChecksumSource();
    TChecksumSource& place = source ? *source : *local;
    TChecksumPlan plan;
    std::vector<TListedFile> files;
    for (const QString& item : request.Items) {
        if (progress.Cancelled())
            break;
        place.List(request.Folder, item, files, plan.Problems);
    }
    if (progress.Cancelled()) {
        plan.Cancelled = true;
        return plan;
    }
    if (!request.OnePerFile)
        std::erase_if(files,
                      [&](const TListedFile& f) { return f.Relative == request.TargetName; });
    qint64 bytes = 0;
    for (const TListedFile& f : files)
        bytes += f.Size;
    progress.SetTotals(int(files.size()), bytes);

    TChecksumTarget all{place.Join(request.Folder, request.TargetName), {}, 0, request.TargetName};
    const QString extension = '.' + QString::fromLatin1(DigestInfo(request.Kind).Extension);
    for (const TListedFile& f : files) {
        const QString path = place.Join(request.Folder, f.Relative);
        progress.SetCurrent(path);
        const TFileDigest digest = place.Digest(path, request.Kind, progress);
        if (digest.Result == TDigestResult::Cancelled || progress.Cancelled()) {
            plan.Cancelled = true;
            plan.Targets.clear();
            return plan;
        }
        progress.AddItem();
        if (digest.Result != TDigestResult::Done) {
            plan.Problems
                << QStringLiteral("\"%1\" is left out: it cannot be read.").arg(f.Relative);
            continue;
        }
        if (request.OnePerFile) {
            const QByteArray bare = platform::EncodeFileName(f.Relative.section('/', -1));
            plan.Targets.push_back({place.Join(request.Folder, f.Relative + extension),
                                    ChecksumLine(digest.Hex, bare), 1, f.Relative + extension});
        } else {
            all.Text += ChecksumLine(digest.Hex, platform::EncodeFileName(f.Relative));
            ++all.Files;
        }
    }
    if (!request.OnePerFile && all.Files > 0)
        plan.Targets.push_back(std::move(all));
    return plan;
}
