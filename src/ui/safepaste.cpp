#include "safepaste.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>

namespace ui {

namespace {

bool editable(QWidget* w) {
    if (auto* line = qobject_cast<QLineEdit*>(w))
        return !line->isReadOnly() && line->isEnabled();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
        return !plain->isReadOnly() && plain->isEnabled();
    if (auto* rich = qobject_cast<QTextEdit*>(w))
        return !rich->isReadOnly() && rich->isEnabled();
    return false;
}

bool hasSelection(QWidget* w) {
    if (auto* line = qobject_cast<QLineEdit*>(w))
        return line->hasSelectedText();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
        return plain->textCursor().hasSelection();
    if (auto* rich = qobject_cast<QTextEdit*>(w))
        return rich->textCursor().hasSelection();
    return false;
}

// Moves the text cursor to where the middle button was released, as the selection paste does.
void placeCursor(QWidget* control, QPoint viewportPos) {
    if (auto* line = qobject_cast<QLineEdit*>(control))
        line->setCursorPosition(line->cursorPositionAt(viewportPos));
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        plain->setTextCursor(plain->cursorForPosition(viewportPos));
    else if (auto* rich = qobject_cast<QTextEdit*>(control))
        rich->setTextCursor(rich->cursorForPosition(viewportPos));
}

// The control's own menu would ask the clipboard's MIME data whether Paste can be enabled, which
// is the faulty path; this one offers the same commands and never touches the MIME data.
void showMenu(QWidget* control, QPoint globalPos) {
    QMenu menu(control);
    menu.setObjectName(QStringLiteral("textContextMenu"));
    const bool writable = editable(control);
    const bool selected = hasSelection(control);
    auto add = [&menu](const QString& text, QKeySequence::StandardKey key, bool enabled, auto&& run) {
        QAction* a = menu.addAction(text + u'\t' + QKeySequence(key).toString(QKeySequence::NativeText));
        a->setEnabled(enabled);
        QObject::connect(a, &QAction::triggered, &menu, run);
        return a;
    };
    auto* line = qobject_cast<QLineEdit*>(control);
    auto* plain = qobject_cast<QPlainTextEdit*>(control);
    auto* rich = qobject_cast<QTextEdit*>(control);
    const bool canUndo = line ? line->isUndoAvailable()
                              : (plain ? plain->document()->isUndoAvailable() : rich->document()->isUndoAvailable());
    const bool canRedo = line ? line->isRedoAvailable()
                              : (plain ? plain->document()->isRedoAvailable() : rich->document()->isRedoAvailable());
    QPointer<QWidget> target(control);
    add(QStringLiteral("&Undo"), QKeySequence::Undo, writable && canUndo, [=] {
        if (line) line->undo(); else if (plain) plain->undo(); else if (rich) rich->undo();
    });
    add(QStringLiteral("&Redo"), QKeySequence::Redo, writable && canRedo, [=] {
        if (line) line->redo(); else if (plain) plain->redo(); else if (rich) rich->redo();
    });
    menu.addSeparator();
    add(QStringLiteral("Cu&t"), QKeySequence::Cut, writable && selected, [=] {
        if (line) line->cut(); else if (plain) plain->cut(); else if (rich) rich->cut();
    });
    add(QStringLiteral("&Copy"), QKeySequence::Copy, selected, [=] {
        if (line) line->copy(); else if (plain) plain->copy(); else if (rich) rich->copy();
    });
    QAction* paste = add(QStringLiteral("&Paste"), QKeySequence::Paste, writable,
                         [target] { PastePlainText(target); });
    paste->setObjectName(QStringLiteral("edit-paste"));
    add(QStringLiteral("Delete"), QKeySequence::Delete, writable && selected, [=] {
        if (line) line->del();
        else if (plain) plain->textCursor().removeSelectedText();
        else if (rich) rich->textCursor().removeSelectedText();
    });
    menu.addSeparator();
    add(QStringLiteral("Select All"), QKeySequence::SelectAll, true, [=] {
        if (line) line->selectAll(); else if (plain) plain->selectAll(); else if (rich) rich->selectAll();
    });
    menu.exec(globalPos);
}

class PasteGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (!key->matches(QKeySequence::Paste))
                break;
            QWidget* control = EditableTextControl(qobject_cast<QWidget*>(watched));
            if (!control || !editable(control))
                break;
            // The override is accepted so that the frame's Ctrl+V accelerator leaves the key to us.
            if (event->type() == QEvent::ShortcutOverride) {
                event->accept();
                return true;
            }
            PastePlainText(control);
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::MiddleButton)
                break;
            QWidget* control = EditableTextControl(qobject_cast<QWidget*>(watched));
            if (!control || !editable(control))
                break;
            if (event->type() == QEvent::MouseButtonRelease && QGuiApplication::clipboard()->supportsSelection()) {
                placeCursor(control, mouse->position().toPoint());
                PastePlainText(control, QClipboard::Selection);
            }
            return true;
        }
        case QEvent::ContextMenu: {
            QWidget* control = EditableTextControl(qobject_cast<QWidget*>(watched));
            if (!control)
                break;
            showMenu(control, static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

QWidget* EditableTextControl(QWidget* widget) {
    if (!widget)
        return nullptr;
    if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget) || qobject_cast<QTextEdit*>(widget))
        return widget;
    // Mouse and menu events of a multi-line edit arrive at its viewport first.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget->parentWidget()); area && area->viewport() == widget)
        return EditableTextControl(area);
    return nullptr;
}

bool PastePlainText(QWidget* control, QClipboard::Mode mode) {
    if (!control || !editable(control))
        return false;
    // One copy of the text, taken before anything else runs; no MIME data object is kept.
    const QString text = QGuiApplication::clipboard()->text(mode);
    if (auto* line = qobject_cast<QLineEdit*>(control))
        line->insert(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        plain->insertPlainText(text);
    else if (auto* rich = qobject_cast<QTextEdit*>(control))
        rich->insertPlainText(text);
    return true;
}

void InstallPasteGuard() {
    static QPointer<PasteGuard> guard;
    if (guard || !qApp)
        return;
    guard = new PasteGuard(qApp);
    qApp->installEventFilter(guard);
}

} // namespace ui
