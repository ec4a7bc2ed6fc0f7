#pragma once
// Process-wide preparation the HTML engine needs before the QApplication exists.
//
// Call both, in this order, first thing in main() (and in any test main that shows the
// HTML viewer): the engine reads its environment and its URL schemes once, when the
// application object starts it, and refuses schemes registered later.

#include <QString>

// The private URL scheme that serves the document's pictures (see PictureRequests.h).
inline constexpr char kPictureScheme[] = "trvx-picture";

// Turns the engine's sandbox off when the process runs as root (the engine refuses to start
// otherwise) and lets the engine share its graphics context with the widgets. An existing
// QTWEBENGINE_DISABLE_SANDBOX setting is kept.
void PrepareBrowserEnvironment();

// Registers kPictureScheme with the engine. Must run before the QApplication is created;
// calling it twice is harmless.
void RegisterBrowserSchemes();
