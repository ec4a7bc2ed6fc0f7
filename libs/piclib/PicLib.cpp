#include "piclib/PicLib.h"

#include "piclib/PcxDecoder.h"
#include "piclib/TgaDecoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace
{

struct TLastError {
    int Code = PicLibOk;
    QByteArray Text;
    QSize ScaledFrom; // the picture's own size when it was decoded scaled down
};

thread_local TLastError LastError;

QImage* Fail(int code, const QString& text)
{
    LastError.Code = code;
    LastError.Text = text.toUtf8();
    LastError.ScaledFrom = {};
    return nullptr;
}

QImage* Succeed(QImage image, QSize scaledFrom = {})
{
    LastError.Code = PicLibOk;
    LastError.Text.clear();
    LastError.ScaledFrom = scaledFrom;
    return new QImage(std::move(image));
}

constexpr qint64 MaxBytesPerPixel = 4; // 32-bit colour, the most Qt's readers decode into

// The size to decode a picture of `size` at so that it fits the memory limit: its own
// size when it fits. A reader that scales while decoding may first decode at up to twice
// the asked width and height, so a scaled picture aims at a quarter of the limit.
QSize FittingSize(QSize size)
{
    const qint64 limit = qint64(QImageReader::allocationLimit()) << 20;
    if (limit <= 0 || !size.isValid() || size.isEmpty())
        return size;
    const qint64 bytes = qint64(size.width()) * size.height() * MaxBytesPerPixel;
    if (bytes <= limit)
        return size;
    const double factor = std::sqrt(double(limit / 4) / double(bytes));
    return {std::max(1, int(size.width() * factor)), std::max(1, int(size.height() * factor))};
}

QString TooLarge(QSize size)
{
    return QStringLiteral("the picture is %1 × %2 pixels, more than the %3 MB a picture may take")
        .arg(size.width())
        .arg(size.height())
        .arg(QImageReader::allocationLimit());
}

struct TQtPicture {
    QImage Image;
    QSize ScaledFrom; // the picture's own size when it was decoded scaled down
};

// Decodes through Qt's readers, choosing the format by content only; a picture larger
// than the memory limit is decoded scaled down to fit.
TQtPicture ReadWithQt(QIODevice* device, QString& why)
{
    QImageReader reader(device);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize own = reader.size();
    const QSize fitting = FittingSize(own);
    const bool scaled = fitting != own;
    if (scaled)
        reader.setScaledSize(fitting);
    TQtPicture picture{reader.read(), {}};
    if (picture.Image.isNull())
        why = scaled ? TooLarge(own) : reader.errorString();
    else if (scaled)
        picture.ScaledFrom = reader.transformation() & QImageIOHandler::TransformationRotate90
                                 ? own.transposed()
                                 : own;
    return picture;
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
        TQtPicture picture = ReadWithQt(&buffer, qtWhy);
        if (!picture.Image.isNull())
            return Succeed(std::move(picture.Image), picture.ScaledFrom);
        return Fail(PicLibCannotDecode, why);
    }
    if (BmpCutShort(file))
        return Fail(PicLibCannotDecode, QStringLiteral("The picture file is cut short"));
    QString why;
    TQtPicture picture = ReadWithQt(&file, why);
    if (!picture.Image.isNull())
        return Succeed(std::move(picture.Image), picture.ScaledFrom);
    // TGA has no signature, and Qt reads only a narrow kind of it: try our reader last.
    unsigned char tgaHead[18];
    file.seek(0);
    if (file.peek(reinterpret_cast<char*>(tgaHead), sizeof tgaHead) == sizeof tgaHead &&
        piclib::TgaLooksValid(tgaHead, sizeof tgaHead)) {
        const QByteArray data = file.readAll();
        QImage image = piclib::TgaDecode(reinterpret_cast<const std::uint8_t*>(data.constData()),
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

void PicLibSetMemoryLimit(int megabytes)
{
    QImageReader::setAllocationLimit(std::max(0, megabytes));
}

bool PicLibLastScaled(int* width, int* height)
{
    if (LastError.Code != PicLibOk || !LastError.ScaledFrom.isValid())
        return false;
    if (width)
        *width = LastError.ScaledFrom.width();
    if (height)
        *height = LastError.ScaledFrom.height();
    return true;
}

} // extern "C"
