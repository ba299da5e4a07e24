#pragma once
// A worker thread. Unlike the fire-and-forget threads of the Windows build, a Worker is owned:
// its owner either joins it or outlives it, so a worker never runs on after the data it touches
// is gone. Destroying a Worker joins the thread.
#include <functional>
#include <thread>

namespace platform {

class Worker {
public:
    Worker() = default;
    explicit Worker(std::function<void()> body) { Start(std::move(body)); }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;
    Worker(Worker&&) = default;
    Worker& operator=(Worker&& other) {
        Join();
        m_thread = std::move(other.m_thread);
        return *this;
    }
    ~Worker() { Join(); }

    // Joins a previous body first, so at most one thread runs per Worker.
    void Start(std::function<void()> body) {
        Join();
        m_thread = std::thread(std::move(body));
    }
    void Join() {
        if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
            m_thread.join();
        else if (m_thread.joinable())
            m_thread.detach();
    }
    bool Running() const { return m_thread.joinable(); }

private:
    std::thread m_thread;
};

} // namespace platform
