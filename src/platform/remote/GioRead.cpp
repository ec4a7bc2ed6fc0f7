#include "platform/remote/GioFiles.h"
#include "platform/remote/GioSupport.h"

#include <vector>

namespace platform::gio
{

TRemoteResult ReadFileBlocks(const QString& uri, const TRemoteBlock& block, TRemoteCancel* cancel)
{
    constexpr gsize kBlock = 256 * 1024;
    const TCancelLink link(cancel);
    const TRef<GFile> file = FileFor(uri);
    const QString what = QStringLiteral("Cannot read %1").arg(ShownName(file.get()));
    GError* raw = nullptr;
    const TRef<GFileInputStream> stream(g_file_read(file.get(), link.Get(), &raw));
    if (!stream) {
        const TError error(raw);
        return Failure(what, error.get());
    }
    std::vector<char> buffer(kBlock);
    for (;;) {
        const gssize got = g_input_stream_read(G_INPUT_STREAM(stream.get()), buffer.data(),
                                               buffer.size(), link.Get(), &raw);
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

} // namespace platform::gio
