#pragma once
// Files dragged in from another program, as the tab strip and the panels' lists take
// them: a drag is welcome when it carries URLs (text/uri-list), and its drop moves the
// files when the drop's action says so (the source program's Shift), else copies them.

#include <QList>
#include <QUrl>
#include <functional>

class QDropEvent;
class QDragMoveEvent;

// What a drop hands on: the URLs, and whether they are to be moved.
using TUrlsDropped = std::function<void(const QList<QUrl>& urls, bool move)>;

// Accepts the drag's proposed action when it carries URLs and `here` is a place to drop
// them; ignores it otherwise. True when accepted.
bool AcceptUrlDrag(QDragMoveEvent* event, bool here = true);
// Hands the drop's URLs on to `dropped` and accepts it; a drop without URLs, or with
// nobody to take them, is ignored.
void TakeUrlDrop(QDropEvent* event, const TUrlsDropped& dropped);
