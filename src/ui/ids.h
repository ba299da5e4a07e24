#pragma once
// Resource, command and view ids. The numbers are those of the original resource script; other
// windows and the string tables refer to them, so they never change.

namespace ui {

// Views: each is the number of the view's form template.
constexpr int VIEW_START = 101;
constexpr int VIEW_PHONEBOOK = 135;
constexpr int VIEW_MELODIES = 150;
constexpr int VIEW_SMS = 151;
constexpr int VIEW_PICTURES = 154;
// Added beside the original views: every message of the phone and the local archive, by
// conversation.
constexpr int VIEW_MESSAGES = 170;

// Commands of the toolbar (left to right), the help menu and the phone book pop-up menu.
constexpr int ID_SHOW_PHONEBOOK = 32772;
constexpr int ID_ENTRY_DELETE = 32773;
constexpr int ID_ENTRY_MODIFY = 32778;
constexpr int ID_ENTRY_ADD = 32780;
constexpr int ID_SHOW_SMS = 32781;
constexpr int ID_WEB_LINK = 32783;
constexpr int ID_SHOW_MELODIES = 32784;
constexpr int ID_ENTRY_SMS = 32785;
constexpr int ID_SHOW_PICTURES = 32786;
constexpr int ID_UPLOAD_PICTURE = 32788;

// Commands that lead back to a phone after Cancel, a failed search or a lost link, and the
// phone's own facts; added beside the original resource script's.
constexpr int ID_CONNECT_PHONE = 32790;
constexpr int ID_PHONE_INFO = 32791;
// File menu: the phone book to and from files, the whole phone to and from a backup.
constexpr int ID_FILE_EXPORT_PHONEBOOK = 32792;
constexpr int ID_FILE_IMPORT_CONTACTS = 32793;
constexpr int ID_FILE_BACKUP_PHONE = 32794;
constexpr int ID_FILE_RESTORE_BACKUP = 32795;
// The sixth toolbar button and the View menu's "Messages".
constexpr int ID_SHOW_MESSAGES = 32796;
// Copy (or move) between the two storages, with the same preview.
constexpr int ID_FILE_COPY_SIM_TO_PHONE = 32797;
constexpr int ID_FILE_COPY_PHONE_TO_SIM = 32798;

// Framework commands.
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_FILE_SAVE = 57603;
constexpr int ID_FILE_PRINT_SETUP = 57606;
constexpr int ID_FILE_PRINT = 57607;
constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_EDIT_CUT = 57635;
constexpr int ID_EDIT_PASTE = 57637;
constexpr int ID_EDIT_UNDO = 57643;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_NEXT_PANE = 57680;
constexpr int ID_PREV_PANE = 57681;
constexpr int ID_VIEW_TOOLBAR = 59392;
constexpr int ID_VIEW_STATUS_BAR = 59393;
constexpr int ID_VIEW_REBAR = 59396;
constexpr int ID_INDICATOR_CAPS = 59137;
constexpr int ID_INDICATOR_NUM = 59138;
constexpr int ID_INDICATOR_SCRL = 59139;
constexpr int AFX_IDW_PANE_FIRST = 59648;

// Resources.
constexpr int IDR_MAINFRAME = 128;      // menu, accelerators, app icon, document string
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDI_BOOK_CLOSED = 130;    // a storage item not selected
constexpr int IDI_BOOK_OPEN = 131;      // the selected one
constexpr int IDI_PHONEBOOK_ENTRY = 132;
constexpr int IDR_TOOLBAR = 136;
constexpr int IDD_DEVICE_SELECT = 140;
constexpr int IDI_SMS = 157;
constexpr int IDI_MELODY = 158;
constexpr int IDB_SPLASH = 160;

// Strings.
constexpr int AFX_IDS_APP_TITLE = 57344;
constexpr int AFX_IDS_IDLEMESSAGE = 57345;

} // namespace ui
