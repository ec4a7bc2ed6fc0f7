#pragma once
// Small helpers of the GIO layer: owning pointers for GObjects and GErrors, files from
// URIs or paths, GIO's errors as one sentence, and a TRemoteCancel wired to a GCancellable.

#include "platform/RemotePlaces.h"

#include <QString>
#include <gio/gio.h>
#include <memory>

namespace platform::gio
{

struct TUnref {
    void operator()(gpointer object) const
    {
        if (object)
            g_object_unref(object);
    }
};
template <typename T> using TRef = std::unique_ptr<T, TUnref>;

struct TErrorFree {
    void operator()(GError* error) const
    {
        if (error)
            g_error_free(error);
    }
};
using TError = std::unique_ptr<GError, TErrorFree>;

// A file for a URI ("sftp://…") or an absolute local path.
TRef<GFile> FileFor(const QString& uriOrPath);
// The child `name` (decoded) of `folder`.
TRef<GFile> ChildOf(GFile* folder, const QString& name);
QString UriOf(GFile* file);
// The name of `file` for messages: its URI without password, or its path.
QString ShownName(GFile* file);
// GIO's message, or a fallback when there is none.
QString MessageOf(const GError* error);
bool IsCancel(const GError* error);
// A failed result for `what` ("Cannot copy x") with GIO's reason, flags set from the error.
TRemoteResult Failure(const QString& what, const GError* error);
TRemoteResult Success();

// A GCancellable that `cancel` (may be null) cancels for as long as this lives.
class TCancelLink
{
public:
    explicit TCancelLink(TRemoteCancel* cancel);
    explicit TCancelLink(std::shared_ptr<TRemoteCancel> cancel);
    ~TCancelLink();
    TCancelLink(const TCancelLink&) = delete;
    TCancelLink& operator=(const TCancelLink&) = delete;
    GCancellable* Get() const { return m_cancellable.get(); }
    bool Cancelled() const { return g_cancellable_is_cancelled(m_cancellable.get()); }

private:
    std::shared_ptr<GCancellable> m_cancellable;
    TRemoteCancel* m_cancel{nullptr};
    std::shared_ptr<TRemoteCancel> m_owned;
    int m_hook{0};
};

} // namespace platform::gio
