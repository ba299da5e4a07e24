#include "event.h"

#include <chrono>

namespace platform {

void Event::Set() {
    {
        std::lock_guard lock(m_mutex);
        m_signalled = true;
    }
    if (m_manualReset)
        m_cv.notify_all();
    else
        m_cv.notify_one();
}

void Event::Reset() {
    std::lock_guard lock(m_mutex);
    m_signalled = false;
}

bool Event::Wait(uint32_t milliseconds) {
    std::unique_lock lock(m_mutex);
    auto ready = [this] { return m_signalled; };
    if (milliseconds == kInfinite)
        m_cv.wait(lock, ready);
    else if (!m_cv.wait_for(lock, std::chrono::milliseconds(milliseconds), ready))
        return false;
    if (!m_manualReset)
        m_signalled = false;
    return true;
}

bool Event::IsSignalled() const {
    std::lock_guard lock(m_mutex);
    return m_signalled;
}

} // namespace platform
