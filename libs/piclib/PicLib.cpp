#include "piclib/PicLib.h"

#include "piclib/PcxDecoder.h"
#include "piclib/TgaDecoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>

namespace
{

struct TLastError {
    int Code = PicLibOk;
    QByteArray Text;
};

thread_local TLastError LastError;

QImage* Fail(int code, const QString& text)
{
    LastError.Code = code;
    LastError.Text = text.toUtf8();
    return nullptr;
}

QImage* Succeed(QImage image)
{
    LastError.Code = PicLibOk;
    LastError.Text.clear();
    return new QImage(std::move(image));
}

// Decodes through Qt's readers, choosing the format by content only.
QImage ReadWithQt(QIODevice* device, QString& why)
{
    QImageReader reader(device);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull())
        why = reader.errorString();
    return image;
}

} // namespace

extern "C" {

QImage* PicLibLoad(const char* fileName, int /*options*/)
{
    if (fileName == nullptr || *fileName == '\0')
        return Fail(PicLibNoFile, QStringLiteral("No file name"));
    QFile file(QFile::decodeName(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return Fail(PicLibCannotOpen, file.errorString());

    unsigned char head[piclib::PcxHeaderSize];
    const qint64 got = file.peek(reinterpret_cast<char*>(head), sizeof head);
    if (got > 0 && piclib::PcxLooksValid(head, std::size_t(got))) {
        // Only PCX files are read whole; other formats stream from the file.
        const QByteArray data = file.readAll();
        QString why;
        QImage image = piclib::PcxDecode(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                         std::size_t(data.size()), &why);
        if (!image.isNull())
            return Succeed(std::move(image));
        // A file that merely starts like a PCX header may still be another format.
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        QString qtWhy;
        image = ReadWithQt(&buffer, qtWhy);
        if (!image.isNull())
            return Succeed(std::move(image));
        return Fail(PicLibCannotDecode, why);
    }
    QString why;
    QImage image = ReadWithQt(&file, why);
    if (!image.isNull())
        return Succeed(std::move(image));
    // TGA has no signature, and Qt reads only a narrow kind of it: try our reader last.
    unsigned char tgaHead[18];
    file.seek(0);
    if (file.peek(reinterpret_cast<char*>(tgaHead), sizeof tgaHead) == sizeof tgaHead &&
        piclib::TgaLooksValid(tgaHead, sizeof tgaHead)) {
        const QByteArray data = file.readAll();
        image = piclib::TgaDecode(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                  std::size_t(data.size()), &why);
        if (!image.isNull())
            return Succeed(std::move(image));
    }
    return Fail(PicLibCannotDecode, why);
}

void PicLibFree(QImage* image)
{
    delete image;
}

int PicLibLastError()
{
    return LastError.Code;
}

const char* PicLibErrorText()
{
    return LastError.Text.constData();
}

} // extern "C"
