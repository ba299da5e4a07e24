#include "serialnames.h"

#include "registry.h"

namespace platform {

std::optional<int> ComPortNumber(std::string_view name) {
    if (name.starts_with("\\\\?\\"))
        name.remove_prefix(4);
    if (name.size() < 4)
        return std::nullopt;
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    if (upper(name[0]) != 'C' || upper(name[1]) != 'O' || upper(name[2]) != 'M')
        return std::nullopt;
    int n = 0;
    for (char c : name.substr(3)) {
        if (c < '0' || c > '9' || n > 100000)
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

void RegisterSerialPort(int portNumber, const std::string& devicePath, Registry* registry) {
    Registry& reg = registry ? *registry : Registry::Instance();
    reg.SetString(kSerialCommKey, "COM" + std::to_string(portNumber), devicePath, RegOrigin::Live);
}

void UnregisterSerialPort(int portNumber, Registry* registry) {
    Registry& reg = registry ? *registry : Registry::Instance();
    reg.DeleteValue(kSerialCommKey, "COM" + std::to_string(portNumber));
}

std::optional<std::string> ResolveSerialName(std::string_view name, Registry* registry) {
    auto number = ComPortNumber(name);
    if (!number)
        return std::nullopt;
    Registry& reg = registry ? *registry : Registry::Instance();
    auto path = reg.GetString(kSerialCommKey, "COM" + std::to_string(*number));
    if (!path || path->empty())
        return std::nullopt;
    return path;
}

} // namespace platform
