#include "fileops/uSimple.h"

#include "controls/FontScale.h"
#include "platform/FileNames.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>

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

void TfSimple::setVisible(bool visible)
{
    if (visible)
        FitToText();
    QDialog::setVisible(visible);
}

void TfSimple::FitToText()
{
    using fontscale::Scaled;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int most = screen ? screen->availableGeometry().width() * 2 / 3 : 1 << 16;
    const QFontMetrics metrics(Memo->font());
    const QString text = Memo->toPlainText();
    const int frame =
        2 * Memo->frameWidth() + 2 * int(Memo->document()->documentMargin()) + Scaled(4);
    int width = Scaled(360);
    for (const QString& line : text.split('\n'))
        width = std::max(width, std::min(most, metrics.horizontalAdvance(line) + frame));
    // The memo wraps as it shows: at word boundaries, and anywhere in a long name.
    QTextLayout layout(text, Memo->font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    int lines = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width - frame);
        ++lines;
    }
    layout.endLayout();
    const int memo = std::max(Scaled(89), lines * metrics.lineSpacing() + frame);
    Memo->setGeometry(0, 0, width, memo);
    const int below = memo - Scaled(89); // everything under the memo moves down by this
    LabelCaption->setGeometry(Scaled(QRect(0, 93, 81, 14)).translated(0, below));
    Edit->setGeometry(Scaled(85), Scaled(90) + below, width - Scaled(85), Scaled(21));
    ButtonAccept->move(width - Scaled(165), Scaled(120) + below);
    ButtonCancel->move(width - Scaled(80), Scaled(120) + below);
    setFixedSize(width, Scaled(150) + below);
    if (screen)
        move(screen->availableGeometry().center() - rect().center());
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
    fSimple->Memo->appendPlainText(platform::DisplayName(instructions));
    fSimple->LabelCaption->setText(caption);
    fSimple->Edit->setText(value);
    if (fSimple->exec() != TfSimple::mrAccept)
        return false;
    value = fSimple->Edit->text();
    return true;
}
