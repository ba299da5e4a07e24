#pragma once
// Reads BlueZ's object tree over D-Bus (ObjectManager.GetManagedObjects on org.bluez).
#include <string>
#include <vector>

#include "btstack/bluez/bluezobjects.h"

namespace btstack::bluez {

struct BusOptions {
    // D-Bus address of the bus BlueZ is on. Empty: $HARLUNE_BLUEZ_BUS when set (tests point it at
    // a private bus with a mocked BlueZ), else the system bus.
    std::string address;
    // Bound on each call, so that a hung daemon cannot hang the program.
    int timeoutMs = 5000;
};

// What a bus address resolves to, for messages: "the system bus" or the address.
std::string DescribeBus(const BusOptions& options);

// False with a reason a user can act on: no bus, BlueZ not running, no reply in time.
bool FetchBluezObjects(const BusOptions& options, std::vector<BluezObject>* objects, std::string* error);

} // namespace btstack::bluez
