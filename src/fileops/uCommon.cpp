#include "fileops/uCommon.h"

#include "listing/FileListing.h"
#include "platform/FileOpsFaults.h"

#include "platform/FileSystem.h"

#include <QFileInfo>

namespace
{

constexpr int kMaxExtensionCopy = 255; // a "*" in the extension copies at most this much

QString WithSeparator(const QString& path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

// Names are walked in characters (code points), so that a character outside the Basic
// Multilingual Plane is never split into half a surrogate pair. A lone surrogate (a byte
// of a file name that is not UTF-8, see platform/FileNames.h) is one character of its own
// and is carried as it is, so that the name keeps its bytes.
using TChars = QList<uint>;

TChars ToChars(const QString& text)
{
    TChars chars;
    chars.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            chars.append(QChar::surrogateToUcs4(c, text[i + 1].unicode()));
            ++i;
        } else {
            chars.append(c);
        }
    }
    return chars;
}

QString FromChars(const TChars& chars)
{
    QString text;
    text.reserve(chars.size());
    for (uint c : chars) {
        if (QChar::requiresSurrogates(c)) {
            text += QChar(QChar::highSurrogate(c));
            text += QChar(QChar::lowSurrogate(c));
        } else {
            text += QChar(char16_t(c));
        }
    }
    return text;
}

// One part of a mask applied to the same part of a name (see ApplyRenameMask); at most
// `most` characters of the name for a "*" (-1: all). A wildcard after a "*" has nothing
// left to stand for: it stays as it is, and the first such one is kept in `leftOver`.
TChars ApplyPart(const TChars& mask, const TChars& name, qsizetype most, uint& leftOver)
{
    TChars out;
    out.reserve(mask.size() + name.size());
    bool star = false;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const uint m = mask.at(i);
        if ((m == uint('*') || m == uint('?')) && star) {
            out += m;
            if (leftOver == 0)
                leftOver = m;
        } else if (m == uint('*')) {
            out += name.mid(i, most);
            star = true;
        } else if (m == uint('?')) {
            if (i < name.size())
                out += name.at(i);
        } else {
            out += m;
        }
    }
    return out;
}

bool OnlyWildcards(const QString& text)
{
    for (const QChar c : text)
        if (c != QLatin1Char('*') && c != QLatin1Char('?'))
            return false;
    return true;
}

} // namespace

TMaskedName ApplyRenameMask(const QString& name, const QString& mask)
{
    uint leftOver = 0;
    TMaskedName made;
    const qsizetype maskDot = mask.lastIndexOf(QLatin1Char('.'));
    if (maskDot < 0) {
        made.Name = FromChars(ApplyPart(ToChars(mask), ToChars(name), -1, leftOver));
    } else {
        const TChars stem = ToChars(NameStem(name));
        const TChars extension = ToChars(NameExtension(name).mid(1));
        const QString maskExtension = mask.mid(maskDot + 1);
        const TChars newExtension =
            ApplyPart(ToChars(maskExtension), extension, kMaxExtensionCopy, leftOver);
        made.Name = FromChars(ApplyPart(ToChars(mask.left(maskDot)), stem, -1, leftOver));
        // "*." drops the extension; "*.*" adds no dot to a name that has none.
        const bool noDot = newExtension.isEmpty() && OnlyWildcards(maskExtension) &&
                           (maskExtension.isEmpty() || NameExtension(name).isEmpty());
        if (!noDot)
            made.Name += QLatin1Char('.') + FromChars(newExtension);
    }
    if (leftOver != 0)
        made.Refusal = QStringLiteral("the \"%1\" after a \"*\" in the mask stands for nothing "
                                      "and would stay in the name")
                           .arg(QChar(char16_t(leftOver)));
    else if (made.Name.isEmpty())
        made.Refusal = QStringLiteral("the new name would be empty");
    else if (made.Name == QLatin1String(".") || made.Name == QLatin1String(".."))
        made.Refusal = QStringLiteral("\"%1\" is not a name").arg(made.Name);
    else if (made.Name.contains(QLatin1Char('/')))
        made.Refusal = QStringLiteral("a name cannot contain \"/\"");
    return made;
}

QString ReplaceChar(const QString& text, QChar from, QChar to)
{
    QString out = text;
    out.replace(from, to);
    return out;
}

QString StripSpaces(const QString& text)
{
    QString out = text;
    out.remove(QLatin1Char(' '));
    return out;
}

int Min(int a, int b)
{
    return a < b ? a : b;
}

qint64 DirectoryFilesSize(const QString& path)
{
    qint64 total = 0;
    platform::SearchDirectory(WithSeparator(path), [&total](platform::TFoundEntry&& e) {
        if (!e.Name.startsWith(QLatin1Char('.')))
            total += e.Size;
    });
    return total;
}

bool AddSubdirectories(QStringList& list, const QString& path)
{
    const QString base = WithSeparator(path);
    platform::SearchDirectory(base, [&list, &base](platform::TFoundEntry&& e) {
        if (!(e.Attr & platform::faDirectory) || e.Name.startsWith(QLatin1Char('.')))
            return;
        const QString full = base + e.Name;
        // The search follows links for the type; a linked directory is left out so
        // that a link to an ancestor cannot make the walk endless.
        if (!QFileInfo(full).isSymLink())
            list.append(full);
    });
    return true;
}

qint64 DirectoryTreeSize(const QString& path, platform::TFileOpsProgress* progress)
{
    QStringList pending{WithSeparator(path)};
    qint64 total = 0;
    // Breadth first: subdirectories join the end of the list as each directory is read.
    while (!pending.isEmpty()) {
        if (platform::CancelRequested(progress))
            return -1;
        const QString current = pending.takeFirst(); // constant time on a Qt 6 list
        AddSubdirectories(pending, current);
        const qint64 size = DirectoryFilesSize(current);
        total += size;
        if (progress)
            progress->AddBytes(size);
        platform::FileOpsFault(platform::TFileOpsStep::DirectoryMeasured, current);
    }
    return total;
}
