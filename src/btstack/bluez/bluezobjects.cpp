#include "btstack/bluez/bluezobjects.h"

#include <algorithm>

namespace btstack::bluez {

namespace {

const std::string* stringProperty(const BluezProperties& props, const char* name) {
    auto it = props.find(name);
    if (it == props.end())
        return nullptr;
    return std::get_if<std::string>(&it->second);
}

} // namespace

DevClass DevClassFromClassOfDevice(uint32_t classOfDevice) {
    return {uint8_t(classOfDevice >> 16), uint8_t(classOfDevice >> 8), uint8_t(classOfDevice)};
}

std::vector<DeviceEntry> DevicesFromObjects(const std::vector<BluezObject>& objects) {
    std::vector<DeviceEntry> devices;
    for (const BluezObject& object : objects) {
        auto iface = object.interfaces.find(kDeviceInterface);
        if (iface == object.interfaces.end())
            continue;
        const BluezProperties& props = iface->second;
        // Only paired devices: an unpaired one merely seen in a scan would ask for pairing on
        // connect, with no agent of ours to answer.
        auto paired = props.find("Paired");
        if (paired == props.end() || !std::holds_alternative<bool>(paired->second) ||
            !std::get<bool>(paired->second))
            continue;
        const std::string* addressText = stringProperty(props, "Address");
        std::optional<BdAddr> address = addressText ? ParseBluezAddress(*addressText) : std::nullopt;
        if (!address)
            continue;
        if (std::any_of(devices.begin(), devices.end(), [&](const DeviceEntry& d) { return d.address == *address; }))
            continue;
        DeviceEntry entry;
        entry.address = *address;
        const std::string* alias = stringProperty(props, "Alias");
        const std::string* name = stringProperty(props, "Name");
        if (alias && !alias->empty())
            entry.name = *alias;
        else if (name && !name->empty())
            entry.name = *name;
        else
            entry.name = RegistryKeyName(*address);
        // Low-energy-only devices have no class of device: they get 00 00 00 and are no phone.
        if (auto cls = props.find("Class"); cls != props.end() && std::holds_alternative<int64_t>(cls->second)) {
            const int64_t value = std::get<int64_t>(cls->second);
            if (value >= 0 && value <= 0xFFFFFF)
                entry.devClass = DevClassFromClassOfDevice(uint32_t(value));
        }
        devices.push_back(std::move(entry));
    }
    return devices;
}

std::optional<std::string> FindAdapter(const std::vector<BluezObject>& objects) {
    for (const BluezObject& object : objects)
        if (object.interfaces.count(kAdapterInterface))
            return object.path;
    return std::nullopt;
}

} // namespace btstack::bluez
