#include "commap.h"

#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/serialnames.h"

std::optional<std::string> ResolveCliPort(int portNumber, std::string* error) {
    platform::Registry& registry = platform::Registry::Instance();
    const std::string userFile = platform::UserConfigDir() + "/registry.ini";
    if (!registry.Load(userFile, platform::SharedDataDir() + "/registry-defaults.ini", error))
        return std::nullopt;
    const std::string name = "COM" + std::to_string(portNumber);
    if (auto path = platform::ResolveSerialName(name, &registry))
        return path;
    *error = name + " is not in the COM map: add a line \"" + name +
             "\"=\"/dev/ttyACM0\" (the phone's device) under [" +
             std::string(platform::kSerialCommKey) + "] in " + userFile + ", or give --device PATH";
    return std::nullopt;
}
