#pragma once
// The status lines of the connection steps, as pure functions so the exact texts are pinned by
// tests without a stack. Users see these texts; tools and people match them, so they are kept
// word for word (including the double blank after "BDA:" in two of them).
#include "btstack/bttypes.h"

#include <string>

namespace connectstatus {

std::string NoDeviceChosen();                                   // dialog cancelled
std::string ServiceNotFound(const std::string& deviceName);     // no serial-port service
std::string Attempting(const BdAddr& address);                  // request accepted
std::string CreateConnectionFailed(int returnCode);             // request refused (rc != 0)
std::string Connected(const BdAddr& address, int16_t comPort);  // state 0
std::string Disconnected(const BdAddr& address);                // any other state
std::string DiscoveryStarting(const BdAddr& address);
std::string DiscoveryStartFailed(const BdAddr& address);
std::string ReadingRecords(const BdAddr& address);
std::string ConnectingTo(const std::string& deviceName);        // per OBEX record

// A phone or modem on a serial port was chosen: "Using Dunmere Test modem (/dev/ttyACM0) on
// /dev/ttyACM0, COM port 200".
std::string SerialChosen(const std::string& deviceName, const std::string& devicePath, int16_t comPort);
// Once the connected phone told its maker and model: "Connected to Dunmere T68, on COM port 5".
std::string PhoneIdentified(const std::string& phoneName, int16_t comPort);
// The line went down under an open link (cable pulled, phone off, Bluetooth out of range).
std::string LinkLost(const std::string& phoneName);

// The name shown when OK was pressed before any phone was clicked.
std::string NoPhoneClickedName();

} // namespace connectstatus
