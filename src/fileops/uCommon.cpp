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
// Multilingual Plane is never split into half a surrogate pair.
using TChars = QList<uint>;

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
    TChars extended = name.toUcs4();
    if (!extended.contains(uint('.')))
        extended.append(uint('.'));
    const qsizetype dot = extended.indexOf(uint('.')) + 1; // 1-based
    const TChars pattern = mask.toUcs4();
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
    return QString::fromUcs4(out.constData(), out.size());
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
