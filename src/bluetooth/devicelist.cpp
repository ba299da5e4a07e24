#include "devicelist.h"

#include "bluetooth/bdaddr.h"

namespace {

constexpr uint32_t kMaxExaminedKeys = 255;

// A value read whole, whatever its length; empty when it cannot be read.
std::vector<uint8_t> queryValue(platform::HKEY key, const char* name, bool* ok) {
    uint32_t type = 0, size = 0;
    *ok = platform::RegQueryValueEx(key, name, nullptr, &type, nullptr, &size) == platform::kErrorSuccess;
    std::vector<uint8_t> data(size);
    if (*ok && size > 0)
        *ok = platform::RegQueryValueEx(key, name, nullptr, &type, data.data(), &size) == platform::kErrorSuccess;
    if (*ok)
        data.resize(size);
    return data;
}

std::string textOf(const std::vector<uint8_t>& bytes) {
    std::string text(bytes.begin(), bytes.end());
    // Stored strings may carry their terminator, or stop at an embedded one.
    if (auto nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    return text;
}

} // namespace

platform::HKEY OpenRegKey(platform::HKEY parent, const char* subKey) {
    platform::HKEY key = nullptr;
    if (platform::RegOpenKeyEx(parent, subKey, 0, platform::kKeyAllAccess, &key) != platform::kErrorSuccess)
        return nullptr;
    return key;
}

bool IsListedPhoneClass(const uint8_t* devClass, size_t size) {
    return size >= 3 && devClass[0] == 0x52 && devClass[1] == 0x02 && devClass[2] == 0x04;
}

std::vector<DeviceRecord> ReadPhoneDeviceList() {
    std::vector<DeviceRecord> devices;
    platform::HKEY opened[4] = {};
    const char* path[4] = {"SOFTWARE", "Tarvex", "BTConfig", "Devices"};
    platform::HKEY parent = platform::HKEY_LOCAL_MACHINE;
    int depth = 0;
    for (; depth < 4; ++depth) {
        opened[depth] = OpenRegKey(parent, path[depth]);
        if (!opened[depth])
            break;
        parent = opened[depth];
    }
    if (depth == 4) {
        for (uint32_t index = 0; index < kMaxExaminedKeys; ++index) {
            char keyName[256];
            if (platform::RegEnumKey(opened[3], index, keyName, sizeof keyName) != platform::kErrorSuccess)
                break;
            platform::HKEY device = OpenRegKey(opened[3], keyName);
            if (!device)
                continue;
            bool nameOk = false, classOk = false;
            const std::string name = textOf(queryValue(device, "Name", &nameOk));
            const std::vector<uint8_t> devClass = queryValue(device, "DevClass", &classOk);
            DeviceRecord record;
            if (classOk && IsListedPhoneClass(devClass.data(), devClass.size())
                && ParseBdAddr(keyName, &record.address)) {
                record.keyName = keyName;
                record.deviceName = nameOk && !name.empty() ? name : record.keyName;
                devices.push_back(std::move(record));
            }
            platform::RegCloseKey(device);
        }
    }
    for (int i = 3; i >= 0; --i)
        if (opened[i])
            platform::RegCloseKey(opened[i]);
    return devices;
}
