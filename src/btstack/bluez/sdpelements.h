#pragma once
// Reading of SDP service records from their wire form (the SDP data-element encoding), with no
// I/O: the search code hands over the bytes a phone sent, the tests hand over recorded ones.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "btstack/bttypes.h"

namespace btstack::bluez {

// What the program needs from one service record.
struct SdpRecordInfo {
    std::string serviceName;          // attribute 0x0100, cut at the first zero byte
    std::vector<GUID> serviceClasses; // attribute 0x0001, 16- and 32-bit ids widened to 128 bits
    int rfcommChannel = -1;           // from the protocol descriptor list; -1: no RFCOMM (or a bad channel)
};

struct SdpParseResult {
    bool ok = false;
    std::string error; // what was wrong, with the byte offset
    std::vector<SdpRecordInfo> records;
};

// One record: a sequence of (16-bit attribute id, value) pairs.
SdpParseResult ParseSdpRecord(std::span<const uint8_t> bytes);
// The attribute lists of a service search attribute response: a sequence of records.
SdpParseResult ParseSdpAttributeLists(std::span<const uint8_t> bytes);

// A 16- or 32-bit SDP UUID on the Bluetooth base UUID.
GUID GuidFromShortUuid(uint32_t shortUuid);

} // namespace btstack::bluez
