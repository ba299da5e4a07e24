#include "registration.h"

#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/messages/messagesview.h"

void RegisterMessagesView() {
    CMainFrame::RegisterViewFactory(
        ui::VIEW_MESSAGES, [](const ui::ViewArgs&) -> CView* { return new CMessagesView; });
}
