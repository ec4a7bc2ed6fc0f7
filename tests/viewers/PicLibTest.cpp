// PicLib: our PCX decoder in every layout, decoding by content through Qt's readers,
// and the failures a damaged or missing file must give.
#include "piclib/PicLib.h"
#include "piclib/PcxDecoder.h"
#include "piclib/TgaDecoder.h"
#include "support/TempDir.h"
#include "viewers/PcxWriter.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <memory>

namespace
{

using testpcx::TPcxOptions;
using testpcx::WritePcx;

std::unique_ptr<QImage> Load(const QString& path)
{
    return std::unique_ptr<QImage>(PicLibLoad(QFile::encodeName(path).constData(), 0));
}

QImage Decode(const QByteArray& bytes, QString* why = nullptr)
{
    return piclib::PcxDecode(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                             std::size_t(bytes.size()), why);
}

// An indexed picture using every colour of a `colours`-entry palette, in a pattern with
// both long runs and single pixels.
QImage IndexedPicture(int width, int height, int colours)
{
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> table(colours);
    for (int i = 0; i < colours; ++i)
        table[i] = qRgb((i * 37) & 0xFF, (i * 91 + 20) & 0xFF, (255 - i * 13) & 0xFF);
    if (colours == 2)
        table = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    image.setColorTable(table);
    QRandomGenerator random(width * 131 + height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, x < width / 3 ? (y % colours) : int(random.bounded(colours)));
    return image;
}

QImage TrueColourPicture(int width, int height, bool alpha)
{
    QImage image(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           x < width / 2 ? qRgba(200, 0, y & 0xFF, alpha ? 128 : 255)
                                         : (random.generate() | (alpha ? 0 : 0xFF000000)));
    return image;
}

void ExpectSamePixels(const QImage& expected, const QImage& actual)
{
    ASSERT_FALSE(actual.isNull());
    ASSERT_EQ(expected.size(), actual.size());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            ASSERT_EQ(expected.pixel(x, y), actual.pixel(x, y)) << "at " << x << "," << y;
}

struct TLayout {
    int Bits;
    int Planes;
    int Colours;
};

// 1-bit, CGA, EGA planes, 16 colours packed, 256 colours, true colour and with alpha.
const TLayout Layouts[] = {{1, 1, 2},  {2, 1, 4},   {1, 2, 4}, {1, 3, 8}, {1, 4, 16},
                           {4, 1, 16}, {8, 1, 256}, {8, 3, 0}, {8, 4, 0}};

} // namespace

TEST(PcxDecoder, EveryLayoutRoundTripsWithAndWithoutRle)
{
    const QSize sizes[] = {{1, 1}, {13, 7}, {64, 3}, {97, 41}};
    const TPcxOptions variants[] = {
        {}, {.RunsAcrossLines = true}, {.Rle = false}, {.ExtraLinePad = 2, .XMin = 10, .YMin = 5}};
    for (const TLayout& layout : Layouts) {
        for (QSize size : sizes) {
            const QImage source =
                layout.Colours ? IndexedPicture(size.width(), size.height(), layout.Colours)
                               : TrueColourPicture(size.width(), size.height(), layout.Planes == 4);
            for (const TPcxOptions& options : variants) {
                SCOPED_TRACE(testing::Message()
                             << layout.Bits << "x" << layout.Planes << " " << size.width() << "x"
                             << size.height() << " rle " << options.Rle << options.RunsAcrossLines);
                QString why;
                ExpectSamePixels(
                    source, Decode(WritePcx(source, layout.Bits, layout.Planes, options), &why));
                EXPECT_TRUE(why.isEmpty()) << qPrintable(why);
            }
        }
    }
}

TEST(PcxDecoder, HandWrittenEightBitPictureWithRunAcrossLines)
{
    // 3 x 2 picture, lines of 4 bytes; one run of 5 bytes spans both lines.
    QByteArray file(128, '\0');
    const unsigned char header[] = {0x0A, 5, 1, 8, 0, 0, 0, 0, 2, 0, 1, 0};
    std::copy(std::begin(header), std::end(header), file.begin());
    file[65] = 1;
    file[66] = 4;
    file.append("\x01\x02\xC5\x07\xC1\xC8", 6); // 1 2 | 7 7 7 7 7 | 200
    file.append(char(0x0C));
    QByteArray palette(768, '\0');
    palette[3 * 1] = char(10);     // colour 1: red 10
    palette[3 * 2 + 1] = char(20); // colour 2: green 20
    palette[3 * 7 + 2] = char(30); // colour 7: blue 30
    palette[3 * 200] = char(255);
    file.append(palette);

    const QImage image = Decode(file);
    ASSERT_EQ(QSize(3, 2), image.size());
    EXPECT_EQ(qRgb(10, 0, 0), image.pixel(0, 0));
    EXPECT_EQ(qRgb(0, 20, 0), image.pixel(1, 0));
    EXPECT_EQ(qRgb(0, 0, 30), image.pixel(2, 0));
    EXPECT_EQ(qRgb(0, 0, 30), image.pixel(0, 1)); // the run went on into the second line
    EXPECT_EQ(qRgb(0, 0, 30), image.pixel(2, 1));
}

TEST(PcxDecoder, PaletteFallbacks)
{
    // An 8-bit picture without its trailing palette reads as grey levels.
    const QImage source = IndexedPicture(9, 4, 256);
    const QImage grey = Decode(WritePcx(source, 8, 1, {.Palette256 = false}));
    ASSERT_FALSE(grey.isNull());
    const int index = source.pixelIndex(5, 2);
    EXPECT_EQ(qRgb(index, index, index), grey.pixel(5, 2));

    // Version 3 files carry no palette: the 16 EGA colours are used.
    QImage ega(2, 1, QImage::Format_Indexed8);
    ega.setColorTable(QList<QRgb>(16, qRgb(1, 2, 3)));
    ega.setPixel(0, 0, 9);
    ega.setPixel(1, 0, 15);
    const QImage decoded = Decode(WritePcx(ega, 4, 1, {.Version = 3}));
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(qRgb(0x55, 0x55, 0xFF), decoded.pixel(0, 0));
    EXPECT_EQ(qRgb(0xFF, 0xFF, 0xFF), decoded.pixel(1, 0));
}

TEST(PcxDecoder, RejectsDamagedFilesWithAReason)
{
    const QByteArray good = WritePcx(IndexedPicture(40, 30, 256), 8, 1);
    auto patched = [&](int at, int value) {
        QByteArray b = good;
        b[at] = char(value);
        return b;
    };
    struct TCase {
        const char* Name;
        QByteArray Bytes;
    };
    const TCase cases[] = {
        {"empty", QByteArray()},
        {"header only in part", good.left(100)},
        {"truncated data", good.left(300)},
        {"wrong manufacturer", patched(0, 0x0B)},
        {"version 1", patched(1, 1)},
        {"encoding 2", patched(2, 2)},
        {"3 bits per pixel", patched(3, 3)},
        {"2 planes of 8 bits", patched(65, 2)},
        {"xmax before xmin", patched(4, 50)},
        {"line shorter than the width", patched(66, 8)},
        {"huge picture, tiny file",
         [&] {
             QByteArray b = good.left(200);
             b[8] = b[9] = b[10] = b[11] = char(0xFF);
             b[66] = char(0xFF);
             b[67] = char(0xFF);
             return b;
         }()},
    };
    for (const TCase& c : cases) {
        QString why;
        EXPECT_TRUE(Decode(c.Bytes, &why).isNull()) << c.Name;
        EXPECT_FALSE(why.isEmpty()) << c.Name;
    }
    EXPECT_TRUE(piclib::PcxDecode(nullptr, 0).isNull());
}

TEST(PicLibLoad, ReadsPcxFilesByContentWhateverTheirName)
{
    TempDir dir;
    const QImage source = IndexedPicture(31, 17, 16);
    const QString path = dir.write("picture.jpg", WritePcx(source, 1, 4));
    auto image = Load(path);
    ASSERT_TRUE(image);
    EXPECT_EQ(PicLibOk, PicLibLastError());
    EXPECT_STREQ("", PicLibErrorText());
    ExpectSamePixels(source, *image);
}

TEST(PicLibLoad, DecodesQtFormatsByContent)
{
    TempDir dir;
    QImage source(21, 11, QImage::Format_RGB32);
    source.fill(qRgb(0, 128, 255));
    // Formats Qt can write here, each saved under a misleading name.
    for (const char* format : {"BMP", "PNG", "JPG", "TIFF", "WEBP", "ICO", "PPM"}) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(source.save(&buffer, format)) << format;
        auto image = Load(dir.write(QStringLiteral("file-%1.pcx").arg(format), bytes));
        ASSERT_TRUE(image) << format << ": " << PicLibErrorText();
        EXPECT_EQ(source.size(), image->size()) << format;
    }
    // Read-only formats, written by hand: a 1 x 1 GIF and an SVG.
    const QByteArray gif = QByteArray::fromHex("474946383961010001008000"
                                               "00ffffff00000021f90401000000002c000000"
                                               "00010001000002024401003b");
    const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' width='30' height='20'>"
                           "<rect width='30' height='20' fill='green'/></svg>";
    auto gifImage = Load(dir.write("a.bin", gif));
    ASSERT_TRUE(gifImage) << PicLibErrorText();
    EXPECT_EQ(QSize(1, 1), gifImage->size());
    auto svgImage = Load(dir.write("c.txt", svg));
    ASSERT_TRUE(svgImage) << PicLibErrorText();
    EXPECT_EQ(QSize(30, 20), svgImage->size());
}

TEST(PicLibLoad, ReportsWhyThereIsNoPicture)
{
    TempDir dir;
    EXPECT_EQ(nullptr, PicLibLoad(nullptr, 0));
    EXPECT_EQ(PicLibNoFile, PicLibLastError());
    EXPECT_EQ(nullptr, PicLibLoad("", 0));
    EXPECT_EQ(PicLibNoFile, PicLibLastError());

    EXPECT_FALSE(Load(dir("missing.png")));
    EXPECT_EQ(PicLibCannotOpen, PicLibLastError());
    EXPECT_STRNE("", PicLibErrorText());

    EXPECT_FALSE(Load(dir.write("text.png", "just some words, not a picture")));
    EXPECT_EQ(PicLibCannotDecode, PicLibLastError());
    EXPECT_FALSE(Load(dir.write("empty.bmp", "")));
    EXPECT_EQ(PicLibCannotDecode, PicLibLastError());
    // A damaged PCX says what is wrong with it.
    const QByteArray pcx = WritePcx(IndexedPicture(50, 50, 256), 8, 1);
    EXPECT_FALSE(Load(dir.write("cut.pcx", pcx.left(400))));
    EXPECT_EQ(PicLibCannotDecode, PicLibLastError());
    EXPECT_STREQ("The PCX picture data is truncated", PicLibErrorText());
}

namespace
{

// A TGA file from its parts: header fields, optional colour map, then the pixel bytes.
QByteArray Tga(int type, int bits, int width, int height, int descriptor, const QByteArray& pixels,
               const QByteArray& map = {}, int mapBits = 24)
{
    QByteArray b(18, '\0');
    b[0] = 3; // an image id of three bytes, to be skipped
    b[1] = char(map.isEmpty() ? 0 : 1);
    b[2] = char(type);
    const int mapLength = map.isEmpty() ? 0 : int(map.size() / ((mapBits + 7) / 8));
    testpcx::PutWord(b, 5, mapLength);
    b[7] = char(map.isEmpty() ? 0 : mapBits);
    testpcx::PutWord(b, 12, width);
    testpcx::PutWord(b, 14, height);
    b[16] = char(bits);
    b[17] = char(descriptor);
    return b + "id!" + map + pixels;
}

QImage DecodeTga(const QByteArray& bytes, QString* why = nullptr)
{
    return piclib::TgaDecode(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                             std::size_t(bytes.size()), why);
}

const QRgb Red = qRgb(255, 0, 0), Green = qRgb(0, 255, 0), Blue = qRgb(0, 0, 255);

} // namespace

TEST(TgaDecoder, TypesDepthsAndOrigins)
{
    // 2 x 2 true colour, stored bottom row first (the default origin), B G R.
    const QByteArray rgb = QByteArray::fromHex("0000ff 00ff00 ff0000 ffffff");
    const QImage bottomUp = DecodeTga(Tga(2, 24, 2, 2, 0, rgb));
    ASSERT_EQ(QSize(2, 2), bottomUp.size());
    EXPECT_EQ(Red, bottomUp.pixel(0, 1));
    EXPECT_EQ(Green, bottomUp.pixel(1, 1));
    EXPECT_EQ(Blue, bottomUp.pixel(0, 0));
    // Top-down and right-to-left origins.
    const QImage topRight = DecodeTga(Tga(2, 24, 2, 2, 0x30, rgb));
    EXPECT_EQ(Red, topRight.pixel(1, 0));
    EXPECT_EQ(Green, topRight.pixel(0, 0));

    // RLE 32-bit with alpha bits: a run of three half-transparent red, one raw blue.
    const QByteArray rle = QByteArray::fromHex("82 0000ff80 00 ff000040");
    const QImage alpha = DecodeTga(Tga(10, 32, 2, 2, 0x28, rle));
    ASSERT_FALSE(alpha.isNull());
    EXPECT_EQ(qRgba(255, 0, 0, 0x80), alpha.pixel(1, 0));
    EXPECT_EQ(qRgba(0, 0, 255, 0x40), alpha.pixel(1, 1));
    // 32-bit without declared alpha bits shows opaque.
    EXPECT_EQ(qAlpha(DecodeTga(Tga(2, 32, 1, 1, 0, QByteArray(4, '\0'))).pixel(0, 0)), 255);

    // Colour-mapped, raw and RLE, and grey levels, and 5-5-5 colour.
    const QByteArray map = QByteArray::fromHex("0000ff 00ff00");
    EXPECT_EQ(Green, DecodeTga(Tga(1, 8, 2, 1, 0, QByteArray::fromHex("0001"), map)).pixel(1, 0));
    EXPECT_EQ(Red, DecodeTga(Tga(9, 8, 2, 1, 0, QByteArray::fromHex("8100"), map)).pixel(1, 0));
    EXPECT_EQ(qRgb(77, 77, 77), DecodeTga(Tga(3, 8, 1, 1, 0, "\x4D")).pixel(0, 0));
    EXPECT_EQ(qRgb(255, 0, 0),
              DecodeTga(Tga(2, 16, 1, 1, 0, QByteArray::fromHex("007c"))).pixel(0, 0));
}

TEST(TgaDecoder, RejectsDamagedFilesWithAReason)
{
    const QByteArray rgb = QByteArray::fromHex("0000ff 00ff00 ff0000 ffffff");
    QByteArray mapWithoutEntrySize = Tga(2, 24, 2, 2, 0, rgb);
    mapWithoutEntrySize[1] = 1; // a colour map of four entries of zero bits
    mapWithoutEntrySize[5] = 4;
    QByteArray type17 =
        Tga(1, 8, 2, 1, 0, QByteArray::fromHex("0001"), QByteArray::fromHex("0000ff00ff00"));
    type17[2] = 17;
    const QByteArray cases[] = {
        mapWithoutEntrySize,
        type17,
        Tga(2, 24, 2, 2, 0, rgb.left(10)),                         // pixels missing
        Tga(10, 24, 200, 200, 0, QByteArray::fromHex("ff0000ff")), // runs end early
        Tga(1, 8, 2, 1, 0, QByteArray::fromHex("0001")),           // mapped without a map
        Tga(2, 12, 2, 2, 0, rgb),                                  // 12 bits per pixel
        Tga(2, 24, 0, 2, 0, rgb),                                  // no width
        Tga(2, 24, 65535, 65535, 0, rgb),                          // huge, tiny file
        QByteArray(10, '\0'),
    };
    for (const QByteArray& bytes : cases) {
        QString why;
        EXPECT_TRUE(DecodeTga(bytes, &why).isNull()) << bytes.toHex().constData();
        EXPECT_FALSE(why.isEmpty());
    }
}

TEST(PicLibLoad, ReadsTgaFilesThatQtRefuses)
{
    TempDir dir;
    // No version 2 footer: Qt's reader declines this ordinary file.
    const QByteArray rle = QByteArray::fromHex("8f 00ff00");
    auto image = Load(dir.write("plain.tga", Tga(10, 24, 4, 4, 0, rle)));
    ASSERT_TRUE(image) << PicLibErrorText();
    EXPECT_EQ(QSize(4, 4), image->size());
    EXPECT_EQ(Green, image->pixel(3, 3));
}

namespace
{

std::unique_ptr<QImage> LoadFitted(const QString& path, QSize box)
{
    return std::unique_ptr<QImage>(
        PicLibLoadFitted(QFile::encodeName(path).constData(), box.width(), box.height()));
}

QSize LastFullSize()
{
    int width = 0, height = 0;
    EXPECT_TRUE(PicLibLastFullSize(&width, &height));
    return {width, height};
}

} // namespace

TEST(PicLibLoadFitted, ScalesDownToTheBoxAsTheyShowKeepingTheirSizesKnown)
{
    TempDir dir;
    // Left half red, right half blue, stored landscape; the JPEG's orientation tag turns it
    // a quarter clockwise, so that it shows portrait, red above blue.
    QImage stored(800, 400, QImage::Format_RGB32);
    stored.fill(qRgb(255, 0, 0));
    QPainter(&stored).fillRect(400, 0, 400, 400, qRgb(0, 0, 255));
    const QString turned = dir("turned.jpg");
    QImageWriter writer(turned, "jpeg");
    writer.setTransformation(QImageIOHandler::TransformationRotate90);
    ASSERT_TRUE(writer.write(stored)) << qPrintable(writer.errorString());
    auto whole = Load(turned);
    ASSERT_TRUE(whole);
    ASSERT_EQ(QSize(400, 800), whole->size()); // the tag was written and is applied

    auto fitted = LoadFitted(turned, {100, 400});
    ASSERT_TRUE(fitted) << PicLibErrorText();
    EXPECT_EQ(QSize(100, 200), fitted->size());
    EXPECT_EQ(QSize(400, 800), LastFullSize());
    int width = 0, height = 0;
    EXPECT_TRUE(PicLibLastScaled(&width, &height));
    EXPECT_EQ(QSize(400, 800), QSize(width, height));
    EXPECT_GT(qRed(fitted->pixel(50, 20)), 200);
    EXPECT_GT(qBlue(fitted->pixel(50, 180)), 200);

    // One that fits the box comes whole; so does one of our own decoders', scaled after.
    auto small = LoadFitted(turned, {1000, 1000});
    ASSERT_TRUE(small);
    EXPECT_EQ(QSize(400, 800), small->size());
    EXPECT_FALSE(PicLibLastScaled(nullptr, nullptr));
    QImage indexed(300, 60, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 128, 0)});
    indexed.fill(0);
    auto pcx = LoadFitted(dir.write("a.pcx", WritePcx(indexed, 8, 1)), {30, 30});
    ASSERT_TRUE(pcx) << PicLibErrorText();
    EXPECT_EQ(QSize(30, 6), pcx->size());
    EXPECT_EQ(QSize(300, 60), LastFullSize());
    EXPECT_EQ(qRgb(0, 128, 0), pcx->pixel(15, 3));
}
