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
    QSize Full;       // the size PicLibLoad gives the picture
};

thread_local TLastError LastError;

QImage* Fail(int code, const QString& text)
{
    LastError.Code = code;
    LastError.Text = text.toUtf8();
    LastError.ScaledFrom = {};
    LastError.Full = {};
    return nullptr;
}

QImage* Succeed(QImage image, QSize scaledFrom = {}, QSize full = {})
{
    LastError.Code = PicLibOk;
    LastError.Text.clear();
    LastError.ScaledFrom = scaledFrom;
    LastError.Full = full.isValid() ? full : image.size();
    return new QImage(std::move(image));
}

// `size` scaled down to fit in `box`, its proportions kept; as it is when it fits or when
// there is no box.
QSize FitInBox(QSize size, QSize box)
{
    if (!box.isValid() || (size.width() <= box.width() && size.height() <= box.height()))
        return size;
    return size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

// A picture our own decoders gave, scaled down to fit `box`: its own size is then kept.
QImage* SucceedFitted(QImage image, QSize box)
{
    const QSize own = image.size();
    const QSize fitted = FitInBox(own, box);
    if (fitted == own)
        return Succeed(std::move(image));
    return Succeed(image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), own, own);
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
    QSize Full;       // the size the picture has without a box
};

// Decodes through Qt's readers, choosing the format by content only; a picture larger
// than the memory limit is decoded scaled down to fit. A valid `box` scales it down further
// to fit in it, during the decode where the format allows (a JPEG's DCT scaling). With the
// orientation applied, the reader gives and takes sizes as the picture shows.
TQtPicture ReadWithQt(QIODevice* device, QString& why, QSize box = {})
{
    QImageReader reader(device);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize own = reader.size();
    const QSize fitting = FittingSize(own);
    const QSize wanted = FitInBox(fitting, box);
    const bool scaled = wanted != own;
    if (scaled)
        reader.setScaledSize(wanted);
    TQtPicture picture{reader.read(), {}, fitting};
    if (picture.Image.isNull())
        why = fitting != own ? TooLarge(own) : reader.errorString();
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

// PicLibLoad, the picture scaled down to fit in `box` when that is valid.
QImage* Load(const char* fileName, QSize box)
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
            return SucceedFitted(std::move(image), box);
        // A file that merely starts like a PCX header may still be another format.
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        QString qtWhy;
        TQtPicture picture = ReadWithQt(&buffer, qtWhy, box);
        if (!picture.Image.isNull())
            return Succeed(std::move(picture.Image), picture.ScaledFrom, picture.Full);
        return Fail(PicLibCannotDecode, why);
    }
    if (BmpCutShort(file))
        return Fail(PicLibCannotDecode, QStringLiteral("The picture file is cut short"));
    QString why;
    TQtPicture picture = ReadWithQt(&file, why, box);
    if (!picture.Image.isNull())
        return Succeed(std::move(picture.Image), picture.ScaledFrom, picture.Full);
    // TGA has no signature, and Qt reads only a narrow kind of it: try our reader last.
    unsigned char tgaHead[18];
    file.seek(0);
    if (file.peek(reinterpret_cast<char*>(tgaHead), sizeof tgaHead) == sizeof tgaHead &&
        piclib::TgaLooksValid(tgaHead, sizeof tgaHead)) {
        const QByteArray data = file.readAll();
        QImage image = piclib::TgaDecode(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                         std::size_t(data.size()), &why);
        if (!image.isNull())
            return SucceedFitted(std::move(image), box);
    }
    return Fail(PicLibCannotDecode, why);
}

} // namespace

extern "C" {

QImage* PicLibLoad(const char* fileName, int /*options*/)
{
    return Load(fileName, {});
}

QImage* PicLibLoadFitted(const char* fileName, int maxWidth, int maxHeight)
{
    return Load(fileName, QSize(std::max(1, maxWidth), std::max(1, maxHeight)));
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

bool PicLibLastFullSize(int* width, int* height)
{
    if (LastError.Code != PicLibOk)
        return false;
    if (width)
        *width = LastError.Full.width();
    if (height)
        *height = LastError.Full.height();
    return true;
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
