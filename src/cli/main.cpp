// harlune-cli: the phone link from the command line, for scripts, USB modems and diagnosis.
#include <iostream>

#include "btstack/backend.h"
#include "btstack/sim/registersim.h"
#include "clirun.h"
#ifdef HARLUNE_HAVE_BLUEZ_BACKEND
#include "btstack/bluez/bluezbackend.h"
#endif

int main(int argc, char** argv) {
    btstack::RegisterSimBackend();
#ifdef HARLUNE_HAVE_BLUEZ_BACKEND
    btstack::RegisterBackendFactory("bluez", btstack::bluez::CreateBluezBackend);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunCli(args, std::cout, std::cerr);
}
