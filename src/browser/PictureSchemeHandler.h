#pragma once
// Serves the private picture scheme (kPictureScheme, "trvx-picture:NAME"): the file NAME in
// the folder of the document the viewer was asked to show, decoded by PicLib, so that every
// format PicLib reads shows (PCX too). Opaque pictures reach the engine as uncompressed
// BMP, pictures with transparency as uncompressed PNG.
//
// - no such file: an empty picture (an image of no size, which draws nothing);
// - a file PicLib cannot decode: no picture (the request fails; the engine shows its
//   broken-picture mark).
//
// Threads: the engine calls requestStarted on the user-interface thread. The file is looked
// up there; decoding runs on the handler's own pool (one thread per core), and the answer
// goes back to the user-interface thread, to a job the engine may have dropped meanwhile.
// Destroying the handler waits for the decodings under way.

#include <QString>
#include <QThreadPool>
#include <QWebEngineUrlSchemeHandler>

class TPictureSchemeHandler final : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TPictureSchemeHandler)
public:
    explicit TPictureSchemeHandler(QObject* parent = nullptr);
    ~TPictureSchemeHandler() override;

    // The folder pictures come from (absolute); empty serves empty pictures only.
    void SetFolder(const QString& folder) { m_folder = folder; }
    QString Folder() const { return m_folder; }

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    QString m_folder;
    QThreadPool m_decoders;
};
