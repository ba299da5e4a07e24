#include "registration.h"

#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/sms/smsview.h"

void RegisterSmsView() {
    CMainFrame::RegisterViewFactory(ui::VIEW_SMS,
                                    [](const ui::ViewArgs& args) -> CView* { return new CSMSView(args.smsNumber); });
}
