#include "remote/uRemoteQuestion.h"

#include "controls/FontScale.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>

TfRemoteQuestion::TfRemoteQuestion(const platform::TMountQuestion& question, QWidget* parent)
    : QDialog(parent)
{
    using fontscale::Scaled;
    setWindowTitle(QStringLiteral("Question from the server"));
    Message = new QLabel(question.Message, this);
    Message->setTextFormat(Qt::PlainText);
    // Wrapped at blanks only, so a fingerprint stays on one line.
    Message->setWordWrap(true);
    Message->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFontMetrics widths(fixed);
    if (widths.horizontalAdvance(QStringLiteral("iiii")) !=
        widths.horizontalAdvance(QStringLiteral("WWWW"))) {
        fixed.setFamily(QStringLiteral("monospace"));
        fixed.setStyleHint(QFont::Monospace);
    }
    fixed.setPixelSize(Scaled(11));
    Message->setFont(fixed);
    // As wide as the longest line where the screen allows: lines wrap only when they must.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int most = screen ? screen->availableGeometry().width() * 2 / 3 : Scaled(700);
    const QFontMetrics metrics(fixed);
    int widest = Scaled(360);
    for (const QString& line : question.Message.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line) + 1);
    Message->setMinimumWidth(std::min(most, widest));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (int i = 0; i < question.Choices.size(); ++i) {
        QString caption = question.Choices[i];
        auto* button =
            new QPushButton(caption.replace(QLatin1Char('&'), QStringLiteral("&&")), this);
        button->setAutoDefault(false); // no default: see keyPressEvent
        connect(button, &QPushButton::clicked, this, [this, i] {
            m_choice = i;
            accept();
        });
        buttons->addWidget(button);
        Buttons << button;
    }
    auto* column = new QVBoxLayout(this);
    const int margin = Scaled(10);
    column->setContentsMargins(margin, margin, margin, margin);
    column->addWidget(Message);
    column->addLayout(buttons);
}

void TfRemoteQuestion::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); Buttons.contains(button))
            button->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfRemoteQuestion::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    Message->setFocus(Qt::ActiveWindowFocusReason);
}

int AskRemoteQuestion(QWidget* parent, const platform::TMountQuestion& question)
{
    TfRemoteQuestion dialog(question, parent);
    dialog.exec();
    return dialog.Choice();
}
