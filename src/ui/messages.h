#pragma once
// Message boxes the program must show ("COM port open failed", a document that cannot be
// opened, a malformed registry file). Tests replace the box by a recorder so that no modal
// window waits for a click that never comes.
#include <QString>

#include <functional>

class QWidget;

namespace ui {

using MessageHook = std::function<void(const QString& text)>;

// Shows a warning box with the program's name as caption, or hands the text to the hook.
void ShowErrorMessage(QWidget* parent, const QString& text);
// An empty function restores the message box.
void SetMessageHook(MessageHook hook);

} // namespace ui
