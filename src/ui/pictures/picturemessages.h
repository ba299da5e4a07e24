#pragma once
// The picture windows' message boxes. They go through one function so that tests can take them
// instead of a modal box that waits for a click nobody makes.
#include <QString>

#include <functional>

class QWidget;

namespace pictures {

enum class MessageIcon { None, Error };

struct MessageBoxText {
    QString caption;
    QString text;
    MessageIcon icon = MessageIcon::None;
};

using MessageBoxHook = std::function<void(const MessageBoxText&)>;

// A modal box with one OK button; with a hook installed the hook gets it instead.
void ShowMessageBox(QWidget* parent, const MessageBoxText& message);
// An empty function restores the box.
void SetMessageBoxHook(MessageBoxHook hook);

} // namespace pictures
