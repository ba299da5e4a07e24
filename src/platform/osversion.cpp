#include "osversion.h"

namespace platform {

bool GetVersionEx(OsVersionInfo&) { return false; }

} // namespace platform
