#pragma once
// The COM map of harlune-cli: COMn is found in the same registry file as the windows find it
// (HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM in the user's registry.ini), so --port N
// opens the device the user registered.
#include <optional>
#include <string>

// Loads the shipped defaults and the user's registry file, then looks up COMn. The device path,
// or nullopt with a sentence saying what is wrong and how to register the port.
std::optional<std::string> ResolveCliPort(int portNumber, std::string* error);
