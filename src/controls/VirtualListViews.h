#pragma once
// The two Qt views inside TVirtualListView. Both announce the rows they are about to
// paint to the list before painting, and pass focus, clicks and mouse input on.

#include <QListView>
#include <QTreeView>

class TVirtualListView;

class TReportView final : public QTreeView
{
    Q_OBJECT

public:
    explicit TReportView(TVirtualListView* owner);

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    // Dragging the selection is ours (plain mouse events), not the platform's.
    void startDrag(Qt::DropActions) override {}

private:
    TVirtualListView* m_owner;
};

class TIconView final : public QListView
{
    Q_OBJECT

public:
    explicit TIconView(TVirtualListView* owner);

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    // Dragging the selection is ours (plain mouse events), not the platform's.
    void startDrag(Qt::DropActions) override {}

private:
    TVirtualListView* m_owner;
};
