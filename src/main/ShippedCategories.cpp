#include "main/ShippedCategories.h"

#include "main/Extensions.h"

#include <QFile>
#include <QStringList>

namespace
{

const QString kSection = QStringLiteral("extensions");

// The lowered name of a section header ("[Name]"), or a null string for other lines.
QString SectionName(const QString& line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']')))
        return {};
    return t.mid(1, t.size() - 2).trimmed().toLower();
}

bool IsCategoryLine(const QString& line)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0)
        return false;
    const QString key = line.left(equals).trimmed();
    for (int i = 0; i < kExtensionCategoryCount; ++i)
        if (key.compare(TExtensionCategories::KeyName(TExtensionCategory(i)),
                        Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The category lines of the "Extensions" section of `text`, in their order.
QStringList CategoryLines(const QString& text)
{
    QStringList found;
    bool inside = false;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString section = SectionName(line);
        if (!section.isNull())
            inside = section == kSection;
        else if (inside && IsCategoryLine(line))
            found << line.trimmed();
    }
    return found;
}

} // namespace

QString ShippedConfiguration()
{
    QFile file(QStringLiteral(":/config/Trovel.ini"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QString WithShippedCategories(const QString& text, const QString& shipped)
{
    const QStringList categories = CategoryLines(shipped);
    QStringList out;
    bool inside = false, placed = false;
    const QStringList lines = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QString section = SectionName(line);
        if (!section.isNull())
            inside = section == kSection;
        if (inside && section.isNull() && IsCategoryLine(line))
            continue; // replaced by the shipped line
        out << line;
        if (inside && !section.isNull() && !placed) {
            out << categories;
            placed = true;
        }
    }
    if (!placed) {
        if (!out.isEmpty() && !out.constLast().trimmed().isEmpty())
            out << QString();
        out << QStringLiteral("[Extensions]") << categories;
    }
    return out.join(QLatin1Char('\n'));
}
