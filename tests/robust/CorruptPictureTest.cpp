// Damaged pictures of every format the viewer reads: PicLib decodes them or says why
// not, and View / Edit opens a viewer that shows them or says why it cannot.
#include "main/FileOpsFixture.h"
#include "piclib/PicLib.h"
#include "robust/RobustSupport.h"
#include "viewers/PcxWriter.h"
#include "viewers/uImage.h"

#include <QBuffer>
#include <QImage>
#include <QtEndian>
#include <cstring>

namespace
{

QImage Sample()
{
    QImage image(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 4, y * 5, (x ^ y) * 3));
    return image;
}

QByteArray Encoded(const char* format)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    Sample().save(&buffer, format);
    return buffer.data();
}

// An uncompressed 24-bit TGA, or its RLE form with absurd dimensions and little data.
QByteArray Tga(bool hostile)
{
    QByteArray t(18, '\0');
    t[2] = char(hostile ? 10 : 2);
    qToLittleEndian<quint16>(hostile ? 0xFFFF : 8, t.data() + 12);
    qToLittleEndian<quint16>(hostile ? 0xFFFF : 4, t.data() + 14);
    t[16] = 24;
    return t + (hostile ? QByteArray::fromHex("FF102030") : QByteArray(8 * 4 * 3, '\x40'));
}

struct TPicture {
    QString Name;
    QByteArray Bytes;
};

// Every good picture cut short and with bytes flipped, and headers that claim huge sizes.
std::vector<TPicture> DamagedPictures()
{
    const std::vector<TPicture> good = {
        {"png", Encoded("PNG")},
        {"jpg", Encoded("JPG")},
        {"bmp", Encoded("BMP")},
        {"pcx", testpcx::WritePcx(Sample().convertToFormat(QImage::Format_Indexed8), 8, 1)},
        {"pcx", testpcx::WritePcx(Sample(), 8, 3, {false})},
        {"tga", Tga(false)},
    };
    std::vector<TPicture> out;
    int n = 0;
    for (const TPicture& g : good) {
        const int size = int(g.Bytes.size());
        for (int cut : {0, 10, size / 4, size / 2, size - 1})
            out.push_back({QString("cut%1.%2").arg(n++).arg(g.Name), g.Bytes.left(cut)});
        for (int at : {0, 3, 12, 20, size / 3, size - 2}) {
            QByteArray flipped = g.Bytes;
            flipped[at] = char(~flipped[at]);
            out.push_back({QString("flip%1.%2").arg(n++).arg(g.Name), flipped});
        }
    }
    QByteArray bmp = Encoded("BMP");
    qToLittleEndian<qint32>(0x7FFFFFFF, bmp.data() + 18);
    qToLittleEndian<qint32>(0x7FFFFFFF, bmp.data() + 22);
    out.push_back({"huge.bmp", bmp});
    QByteArray pcx = good[3].Bytes;
    qToLittleEndian<quint16>(0xFFFF, pcx.data() + 8);
    qToLittleEndian<quint16>(0xFFFF, pcx.data() + 10);
    out.push_back({"huge.pcx", pcx});
    out.push_back({"huge.tga", Tga(true)});
    out.push_back({"text.png", "a text file that is no picture"});
    return out;
}

class CorruptPictureView : public FileOpsTest
{
};

} // namespace

TEST(CorruptPicture, PicLibDecodesOrSaysWhyForEveryDamagedPicture)
{
    TempDir dir;
    for (const TPicture& p : DamagedPictures()) {
        SCOPED_TRACE(p.Name.toStdString());
        const QString path = dir.write(p.Name, p.Bytes);
        QImage* image = PicLibLoad(QFile::encodeName(path).constData(), 0);
        if (image) {
            EXPECT_FALSE(image->isNull());
            EXPECT_EQ(PicLibLastError(), PicLibOk);
        } else {
            EXPECT_EQ(PicLibLastError(), PicLibCannotDecode);
            EXPECT_GT(std::strlen(PicLibErrorText()), 0u);
        }
        PicLibFree(image);
        EXPECT_EQ(readAll(path), p.Bytes);
    }
}

TEST_F(CorruptPictureView, DamagedPicturesOpenedByViewEditShowOrSayWhy)
{
    main->Categories.SetCategory(TExtensionCategory::Image, "PNG JPG BMP PCX TGA");
    const std::vector<TPicture> pictures = DamagedPictures();
    for (const TPicture& p : pictures)
        dir.write("left/" + p.Name, p.Bytes);
    Reload();
    for (const TPicture& p : pictures) {
        SCOPED_TRACE(p.Name.toStdString());
        messages.clear();
        main->Left().Files->FocusItem(Row(sdLeft, p.Name));
        main->FilesEnter(sdLeft);
        main->MenuViewFileClick();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const QList<TfImage*> viewers = main->findChildren<TfImage*>();
        // Either a viewer shows a picture or one message says why there is none.
        EXPECT_EQ(1, viewers.size() + messages.size()) << messages.join('\n').toStdString();
        for (TfImage* viewer : viewers) {
            EXPECT_FALSE(viewer->PictureSize().isEmpty());
            viewer->close();
        }
        for (const QString& m : messages)
            EXPECT_TRUE(m.startsWith("Cannot show " + left + p.Name + ": ")) << m.toStdString();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    for (const TPicture& p : pictures)
        EXPECT_EQ(readAll(left + p.Name), p.Bytes) << p.Name.toStdString();
}
