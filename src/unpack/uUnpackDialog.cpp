#include "unpack/uUnpackDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

TfUnpack::TfUnpack(QWidget* parent, const QString& what, const QString& target) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Unpack"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Unpack %1 into:").arg(what), this));
    EditTarget = new QLineEdit(target, this);
    layout->addWidget(EditTarget);
    CheckIntoFolder = new QCheckBox(QStringLiteral("Into a &folder named after the archive"), this);
    layout->addWidget(CheckIntoFolder);
    auto* form = new QFormLayout;
    EditPassword = new QLineEdit(this);
    EditPassword->setEchoMode(QLineEdit::Password);
    EditPassword->setPlaceholderText(QStringLiteral("only for encrypted members"));
    form->addRow(QStringLiteral("&Password:"), EditPassword);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(480, sizeHint().height());
}

QString TfUnpack::Target() const
{
    return EditTarget->text().trimmed();
}

bool TfUnpack::IntoFolder() const
{
    return CheckIntoFolder->isChecked();
}

QString TfUnpack::Password() const
{
    return EditPassword->text();
}
