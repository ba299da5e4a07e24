#include "btstack/rfcommif.h"

#include <cstring>

namespace {
constexpr uint8_t kMaxRfcommChannel = 30;
constexpr size_t kMaxServiceNameLength = 255;
}

int CRfCommIf::AssignScnValue(const GUID* classId, uint8_t scn) {
    if (!classId || scn < 1 || scn > kMaxRfcommChannel)
        return 0;
    m_classId = *classId;
    m_scn = scn;
    return 1;
}

int CRfCommIf::SetSecurityLevel(const char* serviceName, uint8_t securityLevel, bool) {
    if (m_scn == 0 || !serviceName || !*serviceName || std::strlen(serviceName) > kMaxServiceNameLength)
        return 0;
    m_serviceName = serviceName;
    m_securityLevel = securityLevel;
    return 1;
}
