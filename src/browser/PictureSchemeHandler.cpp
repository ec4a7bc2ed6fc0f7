#include "browser/PictureSchemeHandler.h"

#include "browser/PictureNames.h"
#include "piclib/PicLib.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPointer>
#include <QThread>
#include <QWebEngineUrlRequestJob>
#include <algorithm>
#include <memory>

namespace
{

struct TEncodedPicture {
    QByteArray Type; // empty when the file could not be decoded
    QByteArray Data;
};

// Runs on a decoding thread: PicLib may be called from any thread.
TEncodedPicture Encode(const QString& path)
{
    const std::unique_ptr<QImage, void (*)(QImage*)> image(
        PicLibLoad(QFile::encodeName(path).constData(), 0), PicLibFree);
    if (!image || image->isNull())
        return {};
    // BMP is the cheapest to write and to read again but keeps no transparency; PNG at
    // quality 100 is stored without compression.
    const bool opaque = !image->hasAlphaChannel();
    TEncodedPicture picture;
    QBuffer out(&picture.Data);
    if (!out.open(QIODevice::WriteOnly) ||
        !image->save(&out, opaque ? "BMP" : "PNG", opaque ? -1 : 100))
        return {};
    picture.Type = opaque ? QByteArrayLiteral("image/bmp") : QByteArrayLiteral("image/png");
    return picture;
}

void Reply(QWebEngineUrlRequestJob* job, const TEncodedPicture& picture)
{
    if (picture.Type.isEmpty()) {
        job->fail(QWebEngineUrlRequestJob::RequestFailed);
        return;
    }
    // The engine reads the buffer on its own thread until the job goes; the job owns it.
    auto* buffer = new QBuffer(job);
    buffer->setData(picture.Data);
    buffer->open(QIODevice::ReadOnly);
    job->reply(picture.Type, buffer);
}

} // namespace

TPictureSchemeHandler::TPictureSchemeHandler(QObject* parent) : QWebEngineUrlSchemeHandler(parent)
{
    m_decoders.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

TPictureSchemeHandler::~TPictureSchemeHandler()
{
    // Answers still queued for this object are dropped with it.
    m_decoders.waitForDone();
}

QString TPictureSchemeHandler::PictureFile(const QString& reference) const
{
    // The path as the page resolved it, else the bare name in the document's folder.
    if (QDir::isAbsolutePath(reference) && QFileInfo(reference).isFile())
        return reference;
    return m_folder.isEmpty() ? QString() : FindPictureFile(m_folder, PictureFileName(reference));
}

void TPictureSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    const QString path = PictureFile(job->requestUrl().path(QUrl::FullyDecoded));
    if (path.isEmpty()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    const QPointer<QWebEngineUrlRequestJob> guarded(job);
    m_decoders.start([this, guarded, path] {
        TEncodedPicture picture = Encode(path);
        QMetaObject::invokeMethod(
            this,
            [guarded, picture = std::move(picture)] {
                if (guarded)
                    Reply(guarded.data(), picture);
            },
            Qt::QueuedConnection);
    });
}
