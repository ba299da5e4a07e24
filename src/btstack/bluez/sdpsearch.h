#pragma once
// Service search on a remote device over SDP (libbluetooth), bounded in time.
#include <string>
#include <vector>

#include "btstack/bluez/sdpelements.h"
#include "btstack/bttypes.h"

namespace btstack::bluez {

// Records of the service class on the device (those whose class list names it). False with a
// reason when the device could not be asked; true with no records when it has none.
bool SearchSdp(const BdAddr& address, const GUID& serviceClass, int connectTimeoutMs,
               std::vector<SdpRecordInfo>* records, std::string* error);

// Keeps the records whose class list names the class. An SDP server matches a search id that
// appears anywhere in a record, so a dial-up record mentioning the serial port class in another
// attribute would otherwise pass for a serial port.
std::vector<SdpRecordInfo> RecordsOfClass(std::vector<SdpRecordInfo> records, const GUID& serviceClass);

} // namespace btstack::bluez
