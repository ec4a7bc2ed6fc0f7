#include "main/ExternalPrograms.h"

#include "main/ViewDispatch.h"
#include "platform/ProfileString.h"

#include <QProcess>

const QString TExternalPrograms::Section = QStringLiteral("Programs");

namespace
{

int RoleIndex(TExternalRole role)
{
    return role == TExternalRole::Viewer ? 0 : 1;
}

// The lowered name of a section header ("[Name]"), or a null string for other lines.
QString SectionName(const QString& line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(u'[') || !t.endsWith(u']'))
        return {};
    return t.mid(1, t.size() - 2).trimmed().toLower();
}

// The key of a "key=value" line, trimmed, or a null string.
QString KeyOf(const QString& line)
{
    const qsizetype equals = line.indexOf(u'=');
    return equals < 0 ? QString() : line.left(equals).trimmed();
}

QString ValueOf(const QString& line)
{
    return line.mid(line.indexOf(u'=') + 1).trimmed();
}

} // namespace

void TExternalPrograms::Read(const platform::TProfileFile& file)
{
    for (int i = 0; i < kExtensionCategoryCount; ++i)
        for (const TExternalRole role : {TExternalRole::Viewer, TExternalRole::Editor})
            SetCommand(TExtensionCategory(i), role,
                       file.ReadString(Section, KeyName(TExtensionCategory(i), role)));
}

QString TExternalPrograms::Command(TExtensionCategory category, TExternalRole role) const
{
    return m_commands.at(size_t(category))[size_t(RoleIndex(role))];
}

void TExternalPrograms::SetCommand(TExtensionCategory category, TExternalRole role,
                                   const QString& command)
{
    m_commands.at(size_t(category))[size_t(RoleIndex(role))] = command.trimmed();
}

QString TExternalPrograms::KeyName(TExtensionCategory category, TExternalRole role)
{
    return TExtensionCategories::KeyName(category) +
           (role == TExternalRole::Viewer ? QStringLiteral(" Viewer") : QStringLiteral(" Editor"));
}

QStringList ProgramArguments(const QString& command, const QString& path)
{
    QStringList words = QProcess::splitCommand(command);
    if (words.isEmpty())
        return {};
    bool placed = false;
    for (qsizetype i = 1; i < words.size(); ++i) {
        if (words[i].contains(QLatin1String("%f"))) {
            words[i].replace(QLatin1String("%f"), path);
            placed = true;
        }
    }
    if (!placed)
        words << path;
    return words;
}

std::optional<TExtensionCategory> OpeningCategory(const TExtensionCategories& categories,
                                                  const QString& name, bool archiveMember)
{
    using A = TViewAction;
    using C = TExtensionCategory;
    switch (FindViewAction(categories, name, archiveMember)) {
    case A::Image:
        return C::Image;
    case A::Text:
        return C::Text;
    case A::Sound:
        return C::Sound;
    case A::Module:
        return C::Module;
    case A::Music:
        return C::Music;
    case A::Program:
        return C::Program;
    case A::Help:
        return C::Help;
    case A::HTML:
        return C::HTML;
    case A::None:
        break;
    }
    if (categories.Matches(C::Database, TExtensionCategories::UpperExtension(name)))
        return C::Database;
    return std::nullopt;
}

QString WithExternalPrograms(const QString& text, const TExternalPrograms& programs)
{
    // Every key of the section, with the value it must have (empty: no line).
    QList<std::pair<QString, QString>> wanted;
    for (int i = 0; i < kExtensionCategoryCount; ++i)
        for (const TExternalRole role : {TExternalRole::Viewer, TExternalRole::Editor})
            wanted.append({TExternalPrograms::KeyName(TExtensionCategory(i), role),
                           programs.Command(TExtensionCategory(i), role)});
    const auto find = [&wanted](const QString& key) {
        for (qsizetype i = 0; i < wanted.size(); ++i)
            if (wanted[i].first.compare(key, Qt::CaseInsensitive) == 0)
                return i;
        return qsizetype(-1);
    };
    const QString section = TExternalPrograms::Section.toLower();
    QStringList lines = text.isEmpty() ? QStringList() : text.split(u'\n');
    QList<bool> done(wanted.size(), false);
    qsizetype header = -1;
    bool inside = false;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString name = SectionName(lines[n]);
        if (!name.isNull()) {
            inside = name == section;
            if (inside && header < 0)
                header = n;
            continue;
        }
        const qsizetype i = inside ? find(KeyOf(lines[n])) : -1;
        if (i < 0)
            continue;
        if (done[i] || wanted[i].second.isEmpty()) {
            lines.removeAt(n--); // the first line of a key counts; an empty value has none
        } else if (ValueOf(lines[n]) != wanted[i].second) {
            lines[n] = wanted[i].first + u'=' + wanted[i].second;
        }
        done[i] = true;
    }
    QStringList added;
    for (qsizetype i = 0; i < wanted.size(); ++i)
        if (!done[i] && !wanted[i].second.isEmpty())
            added << wanted[i].first + u'=' + wanted[i].second;
    if (added.isEmpty())
        return lines.join(u'\n');
    if (header < 0) {
        if (!lines.isEmpty() && !lines.constLast().trimmed().isEmpty())
            lines << QString();
        lines << u'[' + TExternalPrograms::Section + u']';
        header = lines.size() - 1;
    }
    for (qsizetype i = 0; i < added.size(); ++i)
        lines.insert(header + 1 + i, added[i]);
    return lines.join(u'\n');
}
