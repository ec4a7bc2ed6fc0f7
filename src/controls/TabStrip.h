#pragma once
// A panel's row of tabs: a click shows a tab, a middle click asks to close it, a double
// click on the bar beside the tabs asks for a new one, the context menu asks for the
// rest; files dropped from another program on a tab are handed on with its index.

#include <QList>
#include <QTabBar>
#include <QUrl>
#include <functional>

class TTabStrip final : public QTabBar
{
    Q_OBJECT

public:
    explicit TTabStrip(QWidget* parent = nullptr);

    std::function<void(int index)> OnCloseAsked;
    std::function<void()> OnNewAsked;
    std::function<void(int index, const QPoint& global)> OnMenuAsked;
    std::function<void(int index, const QList<QUrl>& urls, bool move)> OnUrlsDropped;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
