#pragma once
// The address of a remote place as the user types it: scheme://[user[:password]@]host
// [:port][/path] for the schemes sftp, smb, ftp, dav and davs (in any case). A host may be
// a name or an IPv6 address in brackets; the user and the path may hold %XX escapes of
// UTF-8 bytes; the port is 1 to 65535, the path "/" when none is given. A password typed
// in the address is dropped by the parser: it is never shown, kept or passed on (the
// server asks for it through the login dialog). No widgets, no I/O.

#include <QString>

namespace remote
{

enum class TRemoteScheme { Sftp, Smb, Ftp, Dav, Davs };

class TRemoteUri final
{
public:
    // Parses `typed` (blanks around it ignored). An address that cannot be taken gives an
    // invalid result with a message for the user that never holds the password.
    static TRemoteUri Parse(const QString& typed);

    bool IsValid() const { return m_error.isEmpty(); }
    // Why the address cannot be taken; empty when it can.
    const QString& Error() const { return m_error; }

    TRemoteScheme Scheme() const { return m_scheme; }
    QString SchemeName() const;                    // in lower case: "sftp", "smb", ...
    const QString& User() const { return m_user; } // decoded; empty when none was given
    const QString& Host() const { return m_host; } // an IPv6 address without its brackets
    int Port() const { return m_port; }            // 0 when none was given
    const QString& Path() const { return m_path; } // decoded, starting with "/"
    // A password was typed (and dropped).
    bool HadPassword() const { return m_hadPassword; }

    // The address for the user to read: user and path decoded, no password.
    QString DisplayForm() const;
    // The address to hand on, escaped where a URI needs it, no password. Parsing it gives
    // the same scheme, user, host, port and path.
    QString Uri() const;

private:
    TRemoteScheme m_scheme{TRemoteScheme::Sftp};
    QString m_user;
    QString m_host;
    int m_port{0};
    QString m_path;
    bool m_hadPassword{false};
    QString m_error{QStringLiteral("No address was given.")};
};

} // namespace remote
