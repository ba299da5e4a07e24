#pragma once
// The program's debug channel (where a Windows build would use the debugger's output).
// Silent unless enabled by --debug or HARLUNE_DEBUG=1; then every line goes to stderr with a
// timestamp. Safe to call from any thread.
#include <functional>
#include <string_view>

namespace platform {

void DebugLog(std::string_view text);
void SetDebugLogEnabled(bool enabled);
bool DebugLogEnabled();

// Tests capture the traffic instead of reading stderr. Pass an empty function to remove.
void SetDebugLogSink(std::function<void(std::string_view)> sink);

} // namespace platform
