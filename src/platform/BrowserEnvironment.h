#pragma once
// Process-wide preparation the HTML viewer's engine needs before the QApplication exists,
// without loading the engine: it may never be loaded (it lives in a module).
//
// Call first thing in main() (and in any test main that shows the HTML viewer).

namespace platform
{

// Turns the engine's sandbox off when the process runs as root (the engine refuses to
// start otherwise) and lets the engine share its graphics context with the widgets. An
// existing QTWEBENGINE_DISABLE_SANDBOX setting is kept.
void PrepareBrowserEnvironment();

} // namespace platform
