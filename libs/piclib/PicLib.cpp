#include "piclib/PicLib.h"

#include "piclib/PcxDecoder.h"
#include "piclib/TgaDecoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QtEndian>
#include <cstdlib>

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

// Whether a BMP file holds less pixel data than its header promises. Qt's reader leaves the
// rows it could not read as they were in memory, so such a file is refused instead.
bool BmpCutShort(QFile& file)
{
    unsigned char h[38];
    if (file.peek(reinterpret_cast<char*>(h), sizeof h) != qint64(sizeof h) || h[0] != 'B' ||
        h[1] != 'M')
        return false;
    const qint64 offset = qFromLittleEndian<quint32>(h + 10);
    const quint32 infoSize = qFromLittleEndian<quint32>(h + 14);
    qint64 width = 0, height = 0, bits = 0, compression = 0, imageSize = 0;
    if (infoSize == 12) { // the OS/2 core header
        width = qFromLittleEndian<quint16>(h + 18);
        height = qFromLittleEndian<quint16>(h + 20);
        bits = qFromLittleEndian<quint16>(h + 24);
    } else {
        width = qFromLittleEndian<qint32>(h + 18);
        height = std::abs(qint64(qFromLittleEndian<qint32>(h + 22)));
        bits = qFromLittleEndian<quint16>(h + 28);
        compression = qFromLittleEndian<quint32>(h + 30);
        imageSize = qFromLittleEndian<quint32>(h + 34);
    }
    const qint64 room = file.size() - offset;
    if (width <= 0 || bits <= 0 || room < 0)
        return width > 0 && bits > 0;
    // Uncompressed rows (plain or with bit-field masks) have a known size; run-length
    // coded ones only the size the header gives.
    if (compression != 0 && compression != 3 && compression != 6)
        return imageSize > room;
    const qint64 rowBytes = (width * bits + 31) / 32 * 4;
    return height > room / rowBytes; // compared by division: the product may not fit
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
    if (BmpCutShort(file))
        return Fail(PicLibCannotDecode, QStringLiteral("The picture file is cut short"));
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
