#pragma once
// BlueZ's object tree as plain values, and what the stack layer reads from it: the known
// devices and whether there is an adapter. No D-Bus here, so it is tested on literal trees.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "btstack/backend.h"

namespace btstack::bluez {

// A property value as far as this program cares: anything else is monostate.
using BluezValue = std::variant<std::monostate, bool, int64_t, std::string>;
using BluezProperties = std::map<std::string, BluezValue>;

struct BluezObject {
    std::string path;
    std::map<std::string, BluezProperties> interfaces; // interface name -> properties
};

inline constexpr const char* kAdapterInterface = "org.bluez.Adapter1";
inline constexpr const char* kDeviceInterface = "org.bluez.Device1";

// BlueZ's "Address" property, "00:80:37:1A:2B:3C" (either case), to its bytes, first byte first;
// nullopt for anything else.
inline std::optional<BdAddr> ParseBluezAddress(std::string_view text) {
    return ParseAddressText(text, AddressText::Colons);
}
// The 24-bit class of device as three bytes, most significant first.
DevClass DevClassFromClassOfDevice(uint32_t classOfDevice);

// The paired devices, each address once (a phone paired through two adapters shows up under
// both), in the order of the tree. The shown name is the alias (the user's own name for the
// device, or BlueZ's copy of the device's name), else the name, else the address.
std::vector<DeviceEntry> DevicesFromObjects(const std::vector<BluezObject>& objects);

// The first adapter's object path, or nullopt when the tree has none.
std::optional<std::string> FindAdapter(const std::vector<BluezObject>& objects);

} // namespace btstack::bluez
