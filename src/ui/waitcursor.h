#pragma once
// The hourglass for the length of a scope: every AT exchange runs on the GUI thread and blocks it,
// so the cursor is the only sign that the program is busy. Restored however the scope is left.
#include <QGuiApplication>

namespace ui {

class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace ui
