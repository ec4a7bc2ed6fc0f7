#include "fileops/uCommon.h"

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

// The character at 1-based `position`, or 0 past either end.
uint At(const TChars& text, qsizetype position)
{
    return position >= 1 && position <= text.size() ? text.at(position - 1) : 0;
}

// Step 3 of the mask rule: only the first "*" is checked; it must end the mask or be
// followed by ".".
bool MaskAccepted(const QString& mask)
{
    const qsizetype star = mask.indexOf(QLatin1Char('*'));
    if (star < 0 || star == mask.size() - 1)
        return true;
    return mask.at(star + 1) == QLatin1Char('.');
}

} // namespace

QString WildChange(const QString& name, const QString& mask)
{
    if (!MaskAccepted(mask))
        return QString::fromLatin1(kWildChangeError);
    TChars extended = ToChars(name);
    if (!extended.contains(uint('.')))
        extended.append(uint('.'));
    const qsizetype dot = extended.indexOf(uint('.')) + 1; // 1-based
    const TChars pattern = ToChars(mask);
    bool nameDone = false;
    bool maskInExtension = false;
    TChars out;
    out.reserve(pattern.size() + extended.size());
    for (qsizetype i = 1; i <= pattern.size(); ++i) {
        const uint m = pattern.at(i - 1);
        const uint n = At(extended, i);
        if (!nameDone && n == uint('.'))
            nameDone = true;
        if (!maskInExtension && m == uint('.'))
            maskInExtension = true;
        if (m == uint('*')) {
            if (!nameDone) {
                out += extended.mid(i - 1, qMax<qsizetype>(0, dot - i));
                nameDone = true;
            } else if (maskInExtension) {
                out += extended.mid(dot, kMaxExtensionCopy);
            }
        } else if (m == uint('?')) {
            if (n != 0)
                out += n;
        } else {
            out += m;
        }
    }
    return FromChars(out);
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
