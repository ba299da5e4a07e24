#include "btstack/backend.h"

#include <map>
#include <mutex>

#include "btstack/servicecache.h"
#include "platform/registry.h"

namespace btstack {

namespace {
constexpr const char* kDevicesKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex\\BTConfig\\Devices";

std::mutex s_backendMutex;
std::shared_ptr<Backend>& currentSlot() {
    // Never destroyed, so that global stack objects can still ask for it at process exit.
    static auto* slot = new std::shared_ptr<Backend>;
    return *slot;
}
} // namespace

bool Backend::FindDevice(const BdAddr& address, DeviceEntry* entry) {
    for (const DeviceEntry& d : Devices())
        if (d.address == address) {
            if (entry)
                *entry = d;
            return true;
        }
    return false;
}

void PublishDevices(Backend& backend, platform::Registry& registry) {
    // The live subtree mirrors the backend: devices of an earlier backend go first.
    for (const std::string& key : registry.SubKeys(kDevicesKey))
        registry.DeleteKey(std::string(kDevicesKey) + "\\" + key);
    for (const DeviceEntry& d : backend.Devices()) {
        const std::string path = std::string(kDevicesKey) + "\\" + RegistryKeyName(d.address);
        registry.SetString(path, "Name", d.name, platform::RegOrigin::Live);
        registry.SetBinary(path, "DevClass", {d.devClass[0], d.devClass[1], d.devClass[2]}, platform::RegOrigin::Live);
    }
}

namespace {
std::map<std::string, BackendFactory>& factories() {
    static auto* map = new std::map<std::string, BackendFactory>;
    return *map;
}
} // namespace

void RegisterBackendFactory(const std::string& name, BackendFactory factory) {
    std::lock_guard lock(s_backendMutex);
    factories()[name] = std::move(factory);
}

std::shared_ptr<Backend> CreateBackend(const std::string& name, std::string* error) {
    BackendFactory factory;
    {
        std::lock_guard lock(s_backendMutex);
        auto it = factories().find(name);
        if (it != factories().end())
            factory = it->second;
    }
    if (factory)
        return factory(error);
    if (name == "sim" || name == "bluez") {
        if (error)
            *error = "the Bluetooth stack backend \"" + name + "\" is not part of this program";
        return nullptr;
    }
    if (error)
        *error = "unknown Bluetooth stack backend \"" + name + "\" (sim or bluez)";
    return nullptr;
}

void SetBackend(std::shared_ptr<Backend> backend) {
    if (backend)
        PublishDevices(*backend, platform::Registry::Instance());
    ServiceCache::Instance().Clear();
    std::lock_guard lock(s_backendMutex);
    currentSlot() = std::move(backend);
}

std::shared_ptr<Backend> CurrentBackend() {
    {
        std::lock_guard lock(s_backendMutex);
        if (currentSlot())
            return currentSlot();
    }
    // The demo phone, when the program registered it; otherwise there is no stack, and the
    // stack classes report that to their callers.
    std::shared_ptr<Backend> sim = CreateBackend("sim", nullptr);
    if (!sim)
        return nullptr;
    PublishDevices(*sim, platform::Registry::Instance());
    std::lock_guard lock(s_backendMutex);
    if (!currentSlot())
        currentSlot() = sim;
    return currentSlot();
}

} // namespace btstack
