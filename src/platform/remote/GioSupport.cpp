#include "platform/remote/GioSupport.h"

#include "platform/FileNames.h"
#include "platform/remote/GioReconnect.h"

#include <map>
#include <mutex>

namespace platform::gio
{

namespace
{

// gvfs shares one description of each mount among the files that name it and frees it
// when the last of them goes; a file made for the same mount on another thread at that
// moment is handed the description being freed (the count's drop and the lookup are not
// one step), and the next call on it crashes. One file at the top of each server or share,
// kept for the life of the process, keeps every description alive.
void KeepMountDescription(GFile* file)
{
    static std::mutex mutex;
    static auto* kept = new std::map<QString, TRef<GFile>>; // never freed: files outlive exit
    TRef<GFile> top(G_FILE(g_object_ref(file)));
    while (GFile* parent = g_file_get_parent(top.get()))
        top.reset(parent);
    const QString uri = UriOf(top.get());
    const std::lock_guard<std::mutex> lock(mutex);
    kept->try_emplace(uri, std::move(top));
}

} // namespace

TRef<GFile> FileFor(const QString& uriOrPath)
{
    if (uriOrPath.startsWith(QLatin1Char('/')))
        return TRef<GFile>(g_file_new_for_path(EncodeFileName(uriOrPath).constData()));
    TRef<GFile> file(g_file_new_for_uri(uriOrPath.toUtf8().constData()));
    if (!g_file_is_native(file.get()))
        KeepMountDescription(file.get());
    return file;
}

TRef<GFile> ChildOf(GFile* folder, const QString& name)
{
    return TRef<GFile>(g_file_get_child(folder, EncodeFileName(name).constData()));
}

QString UriOf(GFile* file)
{
    gchar* uri = g_file_get_uri(file);
    const QString text = QString::fromUtf8(uri);
    g_free(uri);
    return text;
}

QString ShownName(GFile* file)
{
    gchar* name = g_file_get_parse_name(file);
    const QString text = QString::fromUtf8(name);
    g_free(name);
    return text;
}

QString MessageOf(const GError* error)
{
    if (!error || !error->message || !*error->message)
        return QStringLiteral("unknown error");
    return QString::fromUtf8(error->message);
}

bool IsCancel(const GError* error)
{
    return error && (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) ||
                     g_error_matches(error, G_IO_ERROR, G_IO_ERROR_FAILED_HANDLED));
}

TRemoteResult Failure(const QString& what, const GError* error)
{
    TRemoteResult result;
    result.Cancelled = IsCancel(error);
    result.NotSupported = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED);
    result.Exists = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_EXISTS);
    result.Lost = IsLostConnection(error);
    result.Error = result.Cancelled ? QStringLiteral("%1: cancelled.").arg(what)
                                    : QStringLiteral("%1: %2").arg(what, MessageOf(error));
    return result;
}

TRemoteResult Success()
{
    TRemoteResult result;
    result.Ok = true;
    return result;
}

TCancelLink::TCancelLink(TRemoteCancel* cancel)
    : m_cancellable(g_cancellable_new(), TUnref{}), m_cancel(cancel)
{
    if (!m_cancel)
        return;
    // The hook holds its own reference, so a late Cancel never meets a freed object.
    std::shared_ptr<GCancellable> cancellable = m_cancellable;
    m_hook = m_cancel->OnCancel([cancellable] { g_cancellable_cancel(cancellable.get()); });
}

TCancelLink::TCancelLink(std::shared_ptr<TRemoteCancel> cancel) : TCancelLink(cancel.get())
{
    m_owned = std::move(cancel);
}

TCancelLink::~TCancelLink()
{
    if (m_cancel && m_hook)
        m_cancel->Forget(m_hook);
}

} // namespace platform::gio
