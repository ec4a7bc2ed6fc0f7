#pragma once
// Sends every picture request of the HTML viewer's pages to the private picture scheme
// (kPictureScheme), which decodes the picture with PicLib (TPictureSchemeHandler). A
// local picture goes by the full path the engine resolved against its page, a picture of
// another scheme by its bare name only. Other requests pass untouched, and so do inline
// pictures (data: and blob: URLs), which name no file.
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

    // The private-scheme URL that serves the picture `requested` names: "trvx-picture:PATH"
    // for a file: URL (PATH absolute), "trvx-picture:NAME" for any other.
    static QUrl PictureUrl(const QUrl& requested);
};
