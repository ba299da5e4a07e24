#include "messages.h"

#include "ui/ids.h"
#include "ui/strings.h"

#include <QMessageBox>

#include <cstdio>

namespace ui {
namespace {
MessageHook& hook() {
    static MessageHook s_hook;
    return s_hook;
}
} // namespace

void ShowErrorMessage(QWidget* parent, const QString& text) {
    // Also on stderr: the box may be hidden on a headless run, and logs keep the reason.
    std::fprintf(stderr, "harlune: %s\n", text.toLocal8Bit().constData());
    if (hook()) {
        hook()(text);
        return;
    }
    QMessageBox::warning(parent, Strings::Instance().Load(AFX_IDS_APP_TITLE), text);
}

void SetMessageHook(MessageHook newHook) { hook() = std::move(newHook); }

} // namespace ui
