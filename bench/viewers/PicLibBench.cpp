// PicLib's cost over Qt's reader for large JPEG and PNG pictures (the wrapper should add
// nothing measurable), and the PCX decoder's speed in megapixels per second.
#include "piclib/PcxDecoder.h"
#include "piclib/PicLib.h"
#include "support/Bench.h"
#include "viewers/PcxWriter.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <memory>

namespace
{

// A 4000 x 3000 picture with gradients and noise, so that it compresses like a photograph.
QImage Photo()
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    QRandomGenerator random(42);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int noise = int(random.bounded(24));
            line[x] = qRgb((x / 16 + noise) & 0xFF, (y / 12 + noise) & 0xFF, ((x + y) / 28) & 0xFF);
        }
    }
    return image;
}

void CompareWithQt(const QString& name, const QString& path)
{
    const QByteArray encoded = QFile::encodeName(path);
    const double ours = bench::BestSeconds(5, [&] {
        std::unique_ptr<QImage> image(PicLibLoad(encoded.constData(), 0));
        if (!image)
            qFatal("PicLibLoad failed on %s", qPrintable(path));
    });
    const double reference = bench::BestSeconds(5, [&] {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        if (reader.read().isNull())
            qFatal("QImageReader failed on %s", qPrintable(path));
    });
    bench::Report(name, ours, reference, QStringLiteral("QImageReader"));
}

void PcxSpeed(const QString& name, const QImage& source, int bits, int planes)
{
    const QByteArray file = testpcx::WritePcx(source, bits, planes);
    const auto* data = reinterpret_cast<const std::uint8_t*>(file.constData());
    const double seconds = bench::BestSeconds(5, [&] {
        if (piclib::PcxDecode(data, std::size_t(file.size())).isNull())
            qFatal("PCX decoding failed");
    });
    const double megapixels = double(source.width()) * source.height() / 1e6;
    bench::Figure(name, megapixels / seconds, QStringLiteral("Mpixel/s"));
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QImage photo = Photo();
    const QString jpeg = dir.filePath(QStringLiteral("photo.jpg"));
    const QString png = dir.filePath(QStringLiteral("photo.png"));
    if (!photo.save(jpeg, "JPG", 90) || !photo.save(png, "PNG"))
        qFatal("cannot write the test pictures");
    CompareWithQt(QStringLiteral("PicLibLoad 4000x3000 JPEG"), jpeg);
    CompareWithQt(QStringLiteral("PicLibLoad 4000x3000 PNG"), png);

    PcxSpeed(QStringLiteral("PCX decode 4000x3000 24-bit RLE"), photo, 8, 3);
    PcxSpeed(QStringLiteral("PCX decode 4000x3000 8-bit RLE"),
             photo.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither), 8, 1);
    return 0;
}
