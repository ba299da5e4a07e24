#include "connectstatus.h"

#include "bluetooth/bdaddr.h"

namespace connectstatus {

std::string NoDeviceChosen() { return "No device is choosed!"; }

std::string ServiceNotFound(const std::string& deviceName) { return "Can't find " + deviceName + " !"; }

std::string Attempting(const BdAddr& address) { return "Attempting a connection with BDA: " + FormatBdAddr(address); }

std::string CreateConnectionFailed(int returnCode) {
    switch (returnCode) {
    case SPP_CLIENT_ALREADY_CONNECTED: return "CSppClient::CreateConnection failed, already connected!";
    case SPP_CLIENT_SERVER_NOT_EXIST: return "CSppClient::CreateConnection failed, server not exist!";
    default: return "CSppClient::CreateConnection failed, error code " + std::to_string(returnCode) + "!";
    }
}

std::string Connected(const BdAddr& address, int16_t comPort) {
    return "Connected with " + FormatBdAddr(address) + ", on COM port " + std::to_string(comPort);
}

std::string Disconnected(const BdAddr& address) { return "Disconnected from " + FormatBdAddr(address); }

std::string DiscoveryStarting(const BdAddr& address) { return "Starting discovery on BDA: " + FormatBdAddr(address); }

std::string DiscoveryStartFailed(const BdAddr& address) {
    return "ERROR, Start of Discovery Failed for BDA:  " + FormatBdAddr(address);
}

std::string ReadingRecords(const BdAddr& address) {
    return "Reading Discovery Records for BDA:  " + FormatBdAddr(address);
}

std::string ConnectingTo(const std::string& deviceName) { return "Connecting to " + deviceName; }

std::string SerialChosen(const std::string& deviceName, const std::string& devicePath, int16_t comPort) {
    return "Using " + deviceName + " on " + devicePath + ", COM port " + std::to_string(comPort);
}

std::string PhoneIdentified(const std::string& phoneName, int16_t comPort) {
    return "Connected to " + phoneName + ", on COM port " + std::to_string(comPort);
}

std::string LinkLost(const std::string& phoneName) {
    return "The connection to " + (phoneName.empty() ? std::string("the phone") : phoneName) +
           " was lost. File > Connect to phone... connects again.";
}

std::string NoPhoneClickedName() { return "(no phone selected)"; }

} // namespace connectstatus
