#pragma once
// Starting other programs: never through a shell, never splitting a path at blanks.

#include <QString>
#include <QStringList>
#include <functional>

class QObject;

namespace platform
{

// Starts the file at `path` as a program with no arguments. False when it cannot start.
bool StartProgram(const QString& path);

// Starts `program` with `arguments` (no shell) and never waits for it. False, with the
// reason in `why`, when it cannot start (not found, not executable).
bool StartProcess(const QString& program, const QStringList& arguments, QString& why);

// The program that shows help files (and other documents) for the desktop.
QString HelpViewerProgram();

// Starts the help viewer with `path` as its one argument. False when it cannot start.
bool StartHelpViewer(const QString& path);

// Opens `path` with the desktop's default application for its type (the freedesktop
// associations, through xdg-mime and xdg-open) and never waits for that application.
// Asking the desktop takes a moment, so the answer comes later, on this thread, while
// `context` lives: `done(true)` once the application was started, `done(false)` when the
// desktop has none for the type (or no xdg-utils).
void OpenWithDefaultApplication(const QString& path, QObject* context,
                                const std::function<void(bool opened)>& done);

} // namespace platform
