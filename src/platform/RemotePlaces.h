#pragma once
// Remote places (SFTP, SMB, FTP, WebDAV, phones) through GIO and its gvfs backends, as
// plain data and one interface, TRemotePlaces. Nothing here names a GIO type: GIO lives in
// the remote module (RemoteModule.h), loaded the first time a remote place is used, so
// that a start maps none of its libraries.
//
// Threads: Mount, Unmount, Mounts and List run on the window's thread and answer through
// callbacks on that thread (Qt's event loop on Linux is GLib's, so GIO's callbacks run
// in it). Everything else blocks and belongs on a worker thread.

#include "platform/RemoteQuestions.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace platform
{

// One entry of a remote folder as the panel needs it.
struct TRemoteEntry {
    QString Name;
    qint64 Size{0};
    qint64 Modified{0}; // seconds since the epoch; 0 when the backend does not say
    quint32 Mode{0};    // Unix permission and kind bits; 0 when the backend does not say
    bool Folder{false}; // a folder, or a link to one
    bool Symlink{false};
    bool Hidden{false};
};

// A place GIO has mounted: its name for people and the URI of its top.
struct TRemoteMount {
    QString Name;
    QString RootUri;
    bool Local{false}; // a local drive GIO also knows (its root is a path)
};

struct TRemoteFileInfo {
    bool Found{false};
    bool Folder{false};
    qint64 Size{0};
    qint64 Modified{0}; // seconds since the epoch; 0 when unknown
    QString ETag;       // the backend's version tag of the file; empty when it has none
    bool CanTrash{false}; // the place has a trash this entry can go to
    QString Error;
    bool Lost{false}; // the place's connection was lost, not the file
};

struct TRemoteSpace {
    bool Known{false}; // false when the backend does not tell
    qint64 Free{0};
    qint64 Size{0};
};

// A whole folder read at once on a worker, for walks through trees (folder copies, search).
struct TRemoteFolder {
    std::vector<TRemoteEntry> Entries;
    QString Error; // empty when the whole folder was read
    bool Cancelled{false};
    bool Lost{false}; // the place's connection was lost
};

// How a command ended. Error is one sentence for the user, empty on success.
struct TRemoteResult {
    bool Ok{false};
    bool Cancelled{false};
    bool NotSupported{false}; // the backend cannot do this (trash, rename)
    bool Exists{false};       // the target name is taken; nothing was replaced
    bool Lost{false};         // the place's connection was lost (and may be tried again)
    // The connection went while the call was writing: never tried again, but a transfer
    // stops there and says what arrived.
    bool LostMidway{false};
    QString Error;
};

// A cancel button shared by the window and a worker: Cancel may come from any thread and
// reaches the GIO call in progress at once.
class TRemoteCancel
{
public:
    void Cancel()
    {
        std::vector<std::function<void()>> hooks;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (m_cancelled)
                return;
            m_cancelled = true;
            for (auto& hook : m_hooks)
                hooks.push_back(hook.second);
        }
        for (auto& hook : hooks)
            hook();
    }
    bool Cancelled() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_cancelled;
    }
    // Calls `hook` on Cancel (at once when already cancelled); returns its number for Forget.
    int OnCancel(std::function<void()> hook)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_cancelled) {
                m_hooks.emplace_back(++m_next, std::move(hook));
                return m_next;
            }
        }
        hook();
        return 0;
    }
    void Forget(int id)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        std::erase_if(m_hooks, [id](const auto& hook) { return hook.first == id; });
    }

private:
    mutable std::mutex m_mutex;
    bool m_cancelled{false};
    int m_next{0};
    std::vector<std::pair<int, std::function<void()>>> m_hooks;
};

// A listing under way. Cancel (or destruction) abandons it at once: no callback of the
// listing comes after it returns.
class TRemoteListing
{
public:
    virtual ~TRemoteListing() = default;
    virtual void Cancel() = 0;
};

// Entries as they arrive, in batches; then one call of the end (error empty when the whole
// folder was read).
using TRemoteBatch = std::function<void(std::vector<TRemoteEntry>&& entries)>;
using TRemoteEnd = std::function<void(const QString& error)>;
using TRemoteMountEnd = std::function<void(const TRemoteResult& result)>;
// A block of a file's bytes, in order from its start; returning false ends the read.
using TRemoteBlock = std::function<bool(const char* data, size_t size)>;
// Bytes copied so far and the size of the whole, on the worker's thread.
using TRemoteProgress = std::function<void(qint64 done, qint64 total)>;

// One file to copy: Source and TargetFolder are URIs ("sftp://user@host:22/path") or
// absolute local paths; the copy takes the name TargetName.
struct TRemoteCopy {
    QString Source;
    QString TargetFolder;
    QString TargetName;
    TRemoteProgress Progress; // may be empty
};

class TRemotePlaces
{
public:
    virtual ~TRemotePlaces() = default;

    // Window's thread. Mounts the place that holds `uri` unless it is mounted already;
    // `asker` answers the backend's questions (it must outlive the mount) and `cancel` (may
    // be null) abandons it. `end` gets one clear message for a refused login, an unknown
    // host, a server that does not answer or a cancel.
    virtual void Mount(const QString& uri, TMountAsker& asker,
                       std::shared_ptr<TRemoteCancel> cancel, TRemoteMountEnd end) = 0;
    virtual void Unmount(const QString& uri, TRemoteMountEnd end) = 0;
    // Window's thread. GIO's mounts; the first call starts GIO's volume monitor.
    virtual std::vector<TRemoteMount> Mounts() = 0;
    // Window's thread. A place whose connection died is mounted again once, by List and by
    // the worker calls below, before they give up; `asker` answers its questions (null:
    // they are declined). Forget clears it only when it is still `asker`.
    virtual void SetReconnectAsker(TMountAsker* asker) = 0;
    virtual void ForgetReconnectAsker(TMountAsker* asker) = 0;
    // Window's thread. Reads the folder `uri` without waiting for the network, for a panel:
    // its entries say name, kind, size, date and hidden, never Mode nor Symlink.
    virtual std::unique_ptr<TRemoteListing> List(const QString& uri, TRemoteBatch batch,
                                                 TRemoteEnd end) = 0;

    // Worker threads from here on: each call blocks until the backend answers or `cancel`
    // (may be null) is pressed.
    virtual TRemoteFileInfo Query(const QString& uri, TRemoteCancel* cancel) = 0;
    virtual TRemoteSpace FreeSpace(const QString& uri, TRemoteCancel* cancel) = 0;
    // Reads the folder `uri` whole, each entry with all its fields.
    virtual TRemoteFolder ReadFolder(const QString& uri, TRemoteCancel* cancel) = 0;
    // Copies into a hidden part name in the target folder, checks the size, then renames
    // it to the real name without ever replacing one. On an error or a cancel the part
    // file is removed; only where the backend cannot rename is it kept (and named).
    virtual TRemoteResult Copy(const TRemoteCopy& copy, TRemoteCancel* cancel) = 0;
    // Reads the file `uri` from its start, handing its bytes to `block` until it returns
    // false or the file ends; nothing is written anywhere. Ok when read to its end or
    // ended by `block`.
    virtual TRemoteResult ReadBlocks(const QString& uri, const TRemoteBlock& block,
                                     TRemoteCancel* cancel) = 0;
    // Deletes a file or an empty folder for good.
    virtual TRemoteResult Delete(const QString& uri, TRemoteCancel* cancel) = 0;
    virtual TRemoteResult Trash(const QString& uri, TRemoteCancel* cancel) = 0;
    virtual TRemoteResult MakeFolder(const QString& folderUri, const QString& name,
                                     TRemoteCancel* cancel) = 0;
    // Gives `uri` the name `newName` in its folder; a taken name is never replaced.
    virtual TRemoteResult Rename(const QString& uri, const QString& newName,
                                 TRemoteCancel* cancel) = 0;
    // Gives the file `uri` the place of `targetUri` in the same place, replacing what is
    // there: for a saved file that was first written whole under a hidden name beside it.
    // Never copies: where the backend cannot rename, nothing changes (NotSupported).
    virtual TRemoteResult Replace(const QString& uri, const QString& targetUri,
                                  TRemoteCancel* cancel) = 0;
    // Moves `uri` to `name` in the folder `folderUri` of the same place by the backend's
    // rename, never replacing; NotSupported where the backend would have to copy.
    virtual TRemoteResult Move(const QString& uri, const QString& folderUri, const QString& name,
                               TRemoteCancel* cancel) = 0;
    // Removes a part file this program wrote (a hidden name) without waiting for it: on a
    // thread of its own that waits for a server that does not answer, and that quitting
    // meanwhile turns into a removal at the next mount of its place.
    virtual void DropPart(const QString& uri) = 0;
    // The URI of `name` in the folder `folderUri` (either may be a local path).
    virtual QString Child(const QString& folderUri, const QString& name) = 0;
    // The SHA-256 of the file's content, read through the backend in pieces (SFTP offers
    // no checksum of its own); empty on an error or a cancel, with `error` saying why.
    virtual QByteArray Digest(const QString& uri, QString& error, TRemoteCancel* cancel) = 0;

    // Window's thread, at quit. Copies that a cancel left behind may still wait for a
    // server: their local part files are removed now, and their remote ones, which cannot
    // be reached now, are removed the next time their place is mounted.
    virtual void LeaveParts() {}
};

} // namespace platform
