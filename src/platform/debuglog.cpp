#include "debuglog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace platform {
namespace {

std::mutex& logMutex() {
    static std::mutex m;
    return m;
}

bool& enabledFlag() {
    static bool enabled = [] {
        const char* env = std::getenv("HARLUNE_DEBUG");
        return env && *env && std::strcmp(env, "0") != 0;
    }();
    return enabled;
}

std::function<void(std::string_view)>& sinkSlot() {
    static std::function<void(std::string_view)> sink;
    return sink;
}

// Control characters are made visible so that a transcript shows CR, LF and Ctrl-Z as sent.
std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c < 0x20 || c == 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else
            out += static_cast<char>(c);
    }
    return out;
}

} // namespace

void DebugLog(std::string_view text) {
    std::lock_guard lock(logMutex());
    if (sinkSlot()) {
        sinkSlot()(text);
        return;
    }
    if (!enabledFlag())
        return;
    using namespace std::chrono;
    auto now = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    std::fprintf(stderr, "[%lld.%03lld] %s\n", static_cast<long long>(now / 1000),
                 static_cast<long long>(now % 1000), printable(text).c_str());
}

void SetDebugLogEnabled(bool enabled) {
    std::lock_guard lock(logMutex());
    enabledFlag() = enabled;
}

bool DebugLogEnabled() {
    std::lock_guard lock(logMutex());
    return enabledFlag();
}

void SetDebugLogSink(std::function<void(std::string_view)> sink) {
    std::lock_guard lock(logMutex());
    sinkSlot() = std::move(sink);
}

} // namespace platform
