#include "viewers/FindBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

QPushButton* AddButton(QHBoxLayout* row, const QString& text)
{
    auto* button = new QPushButton(text);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::TabFocus);
    row->addWidget(button);
    return button;
}

} // namespace

TFindBar::TFindBar(QWidget* parent) : QWidget(parent)
{
    auto* findRow = new QHBoxLayout;
    auto* findLabel = new QLabel(QStringLiteral("&Find:"));
    FindEdit = new QLineEdit;
    FindEdit->setClearButtonEnabled(true);
    findLabel->setBuddy(FindEdit);
    findRow->addWidget(findLabel);
    findRow->addWidget(FindEdit, 1);
    ButtonNext = AddButton(findRow, QStringLiteral("&Next"));
    ButtonPrevious = AddButton(findRow, QStringLiteral("Pre&vious"));
    CheckMatchCase = new QCheckBox(QStringLiteral("&Match case"));
    CheckWholeWords = new QCheckBox(QStringLiteral("&Whole words"));
    findRow->addWidget(CheckMatchCase);
    findRow->addWidget(CheckWholeWords);
    ButtonClose = new QToolButton;
    ButtonClose->setText(QStringLiteral("\u00D7"));
    ButtonClose->setToolTip(QStringLiteral("Close the find bar (Escape)"));
    ButtonClose->setAutoRaise(true);
    findRow->addWidget(ButtonClose);

    m_replaceRow = new QWidget;
    auto* replaceRow = new QHBoxLayout(m_replaceRow);
    replaceRow->setContentsMargins(0, 0, 0, 0);
    auto* replaceLabel = new QLabel(QStringLiteral("R&eplace with:"));
    ReplaceEdit = new QLineEdit;
    replaceLabel->setBuddy(ReplaceEdit);
    replaceRow->addWidget(replaceLabel);
    replaceRow->addWidget(ReplaceEdit, 1);
    ButtonReplace = AddButton(replaceRow, QStringLiteral("&Replace"));
    ButtonReplaceAll = AddButton(replaceRow, QStringLiteral("Replace &all"));

    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(4, 2, 4, 2);
    rows->setSpacing(2);
    rows->addLayout(findRow);
    rows->addWidget(m_replaceRow);

    FindEdit->installEventFilter(this);
    ReplaceEdit->installEventFilter(this);
    connect(ButtonNext, &QPushButton::clicked, this, &TFindBar::FindNext);
    connect(ButtonPrevious, &QPushButton::clicked, this, &TFindBar::FindPrevious);
    connect(ButtonReplace, &QPushButton::clicked, this, &TFindBar::Replace);
    connect(ButtonReplaceAll, &QPushButton::clicked, this, &TFindBar::ReplaceAll);
    connect(ButtonClose, &QToolButton::clicked, this, &TFindBar::Close);
    hide();
}

void TFindBar::Start(bool replacing, const QString& text)
{
    if (!text.isEmpty())
        FindEdit->setText(text);
    m_replaceRow->setVisible(replacing);
    show();
    FindEdit->setFocus(Qt::ShortcutFocusReason);
    FindEdit->selectAll();
}

QString TFindBar::FindText() const
{
    return FindEdit->text();
}

QString TFindBar::ReplaceText() const
{
    return ReplaceEdit->text();
}

viewers::TSearchOptions TFindBar::Options() const
{
    return {CheckMatchCase->isChecked(), CheckWholeWords->isChecked()};
}

bool TFindBar::Replacing() const
{
    return isVisible() && m_replaceRow->isVisible();
}

void TFindBar::Close()
{
    hide();
    emit Closed();
}

void TFindBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Close();
        return; // the window's Escape closes the window
    }
    QWidget::keyPressEvent(event);
}

bool TFindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && watched == FindEdit) {
            if (key->modifiers() & Qt::ShiftModifier)
                emit FindPrevious();
            else
                emit FindNext();
            return true;
        }
        if (enter && watched == ReplaceEdit) {
            emit Replace();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
