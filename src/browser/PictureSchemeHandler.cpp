#include "browser/PictureSchemeHandler.h"

#include "browser/PictureNames.h"
#include "piclib/PicLib.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QWebEngineUrlRequestJob>
#include <memory>

namespace
{

// A valid picture of no size: the engine lays it out as an empty image, without the
// broken-picture mark it draws for a failed request.
const QByteArray kEmptyPicture =
    QByteArrayLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"0\" height=\"0\"/>");

void Reply(QWebEngineUrlRequestJob* job, const QByteArray& type, const QByteArray& data)
{
    // The engine reads the buffer on its own thread until the job goes; the job owns it.
    auto* buffer = new QBuffer(job);
    buffer->setData(data);
    buffer->open(QIODevice::ReadOnly);
    job->reply(type, buffer);
}

} // namespace

void TPictureSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    // The name is reduced again: a page may write a private-scheme URL of its own.
    const QString name = PictureFileName(job->requestUrl().path(QUrl::FullyDecoded));
    const QString path = m_folder.isEmpty() ? QString() : FindPictureFile(m_folder, name);
    if (path.isEmpty()) {
        Reply(job, QByteArrayLiteral("image/svg+xml"), kEmptyPicture);
        return;
    }
    const std::unique_ptr<QImage, void (*)(QImage*)> image(
        PicLibLoad(QFile::encodeName(path).constData(), 0), PicLibFree);
    QByteArray png;
    QBuffer out(&png);
    // Quality 100 stores the pixels without compression: the fastest encoding.
    if (!image || image->isNull() || !out.open(QIODevice::WriteOnly) ||
        !image->save(&out, "PNG", 100)) {
        job->fail(QWebEngineUrlRequestJob::RequestFailed);
        return;
    }
    Reply(job, QByteArrayLiteral("image/png"), png);
}
