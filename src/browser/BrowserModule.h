#pragma once
// The shared HTML viewer, made on first use and owned by the main window, and the
// browser's module surface through which the main window reaches it.

#include "modules/ViewerModule.h"

class QWidget;
class TfBrowser;

extern TfBrowser* fBrowser;

TfBrowser* HtmlViewer(QWidget* mainWindow);

// The HTML viewer as a module: Show shows the file, or, with the viewer on screen, only
// keeps it for the next showing (TfBrowser's rule). Lives as long as the process.
TViewerModule& BrowserModule();
