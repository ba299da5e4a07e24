// Linked into test programs that run against the demo phone without a main() of their own
// (GoogleTest's, QTest's): registers "sim" before any test starts, as the programs' mains do.
#include "btstack/sim/registersim.h"

namespace {
const bool s_registered = (btstack::RegisterSimBackend(), true);
} // namespace
