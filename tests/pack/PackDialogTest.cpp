// The pack dialog: the name follows the format's extension, the level its range, the
// password only for ZIP and only when typed twice alike; a taken name is refused.
#include "pack/uPack.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <gtest/gtest.h>

TEST(PackDialogTest, NameLevelAndPasswordFollowTheFormat)
{
    QString asked;
    TfPack dialog(nullptr, QStringLiteral("Pack 1 item"), QStringLiteral("photos.zip"),
                  [&](const QString& name) {
                      asked = name;
                      return name == QLatin1String("taken.tar.zst") ? QStringLiteral("taken")
                                                                    : QString();
                  });
    EXPECT_EQ(dialog.Format(), TPackFormat::Zip);
    dialog.Formats->setCurrentIndex(5);
    EXPECT_EQ(dialog.Format(), TPackFormat::TarZst);
    EXPECT_EQ(dialog.ArchiveName(), QStringLiteral("photos.tar.zst"));
    EXPECT_EQ(dialog.Level(), 3);
    EXPECT_EQ(dialog.LevelBox->maximum(), 19);
    EXPECT_FALSE(dialog.Encrypt->isEnabled());
    dialog.Formats->setCurrentIndex(1);
    EXPECT_EQ(dialog.ArchiveName(), QStringLiteral("photos.tar"));
    EXPECT_FALSE(dialog.LevelBox->isEnabled());

    dialog.Formats->setCurrentIndex(5);
    dialog.Name->setText(QStringLiteral("taken.tar.zst"));
    dialog.accept();
    EXPECT_EQ(asked, QStringLiteral("taken.tar.zst"));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.Problem->text(), QStringLiteral("taken"));

    dialog.Formats->setCurrentIndex(0);
    dialog.Name->setText(QStringLiteral("photos.zip"));
    dialog.Encrypt->setChecked(true);
    dialog.PasswordEdit->setText(QStringLiteral("one"));
    dialog.Repeat->setText(QStringLiteral("two"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.Password(), QByteArray("one"));
    dialog.Repeat->setText(QStringLiteral("one"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    // Another format drops the encryption.
    dialog.Formats->setCurrentIndex(6);
    EXPECT_TRUE(dialog.Password().isEmpty());
}
