#pragma once
// Sends every picture request of the HTML viewer's pages to the private picture scheme
// (kPictureScheme), which serves the picture of that bare file name from the shown
// document's folder (TPictureSchemeHandler). Other requests pass untouched, and so do
// inline pictures (data: and blob: URLs), which name no file.
//
// Installed on the viewer's own profile; the engine calls it on the user-interface thread.

#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>

class TPictureInterceptor final : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TPictureInterceptor)
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // The private-scheme URL that serves the picture `requested` names ("trvx-picture:NAME").
    static QUrl PictureUrl(const QUrl& requested);
};
