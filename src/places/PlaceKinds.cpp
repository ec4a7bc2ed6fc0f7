// The kinds of place over the engines that do their work.
#include "places/PlaceKinds.h"

#include "archive/ReadOnlyArchive.h"
#include "listing/ArchiveFolders.h"
#include "listing/FileListing.h"
#include "places/ZipMembers.h"
#include "platform/FileOpsProgress.h"
#include "platform/Messages.h"
#include "transfer/FileOpsCollision.h"
#include "transfer/FileOpsRecord.h"
#include "transfer/FileOpsSupport.h"
#include "transfer/FileOpsTree.h"
#include "transfer/RemoteTree.h"
#include "transfer/ShellFileOperation.h"
#include "zip/ZipArchive.h"

#include <cerrno>
#include <optional>

namespace places
{

namespace
{

// Why `name` cannot be a new name in a local folder, or nothing when it can.
QString LocalNameProblem(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("the new name is empty");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("\"%1\" is not a name").arg(name);
    if (name.contains('/'))
        return QStringLiteral("a name cannot contain \"/\"");
    return {};
}

// Why `name` cannot name an entry of a remote place; empty when it can.
QString RemoteNameProblem(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("the name is empty");
    if (name.contains('/'))
        return QStringLiteral("a name cannot contain \"/\"");
    if (!platform::UsableName(name))
        return QStringLiteral("\"%1\" cannot be a name").arg(name);
    return {};
}

TPlaceResult FromRemote(const platform::TRemoteResult& result, const QString& taken)
{
    if (result.Ok)
        return {};
    if (result.Cancelled)
        return {TPlaceResult::Cancelled, {}, false};
    if (result.Exists)
        return TPlaceResult::Refuse(taken, true);
    return TPlaceResult::Refuse(result.Error);
}

} // namespace

QString DriveListFolderRefusal()
{
    return QStringLiteral("No directory can be created here: the drive list is not a folder.");
}

QString RemoteResultsRefusal()
{
    return QStringLiteral("Search results from a remote place are only copied to a local "
                          "folder (F5): nothing was done.");
}

QString RemoteRefusal()
{
    return QStringLiteral("This command does not work on remote places.");
}

// --- A local folder ------------------------------------------------------------------

QString TFolderPlace::Child(const QString& name) const
{
    return AddSeparator(m_state.Directory) + name;
}

TPlaceResult TFolderPlace::MakeFolder(const QString& name, TPlaceCancel*)
{
    const auto refuse = [&name](const QString& why, bool taken = false) {
        return TPlaceResult::Refuse(name.isEmpty()
                                        ? QStringLiteral("No directory was created: ") + why + '.'
                                        : QStringLiteral("The directory \"%1\" was not "
                                                         "created: %2.")
                                              .arg(name, why),
                                    taken);
    };
    if (name.isEmpty())
        return refuse(QStringLiteral("the name is empty"));
    if (const QString problem = LocalNameProblem(name); !problem.isEmpty())
        return refuse(name.contains('/')
                          ? QStringLiteral("a name cannot contain \"/\"; make one folder at a time")
                          : problem);
    try {
        platform::CreateDirectory(Child(name));
    } catch (const platform::EInOutError& e) {
        return e.ErrorCode() == EEXIST
                   ? refuse(QStringLiteral("an entry of that name exists already"), true)
                   : refuse(platform::ErrorText(e.ErrorCode()));
    }
    return {};
}

TPlaceResult TFolderPlace::Rename(const QString& name, const QString& renamed, TPlaceCancel*)
{
    QString reason = LocalNameProblem(renamed);
    if (reason.isEmpty() && platform::MoveFile(Child(name), Child(renamed), &reason))
        return {};
    return TPlaceResult::Refuse(
        QStringLiteral("\"%1\" was not renamed to \"%2\": %3.").arg(name, renamed, reason),
        reason == QLatin1String("an entry of that name exists already"));
}

// Each entry through the transfer engine, behind the window's progress, with the totals
// of the trees when they go for good (their every entry is counted then), else of the
// entries; each one the trash took is noted for its undo.
TDeleteResult TFolderPlace::Delete(const std::vector<TPlaceEntry>& entries, bool toTrash,
                                   TPlaceWork& work)
{
    TDeleteResult result;
    if (!toTrash)
        result.NotUndoable = QStringLiteral("a delete for good");
    QStringList paths;
    for (const TPlaceEntry& entry : entries)
        paths << Child(entry.Name);
    platform::TFileOpsProgress progress;
    TPlaceCancel cancel;
    // The worker alone writes `result` until Run returns.
    const auto remove = [&] {
        const auto collect = [&result](const QString& message) { result.Failures << message; };
        for (const QString& path : paths) {
            if (progress.Cancelled())
                break; // no further entry is started
            const platform::TShellResult done = platform::ShellFileOperation(
                platform::TShellFunction::Delete, path, AddSeparator(m_state.Directory), toTrash,
                collect, &progress);
            TTrashedEntry trashed{path, done.Target, {}};
            if (toTrash && !done.Target.isEmpty() &&
                platform::RecordEntry(trashed.Now, trashed.Record) == 0)
                result.Trashed.push_back(std::move(trashed));
        }
    };
    const TPlaceCount count = [&](const std::atomic<bool>& stop) {
        if (!toTrash)
            platform::CountTrees(paths, progress, stop);
        else if (!stop.load())
            progress.SetTotals(int(paths.size()), -1);
    };
    work.Run(QStringLiteral("Deleting"), progress, cancel, remove, count);
    if (const QString cancelled = platform::CancelledText(QStringLiteral("Deleted"), progress);
        !cancelled.isEmpty())
        result.Failures << cancelled;
    return result;
}

// --- A remote folder -----------------------------------------------------------------

QString TRemotePlace::Child(const QString& name) const
{
    return m_state.RemotePlaces ? m_state.RemotePlaces->Child(m_state.Directory, name)
                                : m_state.Directory + name;
}

TPlaceResult TRemotePlace::MakeFolder(const QString& name, TPlaceCancel* cancel)
{
    if (const QString why = RemoteNameProblem(name); !why.isEmpty())
        return TPlaceResult::Refuse(QStringLiteral("No directory was created: %1.").arg(why));
    if (!m_state.RemotePlaces)
        return TPlaceResult::Refuse(m_state.RemoteFailure);
    return FromRemote(m_state.RemotePlaces->MakeFolder(m_state.Directory, name, cancel),
                      QStringLiteral("The directory \"%1\" was not created: an entry of that "
                                     "name exists already.")
                          .arg(name));
}

TPlaceResult TRemotePlace::Rename(const QString& name, const QString& renamed, TPlaceCancel* cancel)
{
    if (const QString why = RemoteNameProblem(renamed); !why.isEmpty())
        return TPlaceResult::Refuse(QStringLiteral("%1 was not renamed: %2.").arg(name, why));
    if (!m_state.RemotePlaces)
        return TPlaceResult::Refuse(m_state.RemoteFailure);
    return FromRemote(
        m_state.RemotePlaces->Rename(Child(name), renamed, cancel),
        QStringLiteral("%1 was not renamed: an entry named %2 exists already.").arg(name, renamed));
}

// On the worker, its Cancel reaching the call under way; never undone.
TDeleteResult TRemotePlace::Delete(const std::vector<TPlaceEntry>& entries, bool toTrash,
                                   TPlaceWork& work)
{
    TDeleteResult result;
    result.NotUndoable = toTrash ? QStringLiteral("a move to a remote place's trash")
                                 : QStringLiteral("a delete on a remote place");
    if (!m_state.RemotePlaces) {
        result.Failures << m_state.RemoteFailure;
        return result;
    }
    std::vector<platform::TRemoteName> items;
    for (const TPlaceEntry& entry : entries)
        items.push_back({entry.Name, entry.Folder});
    platform::TFileOpsProgress progress;
    TPlaceCancel cancel;
    work.Run(QStringLiteral("Deleting"), progress, cancel, [&] {
        result.Failures = platform::DeleteRemoteItems(*m_state.RemotePlaces, m_state.Directory,
                                                      items, toTrash, progress, cancel);
    });
    return result;
}

bool TRemotePlace::TrashTakes(const QString& name, TPlaceCancel* cancel)
{
    return m_state.RemotePlaces && m_state.RemotePlaces->Query(Child(name), cancel).CanTrash;
}

// --- Places that refuse changes --------------------------------------------------------

QString TRefusingPlace::Child(const QString& name) const
{
    return AddSeparator(m_state.Directory) + name;
}

TPlaceResult TRefusingPlace::MakeFolder(const QString& name, TPlaceCancel* cancel)
{
    if (!Can(capMakeFolder))
        return TPlaceResult::Refuse(m_makeFolder.Message);
    return TFolderPlace(m_state).MakeFolder(name, cancel);
}

TPlaceResult TRefusingPlace::Rename(const QString&, const QString&, TPlaceCancel*)
{
    return TPlaceResult::Refuse(m_changes.Message);
}

TDeleteResult TRefusingPlace::Delete(const std::vector<TPlaceEntry>&, bool, TPlaceWork&)
{
    TDeleteResult result;
    if (!m_changes.Silent())
        result.Failures << m_changes.Message;
    return result;
}

TZipPlace::TZipPlace(TPlaceState state)
    : TRefusingPlace(std::move(state), TPlaceKind::Zip,
                     capList | capMakeFolder | capDelete | capWrite,
                     {QStringLiteral("You cannot rename files located in a zipped file."),
                      QStringLiteral("Perhaps in a future version...")},
                     {})
{
}

// A folder row stands for every member at and below it. A name the archive holds more
// than once is left out and said: the library, taking members by name, would delete
// members the user did not choose.
TDeleteResult TZipPlace::Delete(const std::vector<TPlaceEntry>& entries, bool, TPlaceWork& work)
{
    TDeleteResult result;
    result.NotUndoable = QStringLiteral("a delete in an archive");
    TZipArchive& zip = *m_state.Zip;
    std::optional<TArchiveFolders> folders; // indexed when a folder asks for it
    QStringList names;
    for (const TPlaceEntry& entry : entries) {
        if (!entry.Folder) {
            names << entry.Name;
            continue;
        }
        if (!folders)
            folders.emplace(zip.Members());
        names << folders->NamesBelow(entry.Name + '/');
    }
    const QSet<QString> repeated = RepeatedNames(zip.Members());
    QStringList single;
    for (const QString& name : names) {
        if (repeated.contains(name))
            result.Failures << name + QStringLiteral(": not deleted, the archive holds more "
                                                     "than one member of that name");
        else
            single << name;
    }
    result.Failures << DeleteZipMembers(zip, single, work);
    return result;
}

// --- The factory ---------------------------------------------------------------------

std::unique_ptr<TPlace> PlaceOf(const TPlaceState& state)
{
    if (state.Directory == QLatin1String("Drives"))
        return std::make_unique<TRefusingPlace>(state, TPlaceKind::Drives, capList, TRefusal{},
                                                TRefusal{DriveListFolderRefusal(), {}});
    if (state.Remote && state.Results)
        return std::make_unique<TRefusingPlace>(state, TPlaceKind::Results, capList,
                                                TRefusal{RemoteResultsRefusal(), {}},
                                                TRefusal{RemoteResultsRefusal(), {}});
    if (state.Remote)
        return std::make_unique<TRemotePlace>(state);
    if (state.ArchiveListing && state.ReadOnly)
        return std::make_unique<TRefusingPlace>(
            state, TPlaceKind::ReadOnlyArchive, capList | capMakeFolder,
            TRefusal{state.ReadOnly->ReadOnlyText(), {}}, TRefusal{});
    if (state.ArchiveListing)
        return std::make_unique<TZipPlace>(state);
    return std::make_unique<TFolderPlace>(state);
}

} // namespace places
