#pragma once
// What the program reads from an SDP service record, taken from libbluetooth's parsed record
// with libbluetooth's own accessors. libbluetooth parses the phone's bytes (sdp_extract_pdu,
// inside the search request); the tests and the fuzz target hand recorded bytes to the same
// function, so what they check is what the search sees.
#include <cstdint>
#include <string>
#include <vector>

#include <bluetooth/bluetooth.h>
#include <bluetooth/sdp.h>

#include "btstack/bttypes.h"

namespace btstack::bluez {

// What the program needs from one service record.
struct SdpRecordInfo {
    std::string serviceName;          // attribute 0x0100, cut at the first zero byte
    std::vector<GUID> serviceClasses; // attribute 0x0001, 16- and 32-bit ids widened to 128 bits
    int rfcommChannel = -1;           // from the protocol descriptor list; -1: no RFCOMM (or a bad channel)
};

// Name, classes and RFCOMM channel of a record; missing or mistyped attributes stay empty.
SdpRecordInfo RecordInfoOf(const sdp_record_t& record);

// Our addresses run most significant byte first, as they are written; the kernel's
// bdaddr_t keeps them least significant byte first.
bdaddr_t ToBdaddr(const BdAddr& address);
BdAddr FromBdaddr(const bdaddr_t& b);

// Frees a record libbluetooth parsed. sdp_record_free leaves the contents of alternatives
// (data element type 7) allocated; some phones send their protocol lists as alternatives.
void FreeRecord(sdp_record_t* record);

// A 16- or 32-bit SDP UUID on the Bluetooth base UUID.
GUID GuidFromShortUuid(uint32_t shortUuid);

} // namespace btstack::bluez
