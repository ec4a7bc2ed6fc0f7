#include "remote/RemoteUri.h"

#include <QStringConverter>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace remote
{

namespace
{

struct TSchemeName {
    TRemoteScheme Scheme;
    const char* Name;
};

constexpr std::array<TSchemeName, 5> kSchemes{{{TRemoteScheme::Sftp, "sftp"},
                                               {TRemoteScheme::Smb, "smb"},
                                               {TRemoteScheme::Ftp, "ftp"},
                                               {TRemoteScheme::Dav, "dav"},
                                               {TRemoteScheme::Davs, "davs"}}};

const QString kUse = QStringLiteral("use sftp://, smb://, ftp://, dav:// or davs://");

QString NotRemote(const QString& shown)
{
    return QStringLiteral("%1 is not a remote place this program opens: %2.").arg(shown, kUse);
}

bool HasControl(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    return false;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Decodes %XX escapes of UTF-8 bytes; `what` names the part in the message of a failure.
std::optional<QString> Decode(const QString& text, const QString& what, QString& error)
{
    const QByteArray raw = text.toUtf8();
    QByteArray bytes;
    bytes.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != '%') {
            bytes += raw[i];
            continue;
        }
        const int high = i + 2 < raw.size() ? HexValue(raw[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(raw[i + 2]) : -1;
        if (low < 0) {
            error = QStringLiteral("The %1 holds a \"%\" not followed by two hexadecimal digits "
                                   "(a %-sign itself is written %25).")
                        .arg(what);
            return std::nullopt;
        }
        bytes += char(high * 16 + low);
        i += 2;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded = utf8(bytes);
    if (utf8.hasError()) {
        error = QStringLiteral("The %1 holds escapes that are not UTF-8 text.").arg(what);
        return std::nullopt;
    }
    if (HasControl(decoded)) {
        error = QStringLiteral("The %1 holds a control character.").arg(what);
        return std::nullopt;
    }
    return decoded;
}

bool IsHexGroup(const QString& group)
{
    if (group.isEmpty() || group.size() > 4)
        return false;
    for (const QChar c : group)
        if (c.unicode() > 0x7f || HexValue(char(c.unicode())) < 0)
            return false;
    return true;
}

bool IsIpv4(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return false;
        for (const QChar c : part)
            if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
                return false;
        if (part.toInt() > 255)
            return false;
    }
    return true;
}

// Counts the hexadecimal groups of `text` ("a:b:c"; empty: none); -1 when one is not a group.
int HexGroups(const QString& text)
{
    if (text.isEmpty())
        return 0;
    const QStringList groups = text.split(QLatin1Char(':'));
    for (const QString& group : groups)
        if (!IsHexGroup(group))
            return -1;
    return int(groups.size());
}

// An IPv6 address in text form (RFC 4291 2.2): eight groups, "::" for a run of zeros once,
// the last two groups possibly written as an IPv4 address.
bool IsIpv6(const QString& text)
{
    QString head = text;
    int tail = 0;
    if (text.contains(QLatin1Char('.'))) {
        const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
        if (colon < 0 || !IsIpv4(text.mid(colon + 1)))
            return false;
        head = text.left(colon);
        if (head.endsWith(QLatin1Char(':')))
            head += QLatin1Char(':');
        tail = 2;
    }
    const qsizetype run = head.indexOf(QStringLiteral("::"));
    if (run < 0) {
        const int groups = HexGroups(head);
        return groups >= 0 && groups + tail == 8;
    }
    // A second "::" leaves an empty group on one side, which no group count takes.
    const int before = HexGroups(head.left(run));
    const int after = HexGroups(head.mid(run + 2));
    return before >= 0 && after >= 0 && before + after + tail <= 7;
}

bool IsHostName(const QString& host)
{
    if (host.startsWith(QLatin1Char('.')) || host.endsWith(QLatin1Char('.')) ||
        host.contains(QStringLiteral("..")))
        return false;
    for (const QChar c : host)
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('.') &&
            c != QLatin1Char('_'))
            return false;
    return true;
}

// The port typed after ":" (1 to 65535), or 0 when it is not one.
int PortNumber(const QString& text)
{
    if (text.isEmpty() || text.size() > 5)
        return 0;
    for (const QChar c : text)
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return 0;
    const int port = text.toInt();
    return port <= 65535 ? port : 0;
}

bool IsSchemeText(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c.unicode() > 0x7f || !(c.isLetterOrNumber() || c == QLatin1Char('+') ||
                                    c == QLatin1Char('-') || c == QLatin1Char('.')))
            return false;
    return true;
}

// Escapes every byte of the UTF-8 form of `text` except ASCII letters, digits and `keep`.
QString Escape(const QString& text, const char* keep)
{
    static const char* const hex = "0123456789ABCDEF";
    QString out;
    for (const char byte : text.toUtf8()) {
        const auto u = static_cast<unsigned char>(byte);
        const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                           (u >= '0' && u <= '9') ||
                           (u != 0 && u < 0x80 && std::strchr(keep, byte));
        if (plain)
            out += QLatin1Char(byte);
        else {
            out += QLatin1Char('%');
            out += QLatin1Char(hex[u >> 4]);
            out += QLatin1Char(hex[u & 15]);
        }
    }
    return out;
}

// Escapes only the characters of `special`, "%" and blanks at the end (which the parser
// would trim), for a form that reads as typed.
QString EscapeOnly(const QString& text, const QString& special)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].isSpace())
        --end;
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('%') || special.contains(c) || i >= end)
            out += Escape(QString(c), "");
        else
            out += c;
    }
    return out;
}

} // namespace

TRemoteUri TRemoteUri::Parse(const QString& typed)
{
    TRemoteUri uri;
    const QString text = typed.trimmed();
    QString& error = uri.m_error;
    if (text.isEmpty()) {
        error = QStringLiteral("Type the address of a server, as in sftp://user@host/folder.");
        return uri;
    }
    if (HasControl(text)) {
        error = QStringLiteral("The address holds a control character.");
        return uri;
    }
    const qsizetype sep = text.indexOf(QStringLiteral("://"));
    const QString scheme = sep < 0 ? QString() : text.left(sep);
    if (!IsSchemeText(scheme)) {
        // Quoted only when no password can be in it.
        error = NotRemote(text.contains(QLatin1Char('@')) ? QStringLiteral("This address")
                                                          : QStringLiteral("\"%1\"").arg(text));
        return uri;
    }
    const auto known = std::find_if(kSchemes.begin(), kSchemes.end(), [&](const TSchemeName& s) {
        return scheme.compare(QLatin1String(s.Name), Qt::CaseInsensitive) == 0;
    });
    if (known == kSchemes.end()) {
        error = NotRemote(QStringLiteral("\"%1://\"").arg(scheme));
        return uri;
    }
    uri.m_scheme = known->Scheme;

    const QString rest = text.mid(sep + 3);
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    const QString authority = slash < 0 ? rest : rest.left(slash);
    const QString pathText = slash < 0 ? QString() : rest.mid(slash);
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    const QString hostPort = authority.mid(at + 1);
    if (at >= 0) {
        const QString userInfo = authority.left(at);
        const qsizetype colon = userInfo.indexOf(QLatin1Char(':'));
        uri.m_hadPassword = colon >= 0;
        const QString user = colon < 0 ? userInfo : userInfo.left(colon);
        if (user.isEmpty()) {
            error = QStringLiteral("A user name goes before the \"@\", as in %1://user@host/.")
                        .arg(uri.SchemeName());
            return uri;
        }
        const auto decoded = Decode(user, QStringLiteral("user name"), error);
        if (!decoded)
            return uri;
        uri.m_user = *decoded;
    }

    QString portText;
    bool hasPort = false;
    if (hostPort.startsWith(QLatin1Char('['))) {
        const qsizetype close = hostPort.indexOf(QLatin1Char(']'));
        if (close < 0) {
            error = QStringLiteral("The IPv6 address has no closing \"]\".");
            return uri;
        }
        uri.m_host = hostPort.mid(1, close - 1);
        if (!IsIpv6(uri.m_host)) {
            error = QStringLiteral("The server in brackets is not an IPv6 address.");
            return uri;
        }
        const QString after = hostPort.mid(close + 1);
        if (!after.isEmpty() && !after.startsWith(QLatin1Char(':'))) {
            error = QStringLiteral("Only a port, as in \":22\", may follow the \"]\".");
            return uri;
        }
        hasPort = !after.isEmpty();
        portText = after.mid(1);
    } else {
        if (hostPort.count(QLatin1Char(':')) > 1) {
            error = QStringLiteral("An IPv6 address goes in brackets, as in %1://[fe80::1]/.")
                        .arg(uri.SchemeName());
            return uri;
        }
        const qsizetype colon = hostPort.indexOf(QLatin1Char(':'));
        hasPort = colon >= 0;
        uri.m_host = hasPort ? hostPort.left(colon) : hostPort;
        portText = hasPort ? hostPort.mid(colon + 1) : QString();
        if (uri.m_host.isEmpty()) {
            error = QStringLiteral("The address names no server: it goes after the \"//\", "
                                   "as in %1://host/folder.")
                        .arg(uri.SchemeName());
            return uri;
        }
        if (!IsHostName(uri.m_host)) {
            error = QStringLiteral("A server name holds only letters, digits, \"-\", \"_\" and "
                                   "dots between them.");
            return uri;
        }
    }
    if (hasPort) {
        uri.m_port = PortNumber(portText);
        if (uri.m_port == 0) {
            error = QStringLiteral("The port after the \":\" must be a number from 1 to 65535.");
            return uri;
        }
    }

    const auto path = Decode(pathText, QStringLiteral("path"), error);
    if (!path)
        return uri;
    uri.m_path = path->isEmpty() ? QStringLiteral("/") : *path;
    error.clear();
    return uri;
}

QString TRemoteUri::SchemeName() const
{
    for (const TSchemeName& s : kSchemes)
        if (s.Scheme == m_scheme)
            return QLatin1String(s.Name);
    return {};
}

QString TRemoteUri::DisplayForm() const
{
    if (!IsValid())
        return {};
    QString out = SchemeName() + QStringLiteral("://");
    if (!m_user.isEmpty())
        out += EscapeOnly(m_user, QStringLiteral(":@/")) + QLatin1Char('@');
    out +=
        m_host.contains(QLatin1Char(':')) ? QLatin1Char('[') + m_host + QLatin1Char(']') : m_host;
    if (m_port)
        out += QLatin1Char(':') + QString::number(m_port);
    return out + EscapeOnly(m_path, {});
}

QString TRemoteUri::Uri() const
{
    if (!IsValid())
        return {};
    QString out = SchemeName() + QStringLiteral("://");
    if (!m_user.isEmpty())
        out += Escape(m_user, "-._~!$&'()*+,;=") + QLatin1Char('@');
    out +=
        m_host.contains(QLatin1Char(':')) ? QLatin1Char('[') + m_host + QLatin1Char(']') : m_host;
    if (m_port)
        out += QLatin1Char(':') + QString::number(m_port);
    return out + Escape(m_path, "-._~!$&'()*+,;=:@/");
}

} // namespace remote
