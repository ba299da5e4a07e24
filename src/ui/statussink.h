#pragma once
// The program's one status line. The frame implements it; the application object forwards the
// connection steps to it. Called on the GUI thread only (the application object hands text over
// from other threads itself).
#include <string>

namespace ui {

class StatusSink {
public:
    virtual ~StatusSink() = default;
    virtual void SetStatusText(std::string text) = 0;
};

} // namespace ui
