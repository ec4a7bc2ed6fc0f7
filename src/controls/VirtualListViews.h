#pragma once
// The two Qt views inside TVirtualListView: a report view with columns and an icon/list
// view. Both announce the rows they are about to paint to the list before painting,
// and pass focus, double clicks, Enter and mouse input on to it.

#include <QKeyEvent>
#include <QListView>
#include <QTreeView>
#include <utility>

class TVirtualListView;

// What both views share, over the Qt view they are made of.
template <typename TView> class TOwnedView : public TView
{
public:
    explicit TOwnedView(TVirtualListView* owner);

protected:
    // The first and last rows on screen, the layout being up to date.
    virtual std::pair<int, int> VisibleRows() = 0;

    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    // Dragging the selection is ours (plain mouse events), not the platform's.
    void startDrag(Qt::DropActions) override {}

    TVirtualListView* m_owner;
};

class TReportView final : public TOwnedView<QTreeView>
{
public:
    explicit TReportView(TVirtualListView* owner);

protected:
    std::pair<int, int> VisibleRows() override;
};

class TIconView final : public TOwnedView<QListView>
{
public:
    explicit TIconView(TVirtualListView* owner);

protected:
    std::pair<int, int> VisibleRows() override;
};
