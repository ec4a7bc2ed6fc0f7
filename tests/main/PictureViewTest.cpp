// Pictures opened with F3 from a panel: photos larger than Qt's default limit, pictures
// larger than the machine allows, and pictures that cannot be decoded at all. The files
// are made by ImageMagick.
#include "main/FileOpsFixture.h"
#include "panel/PanelText.h"
#include "piclib/PicLib.h"
#include "viewers/ModalAnswer.h"
#include "viewers/uImage.h"

#include <QImageReader>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>

namespace
{

// The viewer's place in the panel's pictures, as its caption shows it after the name.
QString Place(const TfImage& viewer)
{
    EXPECT_GE(viewer.FolderIndex(), 0);
    return QString::fromUtf8(" — %1 of %2")
        .arg(viewer.FolderIndex() + 1)
        .arg(viewer.Folder().size());
}

// Runs ImageMagick's convert with `arguments` in `folder`; true when it succeeded.
bool Convert(const QString& folder, const QStringList& arguments)
{
    QProcess convert;
    convert.setWorkingDirectory(folder);
    convert.start("convert", arguments);
    return convert.waitForFinished(120000) && convert.exitCode() == 0;
}

class PictureViewTest : public FileOpsTest
{
protected:
    // The two large pictures, made once for every test that needs them (ImageMagick takes
    // seconds for each): an 8000 x 6000 photo and a 7000 x 7000 scan, 192 MB and 196 MB
    // decoded, over Qt's default 128 MB.
    static void SetUpTestSuite()
    {
        s_large = std::make_unique<TempDir>();
        s_made =
            Convert(s_large->path(), {"-size", "8000x6000", "gradient:red-blue", "photo.jpg"}) &&
            Convert(s_large->path(),
                    {"-size", "7000x7000", "xc:green", "-type", "TrueColor", "scan.png"});
    }
    static void TearDownTestSuite() { s_large.reset(); }
    // Links the large pictures into the left panel's folder.
    void TakeLargePictures()
    {
        ASSERT_TRUE(s_made);
        for (const QString name : {"photo.jpg", "scan.png"})
            ASSERT_TRUE(QFile::link(s_large->path() + name, left + name) ||
                        QFile::copy(s_large->path() + name, left + name));
    }

    void SetUp() override
    {
        FileOpsTest::SetUp();
        main->Categories.SetCategory(TExtensionCategory::Image, "JPG PNG BMP GIF");
    }
    void TearDown() override
    {
        for (TfImage* viewer : Viewers())
            delete viewer;
        FileOpsTest::TearDown();
    }

    // Focuses `name` in the left panel and presses F3 there.
    void ViewWithF3(const QString& name)
    {
        Reload();
        main->Left().Files->FocusItem(Row(sdLeft, name));
        Press(Qt::Key_F3);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QList<TfImage*> Viewers() { return main->findChildren<TfImage*>(); }

    static inline std::unique_ptr<TempDir> s_large;
    static inline bool s_made = false;
};

// Puts Qt's allocation limit back after a test that lowered it.
class TMemoryLimit final
{
public:
    TMemoryLimit() : m_saved(QImageReader::allocationLimit()) {}
    ~TMemoryLimit() { QImageReader::setAllocationLimit(m_saved); }
    Q_DISABLE_COPY_MOVE(TMemoryLimit)

private:
    int m_saved;
};

} // namespace

TEST(PictureMemory, AQuarterOfTheMachinesMemoryAndAtLeastOneGigabyte)
{
    constexpr qint64 GB = qint64(1) << 30;
    EXPECT_EQ(1024, TfImage::PictureMemoryLimitMB(0));
    EXPECT_EQ(1024, TfImage::PictureMemoryLimitMB(2 * GB));
    EXPECT_EQ(6 * 1024, TfImage::PictureMemoryLimitMB(24 * GB));
    // A machine of many terabytes still gets a limit Qt can hold.
    EXPECT_GT(TfImage::PictureMemoryLimitMB(qint64(1) << 62), 0);
}

TEST_F(PictureViewTest, PhotosLargerThanQtsDefaultLimitOpenAtTheirOwnSize)
{
    TakeLargePictures();
    for (const QString& name : {"photo.jpg", "scan.png"}) {
        SCOPED_TRACE(name.toStdString());
        ViewWithF3(name);
        ASSERT_EQ(1, Viewers().size()) << messages.join('\n').toStdString();
        TfImage* viewer = Viewers().constFirst();
        EXPECT_EQ(name == "photo.jpg" ? QSize(8000, 6000) : QSize(7000, 7000),
                  viewer->PictureSize());
        EXPECT_EQ(name + Place(*viewer), viewer->windowTitle());
        delete viewer;
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(PictureViewTest, APictureLargerThanTheMachineAllowsIsScaledDownOrSaysWhy)
{
    TakeLargePictures();
    ViewWithF3("photo.jpg"); // the first viewer has set the machine's limit
    qDeleteAll(Viewers());
    TMemoryLimit restore;
    PicLibSetMemoryLimit(16); // a machine with far less memory than the photo needs

    // JPEG decodes scaled down: the photo is shown whole, smaller, and says so.
    ViewWithF3("photo.jpg");
    ASSERT_EQ(1, Viewers().size()) << messages.join('\n').toStdString();
    const TfImage* viewer = Viewers().constFirst();
    const QSize shown = viewer->PictureSize();
    EXPECT_LE(qint64(shown.width()) * shown.height() * 4, qint64(16) << 20);
    EXPECT_GT(shown.width(), 500);
    EXPECT_NEAR(double(shown.width()) / shown.height(), 8000.0 / 6000.0, 0.01);
    EXPECT_EQ(QString("photo.jpg (8000 × 6000 shown at %1%)").arg(shown.width() * 100 / 8000) +
                  Place(*viewer),
              viewer->windowTitle());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    qDeleteAll(Viewers());

    // PNG can only be decoded whole: no window, but the reason.
    ViewWithF3("scan.png");
    EXPECT_TRUE(Viewers().isEmpty());
    EXPECT_EQ(QStringList{"Cannot show " + left +
                          "scan.png: the picture is 7000 × 7000 pixels, "
                          "more than the 16 MB a picture may take"},
              messages);
}

TEST_F(PictureViewTest, UndecodablePicturesSayWhyAndAnOpenViewerStaysOpen)
{
    ASSERT_TRUE(Convert(left, {"-size", "64x48", "plasma:", "good.bmp"}));
    ASSERT_TRUE(Convert(left, {"-size", "64x48", "plasma:", "cut.png"}));
    ASSERT_TRUE(Convert(left, {"-size", "64x48", "plasma:", "damaged.bmp"}));
    QFile(left + "cut.png").resize(QFileInfo(left + "cut.png").size() / 2);
    QByteArray bmp = readAll(left + "damaged.bmp");
    bmp.replace(14, 4, QByteArray("\xff\xff\xff\x7f", 4)); // a header size no BMP has
    dir.write("left/damaged.bmp", bmp);
    dir.write("left/text.gif", "GIF is what the name says, but this is text");

    const QStringList bad = {"cut.png", "damaged.bmp", "text.gif"};
    for (const QString& name : bad) {
        SCOPED_TRACE(name.toStdString());
        messages.clear();
        ViewWithF3(name);
        EXPECT_TRUE(Viewers().isEmpty());
        ASSERT_EQ(1, messages.size());
        EXPECT_TRUE(messages[0].startsWith("Cannot show " + left + name + ": "));
        EXPECT_GT(messages[0].size(), QString("Cannot show " + left + name + ": ").size());
    }

    // File > Open of a damaged picture in an open viewer says why and keeps the picture.
    ViewWithF3("good.bmp");
    ASSERT_EQ(1, Viewers().size());
    QPointer<TfImage> viewer = Viewers().constFirst();
    for (const QString& name : bad) {
        SCOPED_TRACE(name.toStdString());
        messages.clear();
        testmodal::AnswerFileDialog(left + name);
        QApplication::setActiveWindow(viewer);
        QTest::keyClick(viewer, Qt::Key_O, Qt::ControlModifier);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_TRUE(viewer);
        EXPECT_TRUE(viewer->isVisible());
        EXPECT_EQ(1, messages.size());
        EXPECT_EQ(QSize(64, 48), viewer->PictureSize());
        EXPECT_FALSE(viewer->Image->pixmap().isNull());
        EXPECT_EQ(QString("good.bmp") + Place(*viewer), viewer->windowTitle());
        EXPECT_EQ(left + "good.bmp", viewer->FileName());
    }
}

TEST_F(PictureViewTest, ATrueColourTgaThatCarriesAColourMapShowsItsOwnColours)
{
    main->Categories.SetCategory(TExtensionCategory::Image, "TGA");
    // 24-bit true colour, 3 x 1, with a two-entry colour map it does not use. No footer,
    // so our own decoder reads it, not Qt's.
    QByteArray tga(18, '\0');
    tga[1] = 1;  // a colour map is present
    tga[2] = 2;  // true colour, uncompressed
    tga[5] = 2;  // two map entries
    tga[7] = 24; // of 24 bits
    tga[12] = 3; // 3 x 1 pixels
    tga[14] = 1;
    tga[16] = 24;
    tga[17] = 0x20;                                     // top row first
    tga += QByteArray::fromHex("00ff00 ffffff");        // the map: green, white
    tga += QByteArray::fromHex("0000ff 01ff00 ff0000"); // red, green, blue (B G R)
    dir.write("left/mapped.tga", tga);
    ViewWithF3("mapped.tga");
    ASSERT_EQ(1, Viewers().size()) << messages.join('\n').toStdString();
    const QImage shown = Viewers().constFirst()->Image->pixmap().toImage();
    ASSERT_EQ(QSize(3, 1), shown.size());
    EXPECT_EQ(qRgb(255, 0, 0), shown.pixel(0, 0));
    EXPECT_EQ(qRgb(0, 255, 1), shown.pixel(1, 0));
    EXPECT_EQ(qRgb(0, 0, 255), shown.pixel(2, 0));
}

// F3 hands the viewer the pictures of the panel, in the panel's order (here by size,
// descending): folders and files of other categories are not among them.
TEST_F(PictureViewTest, F3GivesTheViewerThePanelsPicturesInItsOrder)
{
    for (const auto& [name, side] :
         {std::pair{"a_small.png", 10}, {"b_large.bmp", 60}, {"c_mid.jpg", 30}}) {
        QImage image(side, side, QImage::Format_RGB32);
        image.fill(Qt::gray);
        ASSERT_TRUE(image.save(left + name));
    }
    dir.write("left/notes.txt", QByteArray(5000, 'x'));
    dir.mkdir("left/album.png");
    Reload();
    main->SetSortOrder(pcSize, false);
    ViewWithF3("c_mid.jpg");
    ASSERT_EQ(1, Viewers().size());
    TfImage* viewer = Viewers().constFirst();
    ASSERT_GT(QFileInfo(left + "b_large.bmp").size(), QFileInfo(left + "c_mid.jpg").size());
    ASSERT_GT(QFileInfo(left + "c_mid.jpg").size(), QFileInfo(left + "a_small.png").size());
    EXPECT_EQ(QStringList({left + "b_large.bmp", left + "c_mid.jpg", left + "a_small.png"}),
              viewer->Folder());
    EXPECT_EQ(QString::fromUtf8("c_mid.jpg — 2 of 3"), viewer->windowTitle());
}
