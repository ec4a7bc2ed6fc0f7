#pragma once
// Outside programs that view or edit the files of a category instead of the built-in
// windows (F3 and F4), kept in Trovel.ini, section "Programs", keys "<category key>
// Viewer" and "<category key> Editor" ("Text Files Editor=kate %f"). A command line is
// split as QProcess::splitCommand does (blanks, double quotes); "%f" stands for the
// file's path, which stays one argument whatever it holds, and a line without "%f" gets
// the path as its last argument. Nothing goes through a shell. No widgets.

#include "main/Extensions.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace platform
{
class TProfileFile;
}

enum class TExternalRole { Viewer, Editor };

class TExternalPrograms final
{
public:
    static const QString Section; // "Programs"

    void Read(const platform::TProfileFile& file);
    // The command line for a category, or empty when the built-in window is used.
    QString Command(TExtensionCategory category, TExternalRole role) const;
    void SetCommand(TExtensionCategory category, TExternalRole role, const QString& command);

    // The key of a command in the file ("Text Files Viewer").
    static QString KeyName(TExtensionCategory category, TExternalRole role);

private:
    std::array<std::array<QString, 2>, kExtensionCategoryCount> m_commands;
};

// The program and its arguments for `command` opening `path`; empty when `command` names
// no program.
QStringList ProgramArguments(const QString& command, const QString& path);

// The category whose entry decides how `name` opens (as FindViewAction takes them, then
// "Database Files"), or none.
std::optional<TExtensionCategory> OpeningCategory(const TExtensionCategories& categories,
                                                  const QString& name, bool archiveMember);

// `text` (a whole Trovel.ini) with the section "Programs" holding the commands of
// `programs`: a changed value replaces its line, an empty one removes it, a new one goes
// right after the section's header (the section is added at the end when missing). Lines
// whose value is unchanged, other keys and other sections stay as they are.
QString WithExternalPrograms(const QString& text, const TExternalPrograms& programs);
