#pragma once
// A main window driven as a user drives it: clicks on rows and keys sent through the
// window, as when it is the active window.
#include "main/FileOpsFixture.h"

#include <QWindow>

class UserInputTest : public FileOpsTest
{
protected:
    // The middle of a row's first cell, in the window's coordinates.
    QPoint At(TSide side, const QString& name)
    {
        QAbstractItemView* view = View(side);
        const QModelIndex index = view->model()->index(Row(side, name), 0);
        view->scrollTo(index);
        return view->viewport()->mapTo(main.get(), view->visualRect(index).center());
    }
    void Click(QPoint at, Qt::KeyboardModifiers keys = {})
    {
        QTest::mouseClick(main->windowHandle(), Qt::LeftButton, keys, at);
    }
    void Key(int key, Qt::KeyboardModifiers keys = {})
    {
        QApplication::setActiveWindow(main.get()); // as when a dialog has closed
        QTest::keyClick(main->windowHandle(), Qt::Key(key), keys);
    }
};
