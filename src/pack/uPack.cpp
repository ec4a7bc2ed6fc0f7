#include "pack/uPack.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

TfPack::TfPack(QWidget* parent, const QString& intro, const QString& defaultName,
               const std::function<QString(const QString&)>& taken)
    : QDialog(parent), m_taken(taken)
{
    setWindowTitle(QStringLiteral("Pack"));
    setMinimumWidth(fontMetrics().averageCharWidth() * 64);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(intro, this);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* form = new QFormLayout;
    Name = new QLineEdit(defaultName, this);
    form->addRow(QStringLiteral("&Archive:"), Name);
    Formats = new QComboBox(this);
    for (const TPackFormat format : PackFormats())
        Formats->addItem(QString::fromLatin1(PackFormatInfo(format).Label));
    form->addRow(QStringLiteral("&Format:"), Formats);
    LevelBox = new QSpinBox(this);
    form->addRow(QStringLiteral("&Level:"), LevelBox);
    Encrypt = new QCheckBox(QStringLiteral("&Encrypt (AES-256)"), this);
    form->addRow(Encrypt);
    PasswordEdit = new QLineEdit(this);
    PasswordEdit->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("&Password:"), PasswordEdit);
    Repeat = new QLineEdit(this);
    Repeat->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("&Repeat:"), Repeat);
    MoveBox = new QCheckBox(QStringLiteral("&Move into the archive"), this);
    form->addRow(MoveBox);
    layout->addLayout(form);
    Problem = new QLabel(this);
    Problem->setWordWrap(true);
    layout->addWidget(Problem);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(Formats, &QComboBox::currentIndexChanged, this, &TfPack::FormatChanged);
    connect(Encrypt, &QCheckBox::toggled, this, [this](bool on) {
        PasswordEdit->setEnabled(on);
        Repeat->setEnabled(on);
    });
    FormatChanged();
    Name->setFocus();
    // The name without its extension is selected, ready to be typed over.
    const QString extension = QLatin1String(PackFormatInfo(m_format).Extension);
    Name->setSelection(0, int(Name->text().size() - extension.size()));
}

void TfPack::FormatChanged()
{
    m_format = PackFormats()[size_t(qMax(0, Formats->currentIndex()))];
    const TPackFormatInfo& info = PackFormatInfo(m_format);
    Name->setText(WithPackExtension(Name->text().trimmed(), m_format));
    LevelBox->setRange(info.MinLevel, info.MaxLevel);
    LevelBox->setValue(info.DefaultLevel);
    LevelBox->setEnabled(HasLevel(m_format));
    const bool zip = m_format == TPackFormat::Zip;
    Encrypt->setEnabled(zip);
    if (!zip)
        Encrypt->setChecked(false);
    PasswordEdit->setEnabled(Encrypt->isChecked());
    Repeat->setEnabled(Encrypt->isChecked());
}

TPackFormat TfPack::Format() const
{
    return m_format;
}

int TfPack::Level() const
{
    return LevelBox->value();
}

QString TfPack::ArchiveName() const
{
    return Name->text().trimmed();
}

QByteArray TfPack::Password() const
{
    return Encrypt->isChecked() ? PasswordEdit->text().toUtf8() : QByteArray();
}

bool TfPack::Move() const
{
    return MoveBox->isChecked();
}

void TfPack::accept()
{
    const QString name = ArchiveName();
    QString why;
    if (name.isEmpty() || name.contains('/') || name == QLatin1String(".") ||
        name == QLatin1String(".."))
        why = QStringLiteral("Type a name for the archive (without \"/\").");
    else if (Encrypt->isChecked() && PasswordEdit->text().isEmpty())
        why = QStringLiteral("Type a password.");
    else if (Encrypt->isChecked() && PasswordEdit->text() != Repeat->text())
        why = QStringLiteral("The passwords differ.");
    else
        why = m_taken(name);
    if (!why.isEmpty()) {
        Problem->setText(why);
        (why.contains(QLatin1String("password")) ? PasswordEdit : Name)->setFocus();
        return;
    }
    QDialog::accept();
}
