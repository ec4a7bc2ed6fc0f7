#pragma once
// TBrowserPage: the HTML viewer's page. It refuses to go to a local file that is not there
// (a link, a frame, or a step in the history to a file removed since), so the user gets
// the viewer's own message instead of the engine's error page, and it tells which local
// document the main frame goes to next.
//
// The engine asks it on the user-interface thread, from inside its own call: the signals
// are meant for queued handling (a message box must not open in the engine's call).

#include <QString>
#include <QWebEnginePage>

class TBrowserPage final : public QWebEnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TBrowserPage)
public:
    TBrowserPage(QWebEngineProfile* profile, QObject* parent);

signals:
    // A navigation to the local file `path` was refused: no such file.
    void MissingFile(const QString& path);
    // The main frame goes to the local document `path`.
    void DocumentChosen(const QString& path);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
};
