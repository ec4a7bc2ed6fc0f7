#include "platform/remote/GioPlaces.h"

#include "platform/remote/GioFiles.h"
#include "platform/remote/GioListing.h"
#include "platform/remote/GioMount.h"
#include "platform/remote/GioSupport.h"

namespace platform::gio
{

namespace
{

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
    std::unique_ptr<TRemoteListing> List(const QString& uri, TRemoteBatch batch,
                                         TRemoteEnd end) override
    {
        return ListFolder(uri, std::move(batch), std::move(end));
    }
    TRemoteFileInfo Query(const QString& uri, TRemoteCancel* cancel) override
    {
        return QueryFile(uri, cancel);
    }
    TRemoteSpace FreeSpace(const QString& uri, TRemoteCancel* cancel) override
    {
        return QuerySpace(uri, cancel);
    }
    TRemoteFolder ReadFolder(const QString& uri, TRemoteCancel* cancel) override
    {
        return ReadWholeFolder(uri, cancel);
    }
    TRemoteResult Copy(const TRemoteCopy& copy, TRemoteCancel* cancel) override
    {
        return CopyFile(copy, cancel);
    }
    TRemoteResult Delete(const QString& uri, TRemoteCancel* cancel) override
    {
        return DeleteFile(uri, cancel);
    }
    TRemoteResult Trash(const QString& uri, TRemoteCancel* cancel) override
    {
        return TrashFile(uri, cancel);
    }
    TRemoteResult MakeFolder(const QString& folderUri, const QString& name,
                             TRemoteCancel* cancel) override
    {
        return gio::MakeFolder(folderUri, name, cancel);
    }
    TRemoteResult Rename(const QString& uri, const QString& newName, TRemoteCancel* cancel) override
    {
        return RenameFile(uri, newName, cancel);
    }
    TRemoteResult Move(const QString& uri, const QString& folderUri, const QString& name,
                       TRemoteCancel* cancel) override
    {
        return MoveFile(uri, folderUri, name, cancel);
    }
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
};

} // namespace

TRemotePlaces& GioPlaces()
{
    static TGioPlaces places;
    return places;
}

} // namespace platform::gio
