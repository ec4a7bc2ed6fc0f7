#pragma once
// Process-wide preparation for the HTML viewer's engine, without loading the engine: in
// the program it lives in a module that most runs never load.
//
// The engine shares a graphics context with the widgets. Qt makes that context while the
// QApplication is made when Qt::AA_ShareOpenGLContexts is set by then, which maps the GL
// stack (Mesa, LLVM: tens of MiB) into every run. The program instead makes it with
// ShareBrowserGraphics just before it loads the engine, as Qt would have made it.

namespace platform
{

// Call first thing in main(), before the QApplication exists. Turns the engine's sandbox
// off when the process runs as root (the engine refuses to start otherwise; an existing
// QTWEBENGINE_DISABLE_SANDBOX setting is kept). `engineLinked`: the executable links the
// engine (tests, benchmarks), so Qt makes the shared context at start.
void PrepareBrowserEnvironment(bool engineLinked);

// Makes the graphics context the engine shares with the widgets, unless there is one.
// Call after the QApplication exists and before the engine is loaded. The context lives as
// long as the process.
void ShareBrowserGraphics();

} // namespace platform
