#include "registerphonebook.h"

#include "contactsfilecommands.h"
#include "phonebooktexts.h"
#include "phonebookview.h"
#include "readprogressdlg.h"
#include "ui/ids.h"
#include "ui/mainframe.h"

void RegisterPhonebookViews() {
    CMainFrame::RegisterViewFactory(ui::VIEW_PHONEBOOK,
                                    [](const ui::ViewArgs&) -> CView* { return new CPhonebookView; });
    CMainFrame::SetPhonebookReader([](CMainFrame& frame) {
        CReadProgressDlg dlg(&frame);
        dlg.exec();
        frame.setProperty(phonebook::kReadOutcomeProperty, dlg.Outcome());
    });
    CMainFrame::SetFileCommandHandler(RunContactsFileCommand);
}
