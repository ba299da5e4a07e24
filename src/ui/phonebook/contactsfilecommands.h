#pragma once
// The File menu's "Export phone book...", "Import contacts...", "Back up phone..." and "Restore
// backup...": file dialogs, the preview, writing with progress and Cancel, the summary on the
// status line. The work itself is the contacts library's.
class CMainFrame;

void RunContactsFileCommand(CMainFrame& frame, int commandId);
