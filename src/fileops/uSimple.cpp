#include "fileops/uSimple.h"

#include "controls/FontScale.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

TfSimple* fSimple = nullptr;

TfSimple::TfSimple(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Enter information"));
    setWindowIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    using fontscale::Scaled;
    setFixedSize(Scaled(QSize(360, 150)));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);

    Memo = new QPlainTextEdit(QStringLiteral("Memo"), this);
    Memo->setGeometry(Scaled(QRect(0, 0, 360, 89)));
    Memo->setEnabled(false);
    Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Disabled only so that it takes no focus; the instructions stay fully readable.
    QPalette readable = Memo->palette();
    readable.setColor(QPalette::Disabled, QPalette::Text,
                      readable.color(QPalette::Active, QPalette::Text));
    readable.setColor(QPalette::Disabled, QPalette::Base,
                      readable.color(QPalette::Active, QPalette::Window));
    Memo->setPalette(readable);
    QFont bold = Memo->font();
    bold.setBold(true);
    Memo->setFont(bold);

    LabelCaption = new QLabel(QStringLiteral("LabelCaption"), this);
    LabelCaption->setGeometry(Scaled(QRect(0, 93, 81, 14)));
    LabelCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Edit = new QLineEdit(QStringLiteral("Edit"), this);
    Edit->setGeometry(Scaled(QRect(85, 90, 275, 21)));

    ButtonAccept = new QPushButton(QStringLiteral("Accept"), this);
    ButtonAccept->setGeometry(Scaled(QRect(195, 120, 75, 25)));
    ButtonAccept->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButtonCancel->setGeometry(Scaled(QRect(280, 120, 75, 25)));
    setTabOrder(Edit, ButtonAccept);
    setTabOrder(ButtonAccept, ButtonCancel);

    connect(ButtonAccept, &QPushButton::clicked, this, [this] { done(mrAccept); });
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfSimple::reject()
{
    done(mrCancel);
}

void TfSimple::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Edit->setFocus(Qt::ActiveWindowFocusReason);
    Edit->selectAll();
}

bool AskInput(const QString& instructions, const QString& caption, QString& value)
{
    if (!fSimple)
        fSimple = new TfSimple();
    fSimple->Memo->clear();
    fSimple->Memo->appendPlainText(instructions);
    fSimple->LabelCaption->setText(caption);
    fSimple->Edit->setText(value);
    if (fSimple->exec() != TfSimple::mrAccept)
        return false;
    value = fSimple->Edit->text();
    return true;
}
