#pragma once
// Registration of an RFCOMM server channel and its security level before an OBEX push.
#include <cstdint>
#include <string>

#include "btstack/bttypes.h"

class CRfCommIf {
public:
    CRfCommIf() = default;
    virtual ~CRfCommIf() = default;

    // Nonzero on success. 0 for an RFCOMM channel outside 1..30 (channel 0 means "not found
    // yet" to the callers, and there is nothing to connect to there) or a null class id.
    int AssignScnValue(const GUID* classId, uint8_t scn);
    // Nonzero on success; 0 for an empty or over-long service name or before AssignScnValue.
    int SetSecurityLevel(const char* serviceName, uint8_t securityLevel, bool isServer);

    uint8_t Scn() const { return m_scn; }
    const std::string& ServiceName() const { return m_serviceName; }
    uint8_t SecurityLevel() const { return m_securityLevel; }

private:
    GUID m_classId{};
    uint8_t m_scn = 0;
    std::string m_serviceName;
    uint8_t m_securityLevel = 0;
};
