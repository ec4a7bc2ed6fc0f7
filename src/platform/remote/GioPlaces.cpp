#include "platform/remote/GioPlaces.h"

#include "platform/remote/GioFiles.h"
#include "platform/remote/GioLeftCall.h"
#include "platform/remote/GioListing.h"
#include "platform/remote/GioMount.h"
#include "platform/remote/GioReconnect.h"
#include "platform/remote/GioSupport.h"

namespace platform::gio
{

namespace
{

// Runs `call`; when it failed because the connection of the place holding `uri` was lost,
// mounts the place again once and runs it again. When mounting fails, that says why.
template <typename TResult, typename TCall>
TResult Again(const QString& uri, TRemoteCancel* cancel, TCall call)
{
    TResult result = call();
    if (!result.Lost || (cancel && cancel->Cancelled()))
        return result;
    const TRemoteResult mounted = Reconnect(uri, cancel);
    if (!mounted.Ok) {
        result.Error = mounted.Error;
        return result;
    }
    return call();
}

class TGioPlaces final : public TRemotePlaces
{
public:
    void Mount(const QString& uri, TMountAsker& asker, std::shared_ptr<TRemoteCancel> cancel,
               TRemoteMountEnd end) override
    {
        MountPlace(uri, asker, std::move(cancel), std::move(end));
    }
    void Unmount(const QString& uri, TRemoteMountEnd end) override
    {
        UnmountPlace(uri, std::move(end));
    }
    std::vector<TRemoteMount> Mounts() override { return ListMounts(); }
    void SetReconnectAsker(TMountAsker* asker) override { gio::SetReconnectAsker(asker); }
    void ForgetReconnectAsker(TMountAsker* asker) override { gio::ForgetReconnectAsker(asker); }
    std::unique_ptr<TRemoteListing> List(const QString& uri, TRemoteBatch batch,
                                         TRemoteEnd end) override
    {
        return ListFolder(uri, std::move(batch), std::move(end));
    }
    TRemoteFileInfo Query(const QString& uri, TRemoteCancel* cancel) override
    {
        return Again<TRemoteFileInfo>(uri, cancel, [&] { return QueryFile(uri, cancel); });
    }
    TRemoteSpace FreeSpace(const QString& uri, TRemoteCancel* cancel) override
    {
        return QuerySpace(uri, cancel);
    }
    TRemoteFolder ReadFolder(const QString& uri, TRemoteCancel* cancel) override
    {
        return Again<TRemoteFolder>(uri, cancel, [&] { return ReadWholeFolder(uri, cancel); });
    }
    TRemoteResult Copy(const TRemoteCopy& copy, TRemoteCancel* cancel) override
    {
        // Tried again only when the place was found dead before anything was written.
        const QString remote =
            copy.Source.startsWith(QLatin1Char('/')) ? copy.TargetFolder : copy.Source;
        return Again<TRemoteResult>(remote, cancel, [&] { return CopyFile(copy, cancel); });
    }
    TRemoteResult ReadBlocks(const QString& uri, const TRemoteBlock& block,
                             TRemoteCancel* cancel) override
    {
        return ReadFileBlocks(uri, block, cancel);
    }
    TRemoteResult Delete(const QString& uri, TRemoteCancel* cancel) override
    {
        return Again<TRemoteResult>(uri, cancel, [&] { return DeleteFile(uri, cancel); });
    }
    TRemoteResult Trash(const QString& uri, TRemoteCancel* cancel) override
    {
        return Again<TRemoteResult>(uri, cancel, [&] { return TrashFile(uri, cancel); });
    }
    TRemoteResult MakeFolder(const QString& folderUri, const QString& name,
                             TRemoteCancel* cancel) override
    {
        return Again<TRemoteResult>(folderUri, cancel,
                                    [&] { return gio::MakeFolder(folderUri, name, cancel); });
    }
    TRemoteResult Rename(const QString& uri, const QString& newName, TRemoteCancel* cancel) override
    {
        return Again<TRemoteResult>(uri, cancel, [&] { return RenameFile(uri, newName, cancel); });
    }
    TRemoteResult Replace(const QString& uri, const QString& targetUri,
                          TRemoteCancel* cancel) override
    {
        return ReplaceFile(uri, targetUri, cancel);
    }
    TRemoteResult Move(const QString& uri, const QString& folderUri, const QString& name,
                       TRemoteCancel* cancel) override
    {
        return MoveFile(uri, folderUri, name, cancel);
    }
    void DropPart(const QString& uri) override { DropPartLeft(uri); }
    QString Child(const QString& folderUri, const QString& name) override
    {
        const TRef<GFile> folder = FileFor(folderUri);
        const TRef<GFile> child = ChildOf(folder.get(), name);
        return folderUri.startsWith(QLatin1Char('/')) ? ShownName(child.get()) : UriOf(child.get());
    }
    QByteArray Digest(const QString& uri, QString& error, TRemoteCancel* cancel) override
    {
        return DigestFile(uri, error, cancel);
    }
    void LeaveParts() override { gio::LeaveParts(); }
};

} // namespace

TRemotePlaces& GioPlaces()
{
    static TGioPlaces places;
    return places;
}

} // namespace platform::gio
