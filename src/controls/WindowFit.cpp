#include "controls/WindowFit.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QRect>
#include <QScreen>
#include <algorithm>

namespace windowfit
{

namespace
{

// What the frame adds to the window's size (nothing until the window system has told).
QSize FrameExtra(const QWidget* window)
{
    return (window->frameGeometry().size() - window->size()).expandedTo(QSize(0, 0));
}

int MenuBarWidth(const QWidget* window)
{
    const auto* main = qobject_cast<const QMainWindow*>(window);
    const QWidget* menu = main ? main->menuWidget() : nullptr;
    return menu ? menu->sizeHint().width() : 0;
}

} // namespace

QScreen* ScreenOf(const QWidget* window)
{
    if (QScreen* screen = window->screen())
        return screen;
    return QGuiApplication::primaryScreen();
}

QSize Bounded(const QWidget* window, QSize size)
{
    size.setWidth(std::max(size.width(), MenuBarWidth(window)));
    size = size.expandedTo(window->minimumSize()).boundedTo(window->maximumSize());
    if (const QScreen* screen = ScreenOf(window))
        size = size.boundedTo(screen->availableGeometry().size() - FrameExtra(window));
    return size;
}

void Resize(QWidget* window, QSize size)
{
    window->resize(Bounded(window, size));
}

void Centre(QWidget* window)
{
    const QScreen* screen = ScreenOf(window);
    if (!screen)
        return;
    QRect frame(window->pos(), window->size() + FrameExtra(window));
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
    KeepOnScreen(window);
}

void KeepOnScreen(QWidget* window)
{
    const QScreen* screen = ScreenOf(window);
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize frame = window->size() + FrameExtra(window);
    QPoint at = window->frameGeometry().topLeft();
    at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - frame.width())));
    at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - frame.height())));
    window->move(at);
}

void FillScreen(QWidget* window)
{
    const QScreen* screen = ScreenOf(window);
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->resize(Bounded(window, area.size()));
    window->move(area.topLeft());
}

void Place(QWidget* window, QPoint position, QSize size)
{
    if (QScreen* screen = QGuiApplication::screenAt(QRect(position, size).center());
        screen && screen != window->screen())
        window->setScreen(screen);
    window->resize(Bounded(window, size));
    window->move(position);
    KeepOnScreen(window);
}

} // namespace windowfit
