#pragma once
// Paste into the program's text controls without Qt's own paste path. Qt 6.4's text controls
// crash (SIGSEGV) when they read the clipboard's MIME data after the program that copied has
// quit, and the typed text is lost with the process. The guard takes the keyboard's paste keys,
// the middle button's selection paste and the context menu of every editable QLineEdit,
// QPlainTextEdit and QTextEdit, and inserts only the clipboard's plain text, read as one copied
// string through QClipboard::text(), which yields an empty text when the owner is gone.
#include <QClipboard>

class QWidget;

namespace ui {

// Installs the guard on the application once; later calls do nothing.
void InstallPasteGuard();
// The editable text control that `widget` is or belongs to (a scroll area's viewport), or null.
QWidget* EditableTextControl(QWidget* widget);
// Inserts the plain text of the clipboard (or of the X11 selection) at the control's cursor,
// replacing its selection. False when `control` is no editable text control.
bool PastePlainText(QWidget* control, QClipboard::Mode mode = QClipboard::Clipboard);

} // namespace ui
