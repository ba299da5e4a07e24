// DUNMERE Harlune: the GUI program. The application object is global, as the framework expects:
// it exists before main() runs, and main() only plugs in the parts that live in libraries of
// their own (the views, the BlueZ stack) and hands it the command line.
#include "bluetooth/upload/registerpictures.h"
#include "bluetooth/vantrelapp.h"
#include "btstack/backend.h"
#include "btstack/bluez/bluezbackend.h"
#include "btstack/sim/registersim.h"
#include "ui/melody/registration.h"
#include "ui/messages/registration.h"
#include "ui/phonebook/registerphonebook.h"
#include "ui/sms/registration.h"

CVantrelApp theApp;

int main(int argc, char** argv) {
    btstack::RegisterSimBackend();
    btstack::RegisterBackendFactory("bluez", btstack::bluez::CreateBluezBackend);
    RegisterPhonebookViews();
    RegisterMelodyView();
    RegisterSmsView();
    RegisterPictureViews();
    RegisterMessagesView();
    theApp.SetBluezProbe([](std::string* why) { return btstack::bluez::BluezAvailable(why); });
    return theApp.Run(argc, argv);
}
