#include "checks/uChecksumDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

TfChecksumCreate::TfChecksumCreate(QWidget* parent,
                                   const std::function<QString(TDigestKind)>& defaultName)
    : QDialog(parent), m_defaultName(defaultName)
{
    setWindowTitle(QStringLiteral("Create checksum file"));
    auto* layout = new QVBoxLayout(this);
    auto* kinds = new QGroupBox(QStringLiteral("Algorithm"), this);
    auto* kindsLayout = new QVBoxLayout(kinds);
    const char* captions[4] = {"SHA-&256", "SHA-&1", "&MD5", "&BLAKE2b (512 bits)"};
    for (size_t i = 0; i < DigestKinds().size(); ++i) {
        Algorithm[i] = new QRadioButton(QString::fromLatin1(captions[i]), kinds);
        kindsLayout->addWidget(Algorithm[i]);
        const TDigestKind kind = DigestKinds()[i];
        connect(Algorithm[i], &QRadioButton::toggled, this, [this, kind](bool on) {
            if (on && kind != m_kind) {
                const TDigestKind previous = m_kind;
                m_kind = kind;
                KindChanged(previous);
            }
        });
    }
    Algorithm[0]->setChecked(true);
    layout->addWidget(kinds);

    auto* files = new QGroupBox(QStringLiteral("Write"), this);
    auto* filesLayout = new QVBoxLayout(files);
    OneFile = new QRadioButton(QStringLiteral("&One file for all, named:"), files);
    Name = new QLineEdit(m_defaultName(m_kind), files);
    PerFile = new QRadioButton(QStringLiteral("One file &per file (NAME.%1)").arg("sha256"), files);
    OneFile->setChecked(true);
    filesLayout->addWidget(OneFile);
    filesLayout->addWidget(Name);
    filesLayout->addWidget(PerFile);
    connect(OneFile, &QRadioButton::toggled, Name, &QWidget::setEnabled);
    layout->addWidget(files);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    Name->setFocus();
    Name->selectAll();
}

void TfChecksumCreate::KindChanged(TDigestKind previous)
{
    // A name still as proposed follows the algorithm; one the user typed stays.
    if (Name->text() == m_defaultName(previous))
        Name->setText(m_defaultName(m_kind));
    PerFile->setText(QStringLiteral("One file &per file (NAME.%1)")
                         .arg(QString::fromLatin1(DigestInfo(m_kind).Extension)));
}

TDigestKind TfChecksumCreate::Kind() const
{
    return m_kind;
}

bool TfChecksumCreate::OnePerFile() const
{
    return PerFile->isChecked();
}

QString TfChecksumCreate::TargetName() const
{
    return Name->text().trimmed();
}

void TfChecksumCreate::accept()
{
    if (!OnePerFile()) {
        const QString name = TargetName();
        if (name.isEmpty() || name.contains('/') || name == QLatin1String(".") ||
            name == QLatin1String("..")) {
            Name->setFocus();
            return;
        }
    }
    QDialog::accept();
}
