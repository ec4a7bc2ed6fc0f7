#include "platform/FileOpsFaults.h"
#include "platform/remote/GioFiles.h"
#include "platform/remote/GioLeftCall.h"
#include "platform/remote/GioSupport.h"

#include <QCryptographicHash>
#include <vector>

namespace platform::gio
{

namespace
{

TRemoteResult ReadBlocksOf(GFile* file, const TRemoteBlock& block, GCancellable* cancellable)
{
    constexpr gsize kBlock = 256 * 1024;
    const QString what = QStringLiteral("Cannot read %1").arg(ShownName(file));
    GError* raw = nullptr;
    const TRef<GFileInputStream> stream(g_file_read(file, cancellable, &raw));
    if (!stream) {
        const TError error(raw);
        return Failure(what, error.get());
    }
    std::vector<char> buffer(kBlock);
    const QString uri = UriOf(file);
    for (;;) {
        FileOpsFault(TFileOpsStep::RemoteBlockRead, uri);
        const gssize got = g_input_stream_read(G_INPUT_STREAM(stream.get()), buffer.data(),
                                               buffer.size(), cancellable, &raw);
        if (got < 0) {
            const TError error(raw);
            g_input_stream_close(G_INPUT_STREAM(stream.get()), nullptr, nullptr);
            return Failure(what, error.get());
        }
        if (got == 0 || !block(buffer.data(), size_t(got)))
            break;
    }
    // Closed without the cancel: a cancelled close would leave the backend's handle open.
    g_input_stream_close(G_INPUT_STREAM(stream.get()), nullptr, nullptr);
    return Success();
}

// A digest under way, owned by its reading thread and its waiter alike.
struct TDigestJob {
    TRef<GFile> File;
    TRef<GCancellable> Cancellable;
    QCryptographicHash Hash{QCryptographicHash::Sha256};
    TRemoteResult Result;
};

} // namespace

TRemoteResult ReadFileBlocks(const QString& uri, const TRemoteBlock& block, TRemoteCancel* cancel)
{
    const TCancelLink link(cancel);
    const TRef<GFile> file = FileFor(uri);
    return ReadBlocksOf(file.get(), block, link.Get());
}

QByteArray DigestFile(const QString& uri, QString& error, TRemoteCancel* cancel)
{
    const TCancelLink link(cancel);
    // Read on a thread that Cancel can leave behind: a stream's read waits for a server
    // that stopped answering, cancelled or not.
    auto job = std::make_shared<TDigestJob>();
    job->File = FileFor(uri);
    job->Cancellable.reset(G_CANCELLABLE(g_object_ref(link.Get())));
    const bool ended =
        RunLeavingOnCancel(link,
                           [job](const TCallTie&) {
                               job->Result = ReadBlocksOf(
                                   job->File.get(),
                                   [&](const char* data, size_t size) {
                                       job->Hash.addData(QByteArrayView(data, qsizetype(size)));
                                       return true;
                                   },
                                   job->Cancellable.get());
                           },
                           {});
    if (!ended) {
        error = QStringLiteral("Cannot read %1: cancelled.").arg(ShownName(job->File.get()));
        return {};
    }
    if (!job->Result.Ok) {
        error = job->Result.Error;
        return {};
    }
    return job->Hash.result();
}

} // namespace platform::gio
