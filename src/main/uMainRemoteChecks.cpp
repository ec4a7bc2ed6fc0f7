// Checksum files in a remote folder: the digests read through the place's block reader
// on a worker, a checksum file written there through the place's copy (a part file,
// renamed into place when whole, never over a taken name unless the user said Replace),
// and "Verify checksums" of a checksum file there, its files read the same way.
#include "checks/ChecksumCreate.h"
#include "checks/uChecksumDialog.h"
#include "checks/uChecksumReport.h"
#include "fileops/uConfirm.h"
#include "main/RemoteWork.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "platform/FileNames.h"
#include "platform/Messages.h"
#include "platform/RemotePlaces.h"
#include "platform/TempFolder.h"
#include "transfer/FileSave.h"

#include <algorithm>
#include <cstring>

namespace
{

// The files of a remote folder as a checksum command reads them.
class TRemoteChecksumSource final : public TChecksumSource
{
public:
    TRemoteChecksumSource(platform::TRemotePlaces& places, platform::TRemoteCancel* cancel)
        : m_places(places), m_cancel(cancel)
    {
    }

    void List(const QString& folder, const QString& item, std::vector<TListedFile>& files,
              QStringList& problems) override
    {
        const QString uri = Join(folder, item);
        const platform::TRemoteFileInfo info = m_places.Query(uri, m_cancel);
        if (!info.Found) {
            problems << QStringLiteral("\"%1\" cannot be read.").arg(item);
        } else if (!info.Folder) {
            files.push_back({item, info.Size});
        } else {
            const size_t first = files.size();
            Walk(uri, item, files, problems);
            // In name order, as a shell's pattern would hand them to sha256sum.
            std::sort(
                files.begin() + qsizetype(first), files.end(),
                [](const TListedFile& a, const TListedFile& b) { return a.Relative < b.Relative; });
        }
    }
    QString Join(const QString& folder, const QString& relative) override
    {
        if (relative.startsWith('/'))
            return relative;
        QString at = folder;
        for (const QString& part : relative.split('/', Qt::SkipEmptyParts))
            at = m_places.Child(at, part);
        return at;
    }
    QString FolderOf(const QString& path) override { return path.left(path.lastIndexOf('/') + 1); }
    qint64 Size(const QString& path) override
    {
        const platform::TRemoteFileInfo info = m_places.Query(path, m_cancel);
        return info.Found && !info.Folder ? info.Size : -1;
    }
    bool ReadSmall(const QString& path, qint64 limit, QByteArray& bytes) override
    {
        const platform::TRemoteFileInfo info = m_places.Query(path, m_cancel);
        if (!info.Found || info.Folder || info.Size > limit)
            return false;
        bytes.clear();
        bool tooLarge = false;
        const platform::TRemoteResult read = m_places.ReadBlocks(
            path,
            [&](const char* data, size_t size) {
                bytes.append(data, qsizetype(size));
                tooLarge = bytes.size() > limit;
                return !tooLarge;
            },
            m_cancel);
        return read.Ok && !tooLarge;
    }
    TFileDigest Digest(const QString& path, TDigestKind kind,
                       platform::TFileOpsProgress& progress) override
    {
        TDigester digester(kind);
        bool stopped = false, failed = false;
        const platform::TRemoteResult read = m_places.ReadBlocks(
            path,
            [&](const char* data, size_t size) {
                stopped = progress.Cancelled();
                failed = !stopped && !digester.Add(data, size);
                progress.AddBytes(qint64(size));
                return !stopped && !failed;
            },
            m_cancel);
        if (stopped || read.Cancelled)
            return {TDigestResult::Cancelled, {}};
        if (read.Ok && !failed)
            return {TDigestResult::Done, digester.Hex()};
        const platform::TRemoteFileInfo info = m_places.Query(path, m_cancel);
        return {info.Found || info.Lost ? TDigestResult::Unreadable : TDigestResult::Missing, {}};
    }

private:
    void Walk(const QString& uri, const QString& relative, std::vector<TListedFile>& files,
              QStringList& problems)
    {
        const platform::TRemoteFolder folder = m_places.ReadFolder(uri, m_cancel);
        if (!folder.Error.isEmpty()) {
            problems << QStringLiteral("\"%1\" cannot be read.").arg(relative);
            return;
        }
        for (const platform::TRemoteEntry& entry : folder.Entries) {
            const QString path = relative + '/' + entry.Name;
            if (entry.Folder && !entry.Symlink)
                Walk(m_places.Child(uri, entry.Name), path, files, problems);
            else if (!entry.Folder)
                files.push_back({path, entry.Size});
            else
                problems << QStringLiteral("\"%1\" is left out: no file.").arg(path);
        }
    }

    platform::TRemotePlaces& m_places;
    platform::TRemoteCancel* m_cancel;
};

// The checksum file names of `plan` that something in the remote folder holds already.
QStringList TakenTargets(platform::TRemotePlaces& places, const TChecksumPlan& plan,
                         platform::TRemoteCancel& cancel)
{
    QStringList taken;
    for (const TChecksumTarget& target : plan.Targets)
        if (places.Query(target.Path, &cancel).Found)
            taken << target.Path;
    return taken;
}

// Writes `target` into its remote folder from the local copy `copy`: through the
// place's copy, which never replaces; over a taken name only with `replace`, written whole
// under a hidden name beside it first. Empty when written; else why not.
QString WriteTarget(platform::TRemotePlaces& places, const TChecksumTarget& target,
                    const QString& copy, bool replace, platform::TRemoteCancel& cancel)
{
    const QString name = target.Relative.section('/', -1);
    const QString into = target.Path.left(target.Path.lastIndexOf('/') + 1);
    platform::TRemoteCopy request{
        copy, into, replace ? '.' + name + QStringLiteral(".new") : name, {}};
    platform::TRemoteResult result = places.Copy(request, &cancel);
    if (result.Exists)
        return replace ? QStringLiteral("a hidden name beside it is taken.")
                       : QStringLiteral("the name was taken meanwhile, and nothing is replaced.");
    if (!result.Ok || !replace)
        return result.Error;
    const QString written = places.Child(into, request.TargetName);
    result = places.Replace(written, target.Path, &cancel);
    if (!result.Ok)
        places.Delete(written, &cancel);
    return result.Ok ? QString() : result.Error;
}

} // namespace

bool TfMain::CreateRemoteChecksums(TSide side)
{
    if (!ShowsRemote(side))
        return false;
    platform::TRemotePlaces* places = RemotePlacesOrSay();
    if (!places)
        return true;
    const QStringList names = MarkedOrFocusedNames(side);
    if (names.isEmpty())
        return true;
    const QString folder = m_panels[side].Directory;
    TfChecksumCreate dialog(
        this, [&](TDigestKind kind) { return DefaultChecksumName(folder, names, kind); });
    if (dialog.exec() != QDialog::Accepted)
        return true;
    const TChecksumRequest request{folder, names, dialog.Kind(), dialog.OnePerFile(),
                                   dialog.TargetName()};
    platform::TFileOpsProgress progress;
    platform::TRemoteCancel cancel;
    TRemoteChecksumSource source(*places, &cancel);
    TChecksumPlan plan;
    QStringList taken;
    RunRemoteWork(QStringLiteral("Hashing"), progress, cancel, [&] {
        plan = HashForChecksums(request, progress, &source);
        if (!plan.Cancelled)
            taken = TakenTargets(*places, plan, cancel);
    });
    if (plan.Cancelled || progress.Cancelled() || cancel.Cancelled()) {
        platform::ShowMessage(QStringLiteral("Cancelled: no checksum file was written."));
        return true;
    }
    // A taken name is asked about once for all; No leaves those files as they are.
    bool replace = false;
    if (!taken.isEmpty()) {
        QStringList shown;
        for (const QString& path : taken.mid(0, 5))
            shown << platform::DisplayName(path.section('/', -1));
        replace = AskConfirmation(QStringLiteral("%1 exist(s) already: %2")
                                      .arg(taken.size())
                                      .arg(shown.join(QStringLiteral(", "))),
                                  QStringLiteral("Replace?"));
        if (!replace)
            std::erase_if(plan.Targets,
                          [&](const TChecksumTarget& t) { return taken.contains(t.Path); });
    }
    const platform::TPrivateFolder scratch;
    QStringList written;
    platform::TFileOpsProgress writing;
    platform::TRemoteCancel stop;
    RunRemoteWork(QStringLiteral("Writing"), writing, stop, [&] {
        for (size_t i = 0; i < plan.Targets.size() && !writing.Cancelled(); ++i) {
            const TChecksumTarget& target = plan.Targets[i];
            const QString copy = scratch.Path() + QString::number(i);
            const int error = platform::SaveFile(copy, target.Text);
            const QString why = error != 0
                                    ? QString::fromLocal8Bit(strerror(error))
                                    : WriteTarget(*places, target, copy,
                                                  replace && taken.contains(target.Path), stop);
            if (why.isEmpty())
                written << target.Path;
            else
                plan.Problems << QStringLiteral("\"%1\" is not written: %2")
                                     .arg(platform::DisplayName(target.Relative), why);
        }
    });
    if (!written.isEmpty())
        RecordRemote(TUndoKind::None, {},
                     QStringLiteral("checksum files written to a remote place"));
    RereadKeepingView(side);
    if (written.isEmpty() && plan.Problems.isEmpty())
        plan.Problems << QStringLiteral("No checksum file was written.");
    if (!plan.Problems.isEmpty())
        platform::ShowMessage(plan.Problems.join('\n'));
    return true;
}

bool TfMain::VerifyRemoteChecksums(TSide side, const TFileObject& e)
{
    if (!ShowsRemote(side))
        return false;
    platform::TRemotePlaces* places = RemotePlacesOrSay();
    if (!places)
        return true;
    auto* report = new TfChecksumReport(this, places->Child(m_panels[side].Directory, e.Name),
                                        std::make_shared<TRemoteChecksumSource>(*places, nullptr));
    report->show();
    report->raise();
    report->activateWindow();
    return true;
}
