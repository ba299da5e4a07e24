#include "picturemessages.h"

#include <QApplication>
#include <QMessageBox>

namespace pictures {
namespace {
MessageBoxHook& hook() {
    static MessageBoxHook s_hook;
    return s_hook;
}
} // namespace

void ShowMessageBox(QWidget* parent, const MessageBoxText& message) {
    if (hook()) {
        hook()(message);
        return;
    }
    QMessageBox box(message.icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                    message.caption, message.text, QMessageBox::Ok, parent ? parent : QApplication::activeWindow());
    box.exec();
}

void SetMessageBoxHook(MessageBoxHook newHook) { hook() = std::move(newHook); }

} // namespace pictures
