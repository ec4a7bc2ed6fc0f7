#include "controls/UrlDrops.h"

#include <QDropEvent>
#include <QMimeData>

bool AcceptUrlDrag(QDragMoveEvent* event, bool here)
{
    if (here && event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
        return true;
    }
    event->ignore();
    return false;
}

void TakeUrlDrop(QDropEvent* event, const TUrlsDropped& dropped)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !dropped) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    dropped(urls, event->dropAction() == Qt::MoveAction);
}
