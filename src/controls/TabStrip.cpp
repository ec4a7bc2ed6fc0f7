#include "controls/TabStrip.h"
#include "controls/UrlDrops.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMouseEvent>

TTabStrip::TTabStrip(QWidget* parent) : QTabBar(parent)
{
    setExpanding(false);
    setMovable(true);
    setUsesScrollButtons(true);
    setElideMode(Qt::ElideMiddle);
    setAcceptDrops(true);
    setFocusPolicy(Qt::NoFocus); // the panel's list keeps the keyboard
}

void TTabStrip::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton) {
        const int index = tabAt(event->position().toPoint());
        if (index >= 0 && OnCloseAsked)
            OnCloseAsked(index);
        event->accept();
        return;
    }
    QTabBar::mouseReleaseEvent(event);
}

void TTabStrip::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && tabAt(event->position().toPoint()) < 0) {
        if (OnNewAsked)
            OnNewAsked();
        event->accept();
        return;
    }
    QTabBar::mouseDoubleClickEvent(event);
}

void TTabStrip::contextMenuEvent(QContextMenuEvent* event)
{
    const int index = tabAt(event->pos());
    if (index >= 0 && OnMenuAsked)
        OnMenuAsked(index, event->globalPos());
    event->accept();
}

void TTabStrip::dragEnterEvent(QDragEnterEvent* event)
{
    AcceptUrlDrag(event);
}

void TTabStrip::dragMoveEvent(QDragMoveEvent* event)
{
    AcceptUrlDrag(event, tabAt(event->position().toPoint()) >= 0);
}

void TTabStrip::dropEvent(QDropEvent* event)
{
    const int index = tabAt(event->position().toPoint());
    if (index < 0 || !OnUrlsDropped) {
        event->ignore();
        return;
    }
    TakeUrlDrop(event, [this, index](const QList<QUrl>& urls, bool move) {
        OnUrlsDropped(index, urls, move);
    });
}
