#include "checks/ChecksumFile.h"

#include <QFileInfo>

namespace
{

bool NeedsEscape(const QByteArray& name)
{
    return name.contains('\\') || name.contains('\n') || name.contains('\r');
}

QByteArray Escaped(const QByteArray& name)
{
    QByteArray out;
    out.reserve(name.size() + 8);
    for (const char c : name) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

// The name of an escaped line, or nothing for an unknown escape or a trailing backslash.
std::optional<QByteArray> Unescaped(const QByteArray& name)
{
    QByteArray out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] != '\\') {
            out += name[i];
            continue;
        }
        if (++i == name.size())
            return std::nullopt;
        switch (name[i]) {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

bool IsHex(const QByteArray& text)
{
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    return !text.isEmpty();
}

std::optional<TDigestKind> KindOfLength(qsizetype length)
{
    for (const TDigestKind kind : DigestKinds())
        if (DigestInfo(kind).HexLength == length)
            return kind;
    return std::nullopt;
}

struct TRawLine {
    std::optional<TDigestKind> Kind; // BSD-style lines name it
    QByteArray Hex, Name;
};

// "TAG (name) = hex". The tag "BLAKE2b-512" is b2sum's name for the default length.
std::optional<TRawLine> ParseTagged(const QByteArray& line)
{
    const qsizetype open = line.indexOf(" (");
    const qsizetype close = line.lastIndexOf(") = ");
    if (open <= 0 || close < open + 2)
        return std::nullopt;
    const QByteArray tag = line.left(open);
    for (const TDigestKind kind : DigestKinds()) {
        const QByteArray own = DigestInfo(kind).Tag;
        if (tag == own || (kind == TDigestKind::Blake2b && tag == "BLAKE2b-512"))
            return TRawLine{kind, line.mid(close + 4), line.mid(open + 2, close - open - 2)};
    }
    return std::nullopt;
}

// "hex  name", "hex *name", or "hex name" (one space, as "md5 -r" writes).
std::optional<TRawLine> ParsePlain(const QByteArray& line)
{
    const qsizetype space = line.indexOf(' ');
    if (space <= 0 || space + 1 >= line.size())
        return std::nullopt;
    qsizetype name = space + 1;
    if ((line[name] == ' ' || line[name] == '*') && name + 1 < line.size())
        ++name;
    return TRawLine{std::nullopt, line.left(space), line.mid(name)};
}

} // namespace

QByteArray ChecksumLine(const QByteArray& hex, const QByteArray& name)
{
    if (NeedsEscape(name))
        return '\\' + hex + "  " + Escaped(name) + '\n';
    return hex + "  " + name + '\n';
}

std::optional<TDigestKind> DigestKindOfName(const QString& fileName)
{
    const QString name = QFileInfo(fileName).fileName().toLower();
    const QString suffix = QFileInfo(name).suffix();
    const struct {
        const char* Suffix;
        const char* Sums;
        TDigestKind Kind;
    } known[] = {{"sha256", "sha256sums", TDigestKind::Sha256},
                 {"sha1", "sha1sums", TDigestKind::Sha1},
                 {"md5", "md5sums", TDigestKind::Md5},
                 {"b2", "b2sums", TDigestKind::Blake2b},
                 {"blake2b", "blake2bsums", TDigestKind::Blake2b}};
    for (const auto& k : known) {
        const QString own = QString::fromLatin1(k.Suffix);
        if (suffix == own || suffix == own + QLatin1String("sum") ||
            name == QLatin1String(k.Sums) || name.startsWith(QLatin1String(k.Sums) + '.'))
            return k.Kind;
    }
    return std::nullopt;
}

TChecksumList ParseChecksums(const QByteArray& text, std::optional<TDigestKind> kind)
{
    TChecksumList list;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (i + 1 == lines.size() && line.isEmpty())
            break; // after the last line feed
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith('#'))
            continue;
        const bool escaped = line.startsWith('\\');
        if (escaped)
            line.remove(0, 1);
        std::optional<TRawLine> raw = ParseTagged(line);
        if (!raw)
            raw = ParsePlain(line);
        if (raw && !raw->Kind) {
            if (!kind && IsHex(raw->Hex))
                kind = KindOfLength(raw->Hex.size()); // the first plain line decides
            raw->Kind = kind;
        }
        std::optional<QByteArray> name;
        if (raw)
            name = escaped ? Unescaped(raw->Name) : std::optional<QByteArray>(raw->Name);
        if (!raw || !raw->Kind || !name || name->isEmpty() || name->contains('\0') ||
            !IsHex(raw->Hex) || raw->Hex.size() != DigestInfo(*raw->Kind).HexLength) {
            ++list.BadLines;
            continue;
        }
        list.Entries.push_back({*raw->Kind, raw->Hex.toLower(), *name, int(i + 1)});
    }
    return list;
}
