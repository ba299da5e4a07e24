#pragma once
// The operating-system version query of a Windows build. Linux has no such record, so the query
// fails, which callers treat as "unrecognised system".
#include <cstdint>

namespace platform {

struct OsVersionInfo {
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0;
    uint32_t platformId = 0;
};

// Always false here; the record is left untouched.
bool GetVersionEx(OsVersionInfo& info);

} // namespace platform
