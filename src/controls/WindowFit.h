#pragma once
// Keeps a top-level window usable: never narrower than its menu bar, never larger than
// the available area of its screen (the desktop without panels and docks), and placed so
// that all of it lies on that screen. The frame the window system adds is counted when it
// is known (after the first showing); before that only the window itself.
//
// User-interface thread only; cheap (a few size hints).

#include <QPoint>
#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

namespace windowfit
{

// The screen a window is on, else the primary screen; null when there is none.
QScreen* ScreenOf(const QWidget* window);

// `size` (of the window without its frame) widened to the window's menu bar, if it has
// one, then cut to the available area of its screen.
QSize Bounded(const QWidget* window, QSize size);

// Resizes `window` to Bounded(window, size).
void Resize(QWidget* window, QSize size);

// Moves `window` so that its frame is centred on the available area of its screen.
void Centre(QWidget* window);

// Moves `window` as little as needed for its frame to lie on the available area of its
// screen (its top-left corner first, when it is too large).
void KeepOnScreen(QWidget* window);

// Gives `window` the whole available area of its screen.
void FillScreen(QWidget* window);

// Puts `window` where it was: its frame's top-left corner at `position`, its size `size`
// (without the frame), on the screen that holds the middle of that place (else the
// window's own), cut to that screen's available area and moved onto it as little as
// needed; so a place kept from a larger or another screen still shows the whole window.
void Place(QWidget* window, QPoint position, QSize size);

} // namespace windowfit
