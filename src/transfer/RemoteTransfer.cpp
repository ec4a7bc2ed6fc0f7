#include "transfer/RemoteTransfer.h"

#include <QUrl>

namespace platform
{

namespace
{

// The first name "NAME (N).EXT" that `places` finds free in `folder`.
QString FreeName(TRemotePlaces& places, const QString& folder, const QString& name, bool isFolder,
                 TRemoteCancel* cancel)
{
    for (int n = 2; n < 1000; ++n) {
        const QString candidate = NumberedName(name, n, isFolder);
        if (!places.Query(places.Child(folder, candidate), cancel).Found)
            return candidate;
    }
    return {};
}

} // namespace

QString CompareCopy(TRemotePlaces& places, const QString& original, const QString& copy,
                    TRemoteCancel& cancel)
{
    const TRemoteFileInfo from = places.Query(original, &cancel);
    const TRemoteFileInfo to = places.Query(copy, &cancel);
    if (!from.Found || !to.Found)
        return from.Found ? to.Error : from.Error;
    if (from.Size != to.Size)
        return QStringLiteral("the copy has %1 of %2 bytes.").arg(to.Size).arg(from.Size);
    QString error;
    const QByteArray want = places.Digest(original, error, &cancel);
    const QByteArray got = want.isEmpty() ? QByteArray() : places.Digest(copy, error, &cancel);
    if (want.isEmpty() || got.isEmpty())
        return cancel.Cancelled() ? QStringLiteral("cancelled while the copy was checked.") : error;
    if (want != got)
        return QStringLiteral("the copy does not read back as the original.");
    return {};
}

TRemoteTransfer::TRemoteTransfer(TRemotePlaces& places, TFileOpsProgress& progress,
                                 TCollisionAsk ask, TRemoteCancel& cancel, bool move)
    : m_places(places), m_progress(progress), m_ask(std::move(ask)), m_cancel(cancel), m_move(move)
{
}

bool TRemoteTransfer::Stopped() const
{
    return m_lost || m_progress.Cancelled() || m_cancel.Cancelled();
}

bool TRemoteTransfer::Lost(const QString& source, const QString& target, const QString& error,
                           bool known)
{
    // A place that no longer answers for its folder has lost its connection (or its
    // mount): nothing more can go, and the end says what arrived. A connection that went
    // during a copy counts as lost even when the place, mounted again, answers now.
    if (!known && m_places.Query(source, &m_cancel).Found &&
        m_places.Query(target, &m_cancel).Found)
        return false;
    m_lost = true;
    m_lostError = error;
    return true;
}

void TRemoteTransfer::NotArrived(const std::vector<TRemoteTransferItem>& items, size_t from)
{
    for (size_t i = from; i < items.size(); ++i)
        m_missed << m_prefix + items[i].Name;
}

QString TRemoteTransfer::LostText() const
{
    QString text = QStringLiteral("The connection was lost: %1").arg(m_lostError);
    text += QStringLiteral("\nArrived whole: %1")
                .arg(m_arrived.isEmpty() ? QStringLiteral("nothing") : m_arrived.join(", "));
    text += QStringLiteral("\nNot arrived (no partial file is left under their names): %1")
                .arg(m_missed.join(", "));
    text += QStringLiteral("\nCtrl+R reads a remote folder again once its server answers.");
    return text;
}

void TRemoteTransfer::Run(const QString& source, const QString& target,
                          const std::vector<TRemoteTransferItem>& items)
{
    int count = std::max(m_progress.TotalItems(), 0);
    qint64 bytes = std::max(m_progress.TotalBytes(), qint64(0));
    for (const TRemoteTransferItem& item : items) {
        ++count;
        bytes += item.Folder ? 0 : item.Size;
    }
    m_progress.SetTotals(count, bytes);
    for (size_t i = 0; i < items.size() && !Stopped(); ++i)
        if (!Transfer(source, target, items[i]) && m_lost)
            NotArrived(items, i + 1);
    if (m_lost)
        m_errors = QStringList{LostText()};
}

bool TRemoteTransfer::MovedByRename(const QString& source, const QString& target,
                                    const TRemoteTransferItem& item)
{
    const QUrl from(source), to(target);
    if (!m_move || source.startsWith('/') || target.startsWith('/') ||
        from.scheme() != to.scheme() || from.authority() != to.authority())
        return false;
    const QString uri = m_places.Child(source, item.Name);
    const TRemoteResult moved = m_places.Move(uri, target, item.Name, &m_cancel);
    if (!moved.Ok)
        return false; // a taken name asks, and other refusals copy, as between places
    m_renamed.emplace_back(m_places.Child(target, item.Name), uri);
    m_moved << uri;
    m_progress.AddItem();
    m_progress.AddBytes(item.Folder ? 0 : item.Size);
    m_arrived << m_prefix + item.Name;
    return true;
}

bool TRemoteTransfer::Transfer(const QString& source, const QString& target,
                               const TRemoteTransferItem& item)
{
    m_progress.SetCurrent(m_places.Child(source, item.Name));
    if (MovedByRename(source, target, item))
        return true;
    return item.Folder ? TransferFolder(source, target, item) : TransferFile(source, target, item);
}

TCollisionAnswer TRemoteTransfer::AskAbout(const QString& target, const QString& name,
                                           const TRemoteFileInfo& existing, const QString& source,
                                           const TRemoteTransferItem& item)
{
    TCollision collision;
    collision.Existing.Path = m_places.Child(target, name);
    collision.Existing.Folder = existing.Folder;
    collision.Existing.Size = existing.Size;
    collision.Existing.Modified = QDateTime::fromSecsSinceEpoch(existing.Modified);
    collision.Incoming.Path = m_places.Child(source, item.Name);
    collision.Incoming.Folder = item.Folder;
    collision.Incoming.Size = item.Size;
    collision.Incoming.Modified = item.Modified;
    collision.CanReplace = false; // a remote transfer never replaces
    collision.Suggested = FreeName(m_places, target, item.Name, item.Folder, &m_cancel);
    TCollisionAnswer answer = m_ask(collision);
    if (answer.Choice == TCollisionChoice::Cancel)
        m_progress.Cancel();
    if (answer.Choice == TCollisionChoice::Rename && !UsableName(answer.Name))
        answer.Choice = TCollisionChoice::Skip;
    return answer;
}

bool TRemoteTransfer::TransferFile(const QString& source, const QString& target,
                                   const TRemoteTransferItem& item)
{
    QString targetName = item.Name;
    for (;;) {
        qint64 counted = 0;
        TRemoteCopy copy;
        copy.Source = m_places.Child(source, item.Name);
        copy.TargetFolder = target;
        copy.TargetName = targetName;
        copy.Progress = [&](qint64 done, qint64) {
            m_progress.AddBytes(done - counted);
            counted = done;
        };
        const TRemoteResult result = m_places.Copy(copy, &m_cancel);
        if (result.Ok) {
            m_progress.AddItem();
            m_arrived << m_prefix + targetName;
            if (!m_move)
                return true;
            const QString copied = m_places.Child(target, targetName);
            const QString why = Verify(copy.Source, copied);
            if (!why.isEmpty()) {
                m_errors << QStringLiteral("%1 was copied but not moved: %2").arg(item.Name, why);
                return false;
            }
            return DropOriginal(copy.Source);
        }
        m_progress.AddBytes(-counted);
        if (!result.Exists) {
            if (!result.Cancelled && !Stopped() &&
                !Lost(source, target, result.Error, result.LostMidway))
                m_errors << result.Error;
            if (m_lost)
                m_missed << m_prefix + item.Name;
            return false;
        }
        // The name is taken: nothing was replaced, and the user says what to do.
        const TRemoteFileInfo existing =
            m_places.Query(m_places.Child(target, targetName), &m_cancel);
        const TCollisionAnswer answer = AskAbout(target, targetName, existing, source, item);
        if (answer.Choice != TCollisionChoice::Rename)
            return false;
        targetName = answer.Name;
    }
}

QString TRemoteTransfer::Verify(const QString& original, const QString& copy)
{
    m_progress.SetCurrent(copy);
    const QString why = CompareCopy(m_places, original, copy, m_cancel);
    if (!why.isEmpty() && Stopped())
        return QStringLiteral("cancelled while the copy was checked.");
    return why;
}

bool TRemoteTransfer::DropOriginal(const QString& uri)
{
    const TRemoteResult result = m_places.Delete(uri, &m_cancel);
    if (!result.Ok)
        m_errors << result.Error;
    else
        m_moved << uri;
    return result.Ok;
}

bool TRemoteTransfer::TransferFolder(const QString& source, const QString& target,
                                     const TRemoteTransferItem& item)
{
    const QString from = m_places.Child(source, item.Name);
    if ((target + '/').startsWith(from + '/')) {
        m_errors << QStringLiteral("%1 cannot go into itself.").arg(item.Name);
        return false;
    }
    QString name = item.Name;
    for (;;) {
        const TRemoteResult made = m_places.MakeFolder(target, name, &m_cancel);
        if (made.Ok)
            break;
        if (Stopped())
            return false;
        const TRemoteFileInfo existing = m_places.Query(m_places.Child(target, name), &m_cancel);
        if (!existing.Found) {
            m_errors << made.Error;
            return false;
        }
        if (existing.Folder)
            break; // a folder of that name: the copy merges into it
        // A file holds the name: it is never replaced.
        const TCollisionAnswer answer = AskAbout(target, name, existing, source, item);
        if (answer.Choice != TCollisionChoice::Rename)
            return false;
        name = answer.Name;
    }
    m_progress.AddItem();
    const QString into = m_places.Child(target, name);
    const TRemoteFolder folder = m_places.ReadFolder(from, &m_cancel);
    if (!folder.Error.isEmpty() && !folder.Cancelled && !Stopped() &&
        !Lost(source, target, folder.Error))
        m_errors << folder.Error;
    if (m_lost && folder.Entries.empty())
        m_missed << m_prefix + item.Name + '/';
    std::vector<TRemoteTransferItem> children;
    int count = m_progress.TotalItems();
    qint64 bytes = m_progress.TotalBytes();
    for (const TRemoteEntry& entry : folder.Entries) {
        children.push_back({entry.Name, entry.Folder && !entry.Symlink, entry.Size,
                            QDateTime::fromSecsSinceEpoch(entry.Modified)});
        ++count;
        bytes += children.back().Folder ? 0 : entry.Size;
    }
    m_progress.SetTotals(count, bytes);
    bool all = folder.Error.isEmpty();
    const QString prefix = m_prefix;
    m_prefix += name + '/';
    for (size_t i = 0; i < children.size() && !Stopped(); ++i) {
        const bool went = Transfer(from, into, children[i]);
        all = went && all;
        if (!went && m_lost)
            NotArrived(children, i + 1);
    }
    m_prefix = prefix;
    if (!m_move || !all || Stopped())
        return all && !Stopped();
    return DropOriginal(from);
}

} // namespace platform
