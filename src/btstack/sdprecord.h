#pragma once
// One service record read back by CBtIf::ReadDiscoveryRecords.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "btstack/bttypes.h"

class CSdpDiscoveryRec {
public:
    static constexpr size_t kMaxServiceName = 256;

    CSdpDiscoveryRec();

    // The service name as zero-terminated text. It is the first member, and the class is
    // standard-layout, so code that reads "the text at the start of the record" gets it too.
    char m_service_name[kMaxServiceName];

    // Writes the record's RFCOMM server channel; false (and *scn untouched) when the record
    // has none or scn is null.
    bool FindRFCommScn(uint8_t* scn) const;

    std::string_view ServiceName() const;
    const GUID& ServiceClass() const { return m_serviceClass; }

    // Filled by the stack.
    void Assign(std::string_view serviceName, const GUID& serviceClass, int rfcommChannel);

private:
    GUID m_serviceClass{};
    int m_rfcommChannel = -1; // -1: no RFCOMM in the protocol list
};
