#include "browser/BrowserPage.h"

#include <QFileInfo>
#include <QUrl>

TBrowserPage::TBrowserPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent)
{
}

bool TBrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    if (!url.isLocalFile())
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    const QString path = url.toLocalFile();
    if (!QFileInfo(path).isFile()) {
        emit MissingFile(path);
        return false;
    }
    if (isMainFrame)
        emit DocumentChosen(path);
    return true;
}
