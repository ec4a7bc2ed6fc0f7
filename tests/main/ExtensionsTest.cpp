#include "main/Extensions.h"
#include "platform/ConfigPath.h"
#include "platform/ProfileString.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QImageReader>
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>
#include <sndfile.h>

namespace
{

using platform::TProfileFile;
using Cat = TExtensionCategory;

QStringList EntriesOf(const TExtensionCategories& c, Cat cat)
{
    QStringList out;
    for (int i = 1; i <= c.Count(cat); ++i)
        out << c.Entry(cat, i);
    return out;
}

QStringList Parse(const QString& value)
{
    TExtensionCategories c;
    c.SetCategory(Cat::Image, value);
    return EntriesOf(c, Cat::Image);
}

TEST(ProfileFile, SectionsAndKeysMatchWithoutCaseAndValuesAreTrimmed)
{
    const TProfileFile ini(QByteArray("Top=ignored\r\n"
                                      "[Other]\nText Files=NO\n"
                                      "  [ extensions ]  \r\n"
                                      "  TEXT files  =  TXT  LOG \t\r\n"
                                      "Image Files=BMP=GIF\n"
                                      "no equals sign here\n"
                                      "text files=SECOND\n"));
    EXPECT_EQ(ini.ReadString("Extensions", "Text Files"), "TXT  LOG");
    EXPECT_EQ(ini.ReadString("EXTENSIONS", "image files"), "BMP=GIF");
    EXPECT_EQ(ini.ReadString("Other", "Text Files"), "NO");
    EXPECT_EQ(ini.ReadString("Extensions", "Top"), "");
    EXPECT_EQ(ini.ReadString("Extensions", "Help Files", "fallback"), "fallback");
    EXPECT_EQ(ini.ReadString("Missing", "Text Files"), "");
}

TEST(ProfileFile, ValuesAreCutTo1023CharactersAndBadUtf8IsReadAsLatin1)
{
    const TProfileFile ini("[S]\nK=" + QByteArray(2000, 'x') + "\nL=caf\xe9\n");
    EXPECT_EQ(ini.ReadString("S", "K"), QString(1023, 'x'));
    EXPECT_EQ(ini.ReadString("S", "L"), QString::fromUtf8("café"));
    EXPECT_EQ(ini.ReadString("S", "none", QString(1500, 'd')).size(), 1023);
    EXPECT_EQ(TProfileFile::Load("/nonexistent/Trovel.ini").ReadString("S", "K", "d"), "d");
}

TEST(CategoryParsing, SpacesEndWordsAndRunsAddEmptyEntries)
{
    EXPECT_EQ(Parse("BMP GIF"), QStringList({".BMP", ".GIF"}));
    EXPECT_EQ(Parse("BMP  GIF"), QStringList({".BMP", ".", ".GIF"}));
    EXPECT_EQ(Parse("BMP GIF "), QStringList({".BMP", ".GIF"}));
    EXPECT_EQ(Parse(" BMP"), QStringList({".", ".BMP"}));
    EXPECT_EQ(Parse("A\tB C"), QStringList({".A\tB", ".C"}));
    EXPECT_EQ(Parse("bmp Gif"), QStringList({".bmp", ".Gif"}));
    EXPECT_EQ(Parse(""), QStringList());
    EXPECT_EQ(Parse(" "), QStringList({"."}));
}

TEST(CategoryParsing, WordsAreCutAndTablesHoldFiftyEntries)
{
    EXPECT_EQ(Parse("ABCDEFGHIJKL"), QStringList({".ABCDEFGHI"}));
    QStringList words;
    for (int i = 0; i < 60; ++i)
        words << QStringLiteral("E%1").arg(i);
    const QStringList entries = Parse(words.join(' '));
    ASSERT_EQ(entries.size(), 50);
    EXPECT_EQ(entries.first(), ".E0");
    EXPECT_EQ(entries.last(), ".E49");
    EXPECT_EQ(Parse(QString(300, ' ')).size(), 50);
}

TEST(CategoryParsing, ReadingAgainReplacesTheEntries)
{
    TExtensionCategories c;
    c.SetCategory(Cat::Sound, "WAV AIFF FLAC OGG AU");
    c.SetCategory(Cat::Sound, "MP3 VOC");
    EXPECT_EQ(EntriesOf(c, Cat::Sound), QStringList({".MP3", ".VOC"}));
    EXPECT_FALSE(c.Matches(Cat::Sound, ".FLAC"));
    EXPECT_EQ(c.Entry(Cat::Sound, 3), "");
    EXPECT_EQ(c.Entry(Cat::Sound, 0), "");
}

TEST(CategoryMatching, OnlyTheFileSideIsUpperCased)
{
    TExtensionCategories c;
    c.SetCategory(Cat::Text, "TXT");
    EXPECT_TRUE(c.Matches(Cat::Text, TExtensionCategories::UpperExtension("readme.txt")));
    EXPECT_TRUE(c.Matches(Cat::Text, TExtensionCategories::UpperExtension("README.TXT")));
    EXPECT_FALSE(c.Matches(Cat::Text, TExtensionCategories::UpperExtension("readme.txt.bak")));
    c.SetCategory(Cat::Text, "txt");
    EXPECT_FALSE(c.Matches(Cat::Text, TExtensionCategories::UpperExtension("readme.txt")));
    EXPECT_FALSE(c.Matches(Cat::Text, TExtensionCategories::UpperExtension("README.TXT")));

    EXPECT_EQ(TExtensionCategories::UpperExtension("photo.jpeg"), ".JPEG");
    EXPECT_EQ(TExtensionCategories::UpperExtension(QString::fromUtf8("x.été")),
              QString::fromUtf8(".éTé"));
    EXPECT_EQ(TExtensionCategories::UpperExtension("Makefile"), "");
}

TEST(CategoryMatching, AnEmptyCategoryMatchesNothing)
{
    TExtensionCategories c;
    for (int i = 0; i < kExtensionCategoryCount; ++i) {
        EXPECT_EQ(c.Count(Cat(i)), 0);
        EXPECT_FALSE(c.Matches(Cat(i), ""));
        EXPECT_FALSE(c.Matches(Cat(i), "."));
    }
}

TEST(ReadConfigurationFile, ReadsTheNineKeysInOrder)
{
    TempDir dir;
    const QString ini = dir.write("Trovel.ini", "[Extensions]\n"
                                                "Image Files=BMP PCX\n"
                                                "Text Files=TXT\n"
                                                "Module Files=MOD\n"
                                                "Music Files=MID\n"
                                                "Sound Files=WAV\n"
                                                "Program Files=RUN\n"
                                                "Help Files=HLP\n"
                                                "Database Files=DBF\n"
                                                "HTML Files=HTM HTML\n");
    TExtensionCategories c;
    c.Read(ini);
    const char* expected[] = {".BMP", ".TXT", ".MOD", ".MID", ".WAV",
                              ".RUN", ".HLP", ".DBF", ".HTM"};
    for (int i = 0; i < kExtensionCategoryCount; ++i)
        EXPECT_EQ(c.Entry(Cat(i), 1), expected[i]) << c.KeyName(Cat(i)).toStdString();
    EXPECT_EQ(c.Count(Cat::HTML), 2);
    EXPECT_EQ(c.KeyName(Cat::Database), "Database Files");

    // A file without a key, then no file at all, empties the categories.
    dir.write("Trovel.ini", "[Extensions]\nText Files=TXT\n");
    c.Read(ini);
    EXPECT_EQ(c.Count(Cat::Image), 0);
    EXPECT_FALSE(c.Matches(Cat::Image, ".BMP"));
    EXPECT_EQ(c.Count(Cat::Text), 1);
    c.Read(dir("absent.ini"));
    EXPECT_EQ(c.Count(Cat::Text), 0);
}

// The build copies config/Trovel.ini beside the program; tests run from a sibling folder.
TEST(ReadConfigurationFile, TheShippedFileFillsEveryCategoryInCapitals)
{
    TExtensionCategories c;
    c.Read(QCoreApplication::applicationDirPath() + "/../bin/Trovel.ini");
    for (int i = 0; i < kExtensionCategoryCount; ++i) {
        EXPECT_GT(c.Count(Cat(i)), 0) << c.KeyName(Cat(i)).toStdString();
        for (const QString& e : EntriesOf(c, Cat(i))) {
            EXPECT_EQ(e, e.toUpper());
            EXPECT_GT(e.size(), 1) << "empty word in " << c.KeyName(Cat(i)).toStdString();
        }
    }
    EXPECT_TRUE(c.Matches(Cat::Image, ".PCX"));
    EXPECT_TRUE(c.Matches(Cat::Music, ".MID"));
    EXPECT_TRUE(c.Matches(Cat::HTML, ".HTML"));
}

// What the decoders of this build read, as upper-case extensions.
QStringList QtImageFormats()
{
    QStringList out;
    for (const QByteArray& f : QImageReader::supportedImageFormats())
        out << QString::fromLatin1(f).toUpper();
    return out;
}

QStringList SndfileFormats()
{
    QStringList out;
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO info{};
        info.format = i;
        sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info);
        // Header-less data cannot be opened without being told its format.
        if ((info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_RAW)
            out << QString::fromLatin1(info.extension).toUpper();
    }
    return out;
}

QStringList OpenmptFormats()
{
    const char* list = openmpt_get_supported_extensions();
    const QStringList out = QString::fromLatin1(list).toUpper().split(';', Qt::SkipEmptyParts);
    openmpt_free_string(list);
    return out;
}

TEST(ReadConfigurationFile, TheShippedFileNamesEveryFormatTheDecodersRead)
{
    TExtensionCategories c;
    c.Read(QCoreApplication::applicationDirPath() + "/../bin/Trovel.ini");
    const struct {
        Cat category;
        QStringList formats;
    } decoders[] = {
        // PCX and TGA have decoders of our own; JIF and JPE are JPEG files by other names.
        {Cat::Image, QtImageFormats() + QStringList({"PCX", "TGA", "JIF", "JPE"})},
        {Cat::Sound, SndfileFormats()},
        {Cat::Module, OpenmptFormats()},
    };
    // A category holds 50 entries: a word past the 50th would not match either.
    for (const auto& d : decoders) {
        ASSERT_GT(d.formats.size(), 3) << c.KeyName(d.category).toStdString();
        for (const QString& format : d.formats)
            EXPECT_TRUE(c.Matches(d.category, '.' + format))
                << format.toStdString() << " missing from " << c.KeyName(d.category).toStdString();
    }
}

TEST(ConfigLocation, BesideTheProgramWhenWritableOrPresent)
{
    TempDir dir;
    const QString program = dir.mkdir("bin");
    const QString user = dir.mkdir("user");
    EXPECT_EQ(platform::ConfigFilePathIn(program, user), program + "Trovel.ini");
    EXPECT_EQ(platform::ConfigFilePathIn(dir("bin"), user), program + "Trovel.ini");
    EXPECT_EQ(platform::ConfigFilePathIn(dir("missing"), user), user + "Trovel.ini");
    // A file the user's folder holds is read first.
    dir.write("user/Trovel.ini", "[Extensions]\n");
    EXPECT_EQ(platform::ConfigFilePathIn(program, user), user + "Trovel.ini");
    EXPECT_TRUE(platform::ConfigFilePath().endsWith("/Trovel.ini"));
}

} // namespace
