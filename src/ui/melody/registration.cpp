#include "registration.h"

#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/melody/melodyview.h"

void RegisterMelodyView() {
    CMainFrame::RegisterViewFactory(ui::VIEW_MELODIES, [](const ui::ViewArgs&) -> CView* { return new CMelodyView; });
}
