#pragma once
// COM port names. The program names its serial ports "COMn" (or the long form "\\?\COMn"); the
// device behind a name is looked up under HARDWARE\DEVICEMAP\SERIALCOMM, where the Bluetooth
// stack backend registers its ports (the demo phone's pty, /dev/rfcommN) and a user can add their
// own (a USB modem at /dev/ttyACM0).
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class Registry;

inline constexpr std::string_view kSerialCommKey = "HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM";

// "COM5", "\\?\COM5" and "com5" all give 5; anything else gives nullopt.
std::optional<int> ComPortNumber(std::string_view name);

// Registers a live (never saved) mapping COMn -> device path.
void RegisterSerialPort(int portNumber, const std::string& devicePath, Registry* registry = nullptr);
void UnregisterSerialPort(int portNumber, Registry* registry = nullptr);

// The device path for a COM name, or nullopt when the name is not mapped (the open then fails).
std::optional<std::string> ResolveSerialName(std::string_view name, Registry* registry = nullptr);

} // namespace platform
