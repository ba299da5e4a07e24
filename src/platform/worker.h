#pragma once
// A worker thread. Unlike the fire-and-forget threads of the Windows build, a Worker is owned:
// its owner either joins it or outlives it, so a worker never runs on after the data it touches
// is gone. Destroying a Worker joins the thread.
#include <cstdio>
#include <cstdlib>
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
    // Joining from the worker's own body would wait for itself; detaching instead would let
    // the thread run on into its owner's freed memory. Either is a programming error, stopped
    // here in every build (not only with assertions on).
    void Join() {
        if (!m_thread.joinable())
            return;
        if (m_thread.get_id() == std::this_thread::get_id()) {
            std::fputs("platform::Worker::Join called on the worker's own thread\n", stderr);
            std::abort();
        }
        m_thread.join();
    }
    bool Running() const { return m_thread.joinable(); }

private:
    std::thread m_thread;
};

} // namespace platform
