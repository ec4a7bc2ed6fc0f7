#pragma once
// One shared window of a kind (one sound player, one about box, ...), made on first use
// with the main window as its parent and owner.

#include <QObject>
#include <QWidget>

// Returns `instance`, made first when there is none. Gone with its main window, the
// shared window is made again for the next one.
template <typename TWindow> TWindow* SharedWindow(TWindow*& instance, QWidget* mainWindow)
{
    if (!instance) {
        instance = new TWindow(mainWindow);
        QObject::connect(instance, &QObject::destroyed, [&instance] { instance = nullptr; });
    }
    return instance;
}
