#pragma once
// The private URL scheme of the HTML viewer, registered with the engine before the
// engine's first object is made (TfBrowser does so when it starts the engine).
//
// The process must also have called platform::PrepareBrowserEnvironment() before its
// QApplication was made (platform/BrowserEnvironment.h).

#include <QString>

class QColor;
class QWebEngineProfile;

// The private URL scheme that serves the document's pictures (see PictureRequests.h).
inline constexpr char kPictureScheme[] = "trvx-picture";

// Registers kPictureScheme with the engine. Must run before the engine's first object
// exists (the engine refuses schemes after that); calling it twice is harmless.
void RegisterBrowserSchemes();

// The settings every page of ours is shown with: the classic fonts at 12 points, pictures
// loaded, and `text` with blue links as the default colours, which any colour a document
// sets overrides.
void ConfigureBrowserProfile(QWebEngineProfile& profile, const QColor& text);
