#pragma once
// The phones the Bluetooth stack already knows, read from its device list in the registry
// (HKLM\SOFTWARE\Tarvex\BTConfig\Devices: one key per device, named by its address, with the
// values "Name" and "DevClass").
#include "btstack/bttypes.h"
#include "platform/registry.h"

#include <string>
#include <vector>

struct DeviceRecord {
    std::string keyName;    // the device's key under the stack's list: its address as text
    std::string deviceName; // its "Name" value, or the key name when it has none
    BdAddr address{};       // keyName parsed
};

// Opens a subkey with full access; null on any failure. The caller closes the key.
platform::HKEY OpenRegKey(platform::HKEY parent, const char* subKey);

// Class of device 52 02 04, first byte most significant: networking, object transfer and
// telephony services; major class phone, minor class cellular. Nothing else is listed.
bool IsListedPhoneClass(const uint8_t* devClass, size_t size);

// The cellular phones, in registry order. At most the first 255 keys are examined; a key that
// cannot be opened, has no matching "DevClass" or is not named by a readable address is left
// out. A missing list gives an empty result.
std::vector<DeviceRecord> ReadPhoneDeviceList();
