#include "stackchoice.h"

namespace stackchoice {

namespace {

// The probe reports success as "Bluetooth adapter hci0 found"; the status line names the adapter.
std::string AdapterInUse(const std::string& why) {
    constexpr std::string_view kFound = " found";
    if (why.size() > kFound.size() && why.ends_with(kFound))
        return "Using " + why.substr(0, why.size() - kFound.size());
    return why.empty() ? std::string("Using BlueZ") : "Using BlueZ: " + why;
}

} // namespace

StackChoice ChooseStack(std::string_view requested, const BluezProbe& probe) {
    if (requested == "sim")
        return {"sim", "Using the demo phone, as the command line asks (--stack=sim)"};
    std::string why;
    const bool available = probe && probe(&why);
    if (!probe)
        why = "this program was built without BlueZ support";
    if (requested == "bluez") {
        if (available || !probe)
            return {"bluez", available ? AdapterInUse(why) : "Using BlueZ, as the command line asks (--stack=bluez)"};
        // The user asked for it, so no silent fall-back; the device list will be empty and the
        // line says why before anything tries to talk to an absent adapter.
        return {"bluez", "Using BlueZ as asked, but no Bluetooth adapter can be used (" + why + ")"};
    }
    if (available)
        return {"bluez", AdapterInUse(why)};
    if (why.empty())
        why = "BlueZ gave no reason";
    return {"sim", "Using the demo phone: no Bluetooth adapter found (" + why + ")"};
}

} // namespace stackchoice
