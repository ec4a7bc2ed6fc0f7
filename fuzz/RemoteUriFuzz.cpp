// Feeds arbitrary text to the remote address parser and checks what its callers rely on:
// an address taken has a server, a port in range and a path from "/"; both its forms name
// the same place again; and no message or form ever holds a password typed in it.
#include "remote/RemoteUri.h"

#include <cstdint>
#include <cstdlib>

namespace
{

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckSamePlace(const remote::TRemoteUri& uri, const QString& form)
{
    const remote::TRemoteUri again = remote::TRemoteUri::Parse(form);
    Check(again.IsValid() && !again.HadPassword());
    Check(again.Scheme() == uri.Scheme() && again.User() == uri.User() &&
          again.Host() == uri.Host() && again.Port() == uri.Port() && again.Path() == uri.Path());
}

void CheckParse(const QString& text)
{
    const remote::TRemoteUri uri = remote::TRemoteUri::Parse(text);
    if (!uri.IsValid()) {
        Check(!uri.Error().isEmpty() && uri.Uri().isEmpty() && uri.DisplayForm().isEmpty());
        return;
    }
    Check(!uri.Host().isEmpty());
    Check(uri.Port() >= 0 && uri.Port() <= 65535);
    Check(uri.Path().startsWith(QLatin1Char('/')));
    for (const QChar c : uri.Uri())
        Check(c.unicode() > 0x20 && c.unicode() != 0x7f);
    CheckSamePlace(uri, uri.Uri());
    CheckSamePlace(uri, uri.DisplayForm());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    CheckParse(text);

    // The same text behind a user and a password: whatever follows, the password is
    // neither shown in a message nor kept in a form.
    const QString secret = QStringLiteral("Zq9Secret");
    const QString withPassword = QStringLiteral("sftp://u:") + secret + QLatin1Char('@') + text;
    CheckParse(withPassword);
    const remote::TRemoteUri uri = remote::TRemoteUri::Parse(withPassword);
    Check(!uri.Error().contains(secret) && !uri.Uri().contains(secret) &&
          !uri.DisplayForm().contains(secret) && !uri.User().contains(secret));
    return 0;
}
