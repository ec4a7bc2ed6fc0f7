// Deleting members of a ZIP archive, and what a cancelled change says.
#include "places/ZipMembers.h"

#include "platform/FileOpsProgress.h"
#include "platform/Messages.h"
#include "zip/ZipArchive.h"

#include <QScopeGuard>
#include <QSet>
#include <algorithm>

namespace places
{

namespace
{

// The archive's file name, as the messages name it.
QString ArchiveName(const TZipArchive& zip)
{
    const QString path = zip.ZipFilename();
    return path.mid(std::max(path.lastIndexOf('/'), path.lastIndexOf('\\')) + 1);
}

} // namespace

QStringList DeleteZipMembers(TZipArchive& zip, const QStringList& names, TPlaceWork& work)
{
    if (names.isEmpty())
        return {};
    const std::vector<TArchiveMember> before = zip.Members();
    platform::TFileOpsProgress progress;
    TPlaceCancel cancel;
    progress.SetTotals(int(names.size()), -1);
    {
        // The library's calls run where the window runs long work, counting into `progress`.
        zip.Progress = &progress;
        zip.RunLibraryCall = [&](const std::function<void()>& call) {
            work.Run(QStringLiteral("Deleting"), progress, cancel, call);
        };
        const auto restore = qScopeGuard([&zip] {
            zip.Progress = nullptr;
            zip.RunLibraryCall = nullptr;
        });
        zip.FSpecArgs = names;
        zip.Delete();
    }
    if (progress.Cancelled())
        return {CancelledZipChange(zip, before, false)};
    return {};
}

QString CancelledZipChange(TZipArchive& zip, const std::vector<TArchiveMember>& before, bool adding)
{
    const QString name = ArchiveName(zip);
    try {
        zip.SetZipFilename(zip.ZipFilename());
    } catch (const platform::EError& e) {
        return QStringLiteral("%1 was cancelled; %2 cannot be read: %3")
            .arg(adding ? QStringLiteral("Adding to ") + name
                        : QStringLiteral("Deleting from ") + name,
                 name, e.Message());
    }
    QSet<QString> was, now;
    for (const TArchiveMember& m : before)
        was.insert(m.Name);
    for (const TArchiveMember& m : zip.Members())
        now.insert(m.Name);
    if (adding && now != was)
        return QStringLiteral("Adding to %1 was cancelled after the archive was written: it "
                              "holds %2 more member(s) than before")
            .arg(name)
            .arg(now.size() - was.size());
    if (!adding && now != was)
        return QStringLiteral("Deleting from %1 was cancelled after the archive was written: "
                              "%2 member(s) were deleted")
            .arg(name)
            .arg(was.size() - now.size());
    return (adding ? QStringLiteral("Adding to %1") : QStringLiteral("Deleting from %1"))
               .arg(name) +
           QStringLiteral(" was cancelled; the archive holds what it held before");
}

} // namespace places
