#include "panel/PathLine.h"

#include <QKeyEvent>
#include <QMouseEvent>

TPathLine::TPathLine(QWidget* parent) : QLineEdit(parent)
{
    hide();
}

void TPathLine::Open(QLabel* label, const QString& path)
{
    m_label = label;
    setFont(label->font());
    setText(path);
    label->hide();
    show();
    setFocus(Qt::ShortcutFocusReason);
    selectAll();
}

void TPathLine::Close()
{
    if (isHidden())
        return;
    hide();
    if (m_label)
        m_label->show();
}

bool TPathLine::event(QEvent* e)
{
    if (e->type() == QEvent::ShortcutOverride) {
        // Plain and shifted keys belong to the text, not to the window's commands.
        const auto* key = static_cast<QKeyEvent*>(e);
        if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            e->accept();
            return true;
        }
    }
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Tab &&
        static_cast<QKeyEvent*>(e)->modifiers() == Qt::NoModifier) {
        // Tab completes instead of moving the focus on.
        if (OnComplete)
            setText(OnComplete(text()));
        return true;
    }
    return QLineEdit::event(e);
}

void TPathLine::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (OnAccept)
            OnAccept(text());
        return;
    case Qt::Key_Escape:
        Close();
        if (OnClosed)
            OnClosed();
        return;
    default:
        QLineEdit::keyPressEvent(e);
    }
}

void TPathLine::focusOutEvent(QFocusEvent* e)
{
    QLineEdit::focusOutEvent(e);
    // A message or another window keeps it open; a click elsewhere in the window closes it.
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason ||
        isHidden())
        return;
    Close();
}

namespace
{

class TLabelClick final : public QObject
{
public:
    TLabelClick(QLabel* label, std::function<void()> onClick)
        : QObject(label), m_onClick(std::move(onClick))
    {
        label->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
            m_onClick();
            return true;
        }
        return false;
    }

private:
    std::function<void()> m_onClick;
};

} // namespace

void OnLabelClick(QLabel* label, std::function<void()> onClick)
{
    new TLabelClick(label, std::move(onClick));
}
