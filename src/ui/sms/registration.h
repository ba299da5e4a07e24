#pragma once
// Plugs the SMS view into the frame's view switching (view 151), for the toolbar's empty form
// and for the phone book's "send SMS to this person" with the entry's number.
void RegisterSmsView();
