#include "checks/ChecksumCreate.h"

#include "checks/ChecksumFile.h"
#include "platform/FileContent.h"
#include "platform/FileNames.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace
{

struct TListed {
    QString Relative; // to the request's folder
    qint64 Size{0};
};

void ListItem(const QString& folder, const QString& item, std::vector<TListed>& files,
              QStringList& problems)
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
        std::sort(files.begin() + qsizetype(first), files.end(),
                  [](const TListed& a, const TListed& b) { return a.Relative < b.Relative; });
    } else if (info.isFile()) {
        files.push_back({item, info.size()});
    } else {
        problems << QStringLiteral("\"%1\" is left out: no file.").arg(item);
    }
}

} // namespace

QString DefaultChecksumName(const QString& folder, const QStringList& items, TDigestKind kind)
{
    const QString extension = QString::fromLatin1(DigestInfo(kind).Extension);
    if (items.size() == 1)
        return items.front().section('/', -1) + '.' + extension;
    const QString name = QDir::cleanPath(folder).section('/', -1);
    return (name.isEmpty() ? QStringLiteral("CHECKSUMS") : name) + '.' + extension;
}

TChecksumPlan HashForChecksums(const TChecksumRequest& request,
                               platform::TFileOpsProgress& progress)
{
    TChecksumPlan plan;
    std::vector<TListed> files;
    for (const QString& item : request.Items)
        ListItem(request.Folder, item, files, plan.Problems);
    if (!request.OnePerFile)
        std::erase_if(files, [&](const TListed& f) { return f.Relative == request.TargetName; });
    qint64 bytes = 0;
    for (const TListed& f : files)
        bytes += f.Size;
    progress.SetTotals(int(files.size()), bytes);

    TChecksumTarget all{request.Folder + request.TargetName, {}, 0};
    const QString extension = '.' + QString::fromLatin1(DigestInfo(request.Kind).Extension);
    for (const TListed& f : files) {
        progress.SetCurrent(request.Folder + f.Relative);
        const TFileDigest digest = DigestFile(request.Folder + f.Relative, request.Kind, &progress);
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
            plan.Targets.push_back(
                {request.Folder + f.Relative + extension, ChecksumLine(digest.Hex, bare), 1});
        } else {
            all.Text += ChecksumLine(digest.Hex, platform::EncodeFileName(f.Relative));
            ++all.Files;
        }
    }
    if (!request.OnePerFile && all.Files > 0)
        plan.Targets.push_back(std::move(all));
    return plan;
}
