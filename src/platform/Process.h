#pragma once
// Starting other programs: never through a shell, never splitting a path at blanks.

#include <QString>

namespace platform
{

// Starts the file at `path` as a program with no arguments. False when it cannot start.
bool StartProgram(const QString& path);

// The program that shows help files (and other documents) for the desktop.
QString HelpViewerProgram();

// Starts the help viewer with `path` as its one argument. False when it cannot start.
bool StartHelpViewer(const QString& path);

} // namespace platform
