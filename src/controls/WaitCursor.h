#pragma once
// Shows the wait cursor for the whole application for as long as it lives, also when
// the work it covers ends with an exception.

#include <QApplication>

class TWaitCursor final {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};
