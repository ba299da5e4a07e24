#pragma once
// A Win32-style event: unnamed, auto- or manual-reset, with a timed wait.
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace platform {

class Event {
public:
    static constexpr uint32_t kInfinite = 0xFFFFFFFF;

    explicit Event(bool manualReset = false, bool initiallySignalled = false)
        : m_manualReset(manualReset), m_signalled(initiallySignalled) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    // True when the event was signalled within the time; an auto-reset event is then reset.
    bool Wait(uint32_t milliseconds = kInfinite);
    bool IsSignalled() const;

private:
    const bool m_manualReset;
    bool m_signalled;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
};

} // namespace platform
