// Outside viewers and editors: their command lines, their place in Trovel.ini, and the
// category that picks one.
#include "main/ExternalPrograms.h"

#include <gtest/gtest.h>

TEST(ExternalPrograms, ThePathIsOneArgumentWhereverPercentFStands)
{
    const QString path = QStringLiteral("/tmp/a \"b\" 'c' $HOME;rm.txt");
    EXPECT_EQ(ProgramArguments(QStringLiteral("\"my editor\" --line 1 %f"), path),
              QStringList({"my editor", "--line", "1", path}));
    EXPECT_EQ(ProgramArguments(QStringLiteral("viewer --file=%f -x"), path),
              QStringList({"viewer", "--file=" + path, "-x"}));
    EXPECT_EQ(ProgramArguments(QStringLiteral("viewer -r"), path),
              QStringList({"viewer", "-r", path}));
    EXPECT_TRUE(ProgramArguments(QStringLiteral("  "), path).isEmpty());
}

TEST(ExternalPrograms, CommandsGoIntoTheirSectionAndNothingElseChanges)
{
    TExternalPrograms programs;
    programs.SetCommand(TExtensionCategory::Text, TExternalRole::Editor, "kate %f");
    const QString text = "[Extensions]\nText Files=TXT\n[Other]\nKey=1";
    const QString added = WithExternalPrograms(text, programs);
    EXPECT_EQ(added, text + "\n\n[Programs]\nText Files Editor=kate %f");
    EXPECT_EQ(WithExternalPrograms(added, programs), added);

    programs.SetCommand(TExtensionCategory::Text, TExternalRole::Editor, "gedit");
    programs.SetCommand(TExtensionCategory::Image, TExternalRole::Viewer, "feh");
    const QString inside =
        "[programs]\n; mine\ntext files editor = kate %f\nOther=2\n[Other]\nKey=1";
    EXPECT_EQ(WithExternalPrograms(inside, programs),
              "[programs]\nImage Files Viewer=feh\n; mine\nText Files Editor=gedit\nOther=2\n"
              "[Other]\nKey=1");
    programs.SetCommand(TExtensionCategory::Text, TExternalRole::Editor, "");
    programs.SetCommand(TExtensionCategory::Image, TExternalRole::Viewer, "");
    EXPECT_EQ(WithExternalPrograms(inside, programs),
              "[programs]\n; mine\nOther=2\n[Other]\nKey=1");
}

TEST(ExternalPrograms, TheCategoryIsTheOneThatDecidesHowAFileOpens)
{
    TExtensionCategories c;
    c.SetCategory(TExtensionCategory::Text, "TXT");
    c.SetCategory(TExtensionCategory::Module, "MID");
    c.SetCategory(TExtensionCategory::Music, "MID");
    c.SetCategory(TExtensionCategory::Database, "DBF");
    EXPECT_EQ(OpeningCategory(c, "a.txt", false), TExtensionCategory::Text);
    EXPECT_EQ(OpeningCategory(c, "a.mid", false), TExtensionCategory::Module);
    EXPECT_EQ(OpeningCategory(c, "a.mid", true), TExtensionCategory::Music);
    EXPECT_EQ(OpeningCategory(c, "a.dbf", false), TExtensionCategory::Database);
    EXPECT_EQ(OpeningCategory(c, "README", false), std::nullopt);
}
