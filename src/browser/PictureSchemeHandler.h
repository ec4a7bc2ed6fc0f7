#pragma once
// Serves the private picture scheme (kPictureScheme, "trvx-picture:PATH"): the file at
// PATH as the page resolved it, or when there is none, the file of PATH's bare name in the
// folder of the document shown (found ignoring case), decoded by PicLib, so that every
// format PicLib reads shows (PCX too). Opaque pictures reach the engine as uncompressed
// BMP, pictures with transparency as uncompressed PNG.
//
// No such file, or a file PicLib cannot decode: the request fails and the engine shows
// its broken-picture mark.
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

    // The folder of bare-name look-ups (absolute); empty for none.
    void SetFolder(const QString& folder) { m_folder = folder; }
    QString Folder() const { return m_folder; }

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    // The file a reference names (see above); empty when there is none.
    QString PictureFile(const QString& reference) const;

    QString m_folder;
    QThreadPool m_decoders;
};
