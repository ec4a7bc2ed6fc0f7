#pragma once
// The kinds of place, each over the engine that does its work today: a local folder over
// the transfer engine, a remote folder over TRemotePlaces, a ZIP archive over its
// component; the drive list, read-only archives and remote search results refuse what
// they cannot do with the window's message.

#include "places/PlaceOf.h"

namespace places
{

// The parts every kind shares: its state and the addresses.
class TPlaceBase : public TPlace
{
public:
    explicit TPlaceBase(TPlaceState state) : m_state(std::move(state)) {}
    QString ShownAddress() const override { return m_state.Shown; }
    QString StoredAddress() const override { return m_state.Directory; }
    QString ParentAddress() const override { return m_state.Parent; }

protected:
    TPlaceState m_state;
};

// A local folder (also the search results of a local folder, whose names are paths below
// their root): renames and new folders never replace an entry; deletes go through the
// transfer engine, to the trash when asked.
class TFolderPlace : public TPlaceBase
{
public:
    using TPlaceBase::TPlaceBase;
    TPlaceKind Kind() const override
    {
        return m_state.Results ? TPlaceKind::Results : TPlaceKind::Folder;
    }
    unsigned Capabilities() const override
    {
        return capList | capMakeFolder | capRename | capDelete | capTrash | capWrite;
    }
    TRefusal Refusal(TCapability) const override { return {}; }
    QString Child(const QString& name) const override;
    // The folder read and sorted, or the search results each looked up again.
    TListing StartList(const TListRequest& request, const TListSink& sink) override;
    TPlaceResult MakeFolder(const QString& name, TPlaceCancel* cancel) override;
    TPlaceResult Rename(const QString& name, const QString& renamed, TPlaceCancel* cancel) override;
    TDeleteResult Delete(const std::vector<TPlaceEntry>& entries, bool toTrash,
                         TPlaceWork& work) override;
};

// A folder of a remote place, through GIO on the file-work worker.
class TRemotePlace : public TPlaceBase
{
public:
    using TPlaceBase::TPlaceBase;
    TPlaceKind Kind() const override { return TPlaceKind::Remote; }
    // Without the remote layer (its module could not be loaded) it only refuses, saying why.
    unsigned Capabilities() const override
    {
        return m_state.RemotePlaces
                   ? capList | capMakeFolder | capRename | capDelete | capTrash | capWrite
                   : capList;
    }
    TRefusal Refusal(TCapability) const override
    {
        return {m_state.RemotePlaces ? RemoteRefusal() : m_state.RemoteFailure, {}};
    }
    bool OnWorker() const override { return true; }
    bool UndoneByAddress() const override { return true; }
    QString Child(const QString& name) const override;
    // GIO's asynchronous listing: the window never waits for the network.
    TListing StartList(const TListRequest& request, const TListSink& sink) override;
    TPlaceResult MakeFolder(const QString& name, TPlaceCancel* cancel) override;
    TPlaceResult Rename(const QString& name, const QString& renamed, TPlaceCancel* cancel) override;
    TDeleteResult Delete(const std::vector<TPlaceEntry>& entries, bool toTrash,
                         TPlaceWork& work) override;
    bool TrashTakes(const QString& name, TPlaceCancel* cancel) override;
};

// What refuses every change: the drive list, a read-only archive, remote search results.
// A new folder in an archive's panel is made in the folder that holds the archive, as the
// panel then shows that folder.
class TRefusingPlace : public TPlaceBase
{
public:
    TRefusingPlace(TPlaceState state, TPlaceKind kind, unsigned capabilities, TRefusal changes,
                   TRefusal makeFolder)
        : TPlaceBase(std::move(state)), m_kind(kind), m_capabilities(capabilities),
          m_changes(std::move(changes)), m_makeFolder(std::move(makeFolder))
    {
    }
    TPlaceKind Kind() const override { return m_kind; }
    unsigned Capabilities() const override { return m_capabilities; }
    TRefusal Refusal(TCapability capability) const override
    {
        return capability == capMakeFolder ? m_makeFolder : m_changes;
    }
    QString Child(const QString& name) const override;
    // The drive list's roots, remote search results each looked up again on the worker, or
    // an archive's folder level from its members' index.
    TListing StartList(const TListRequest& request, const TListSink& sink) override;
    TPlaceResult MakeFolder(const QString& name, TPlaceCancel* cancel) override;
    TPlaceResult Rename(const QString& name, const QString& renamed, TPlaceCancel* cancel) override;
    TDeleteResult Delete(const std::vector<TPlaceEntry>& entries, bool toTrash,
                         TPlaceWork& work) override;

private:
    TPlaceKind m_kind;
    unsigned m_capabilities;
    TRefusal m_changes, m_makeFolder;
};

// A ZIP archive: members are deleted through the ZIP component, its library running
// through the window's TPlaceWork; they cannot be renamed.
class TZipPlace : public TRefusingPlace
{
public:
    explicit TZipPlace(TPlaceState state);
    TDeleteResult Delete(const std::vector<TPlaceEntry>& entries, bool toTrash,
                         TPlaceWork& work) override;
};

} // namespace places
