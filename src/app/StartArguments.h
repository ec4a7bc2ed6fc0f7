#pragma once
// The command line: `travodex [OPTION] [LEFT [RIGHT]]`. Each path is the place a panel
// starts at (see platform::ResolveStartPath); --help and --version print and end.

#include <QString>
#include <QStringList>

struct TStartArguments {
    enum TAction { Run, Help, Version, Error };
    TAction Action{Run};
    QStringList Paths; // at most two: left, then right
    QString Text;      // what to print for Help, Version and Error
};

// Reads the arguments after the program's name. "--" ends the options, so a folder
// named "-x" can be given after it; a third path, or an option not known, is an Error.
TStartArguments ParseStartArguments(const QStringList& arguments);

// The usage text that --help prints.
QString UsageText();
