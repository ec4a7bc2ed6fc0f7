#pragma once
// Serves the private picture scheme (kPictureScheme, "trvx-picture:NAME"): the file NAME in
// the folder of the document the viewer was asked to show, decoded by PicLib and handed to
// the engine as an uncompressed PNG, so that every format PicLib reads shows (PCX too).
//
// - no such file: an empty picture (an image of no size, which draws nothing);
// - a file PicLib cannot decode: no picture (the request fails; the engine shows its
//   broken-picture mark).
//
// The engine calls requestStarted on the user-interface thread; the decoding blocks it
// for as long as PicLib takes.

#include <QString>
#include <QWebEngineUrlSchemeHandler>

class TPictureSchemeHandler final : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TPictureSchemeHandler)
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    // The folder pictures come from (absolute); empty serves empty pictures only.
    void SetFolder(const QString& folder) { m_folder = folder; }
    QString Folder() const { return m_folder; }

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    QString m_folder;
};
