#pragma once
// Plugs the phone book view and its reading progress dialog into the main frame.
void RegisterPhonebookViews();
