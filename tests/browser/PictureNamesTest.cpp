// How picture references become files of the document's folder: the reference reduced to
// its bare name, then looked up in the folder, exactly or ignoring case.
#include "browser/PictureNames.h"
#include "browser/PictureInterceptor.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

TEST(PictureNames, ReferencesReduceToTheirBareName)
{
    const struct {
        const char* Src;
        const char* Name;
    } cases[] = {
        {"images/logo.gif", "logo.gif"},
        {"file:///c|/web/pic.bmp", "pic.bmp"},
        {"file://server/share/pic.png", "pic.png"},
        {"FILE:///C|/Web/Pic.BMP", "Pic.BMP"},
        {"http://example.com/a/b/photo.jpg", "photo.jpg"},
        {"../up/deeper/x.gif", "x.gif"},
        {"plain.gif", "plain.gif"},
        {"C:\\web\\pic.bmp", "pic.bmp"},
        {"d:pic.bmp", "pic.bmp"},
        {"sub\\dir\\a b.png", "a b.png"},
        {"images/", ""},
        {"images/..", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PictureFileName(QString::fromUtf8(c.Src)), QString::fromUtf8(c.Name)) << c.Src;
}

TEST(PictureNames, ResolvedUrlsGiveThePrivateSchemeUrlOfTheirPathOrName)
{
    // The engine hands over resolved URLs, with queries, fragments and escapes. A local
    // one keeps its whole path; any other gives only its name.
    EXPECT_EQ(TPictureInterceptor::PictureUrl(QUrl("file:///docs/images/logo.gif")),
              QUrl("trvx-picture:/docs/images/logo.gif"));
    EXPECT_EQ(TPictureInterceptor::PictureUrl(QUrl("http://host/a/my%20pic.png?size=2#top")).path(),
              "my pic.png");
    EXPECT_EQ(TPictureInterceptor::PictureUrl(QUrl("file:///c%7C/web/pic.bmp")).path(),
              "/c|/web/pic.bmp");
    // A "#" or "?" in a file name survives the trip through the URL.
    const QUrl odd = TPictureInterceptor::PictureUrl(QUrl::fromLocalFile("/d/a#b?.gif"));
    EXPECT_EQ(odd.path(QUrl::FullyDecoded), "/d/a#b?.gif");
    EXPECT_TRUE(odd.fragment().isEmpty());
}

TEST(PictureNames, FilesAreFoundInTheFolderExactlyOrIgnoringCase)
{
    TempDir dir;
    dir.write("Logo.GIF", "x");
    dir.write("logo.png", "x");
    dir.write("LOGO.png", "y");
    dir.mkdir("folder.gif");
    const QString folder = dir.path();
    EXPECT_EQ(FindPictureFile(folder, "Logo.GIF"), folder + "Logo.GIF");
    // The reference's case does not matter when only another case exists...
    EXPECT_EQ(FindPictureFile(folder, "logo.gif"), folder + "Logo.GIF");
    // ...but the exact name wins over a case-insensitive twin.
    EXPECT_EQ(FindPictureFile(folder, "LOGO.png"), folder + "LOGO.png");
    // A folder without its trailing separator works the same.
    EXPECT_EQ(FindPictureFile(folder.chopped(1), "logo.png"), folder + "logo.png");
    EXPECT_EQ(FindPictureFile(folder, "missing.gif"), QString());
    EXPECT_EQ(FindPictureFile(folder, "folder.gif"), QString());
    EXPECT_EQ(FindPictureFile(folder, ""), QString());
    EXPECT_EQ(FindPictureFile(folder, ".."), QString());
    EXPECT_EQ(FindPictureFile(folder, "../x"), QString());
}
