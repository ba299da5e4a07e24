#include "btstack/notifyqueue.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace btstack {

// Shared with the thread, so a thread left to end on its own never touches a destroyed queue.
struct NotifyQueue::State {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> jobs;
    bool stopping = false;
    std::thread thread;
    std::thread::id threadId;
};

namespace {

void runLoop(const std::shared_ptr<NotifyQueue::State>& state);

} // namespace

NotifyQueue::NotifyQueue() : m_state(std::make_shared<State>()) {}

NotifyQueue::~NotifyQueue() { Stop(); }

bool NotifyQueue::Post(std::function<void()> job) {
    std::lock_guard lock(m_state->mutex);
    if (m_state->stopping)
        return false;
    m_state->jobs.push_back(std::move(job));
    if (!m_state->thread.joinable()) {
        std::shared_ptr<State> state = m_state;
        m_state->thread = std::thread([state] { runLoop(state); });
        m_state->threadId = m_state->thread.get_id();
    }
    m_state->wake.notify_one();
    return true;
}

void NotifyQueue::Stop() {
    std::deque<std::function<void()>> dropped;
    std::thread thread;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
        dropped.swap(m_state->jobs);
        thread = std::move(m_state->thread);
        m_state->wake.notify_all();
    }
    dropped.clear(); // outside the lock: a job's captures may have destructors of their own
    if (thread.joinable()) {
        if (thread.get_id() == std::this_thread::get_id())
            thread.detach();
        else
            thread.join();
    }
}

bool NotifyQueue::Stopped() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->stopping;
}

bool NotifyQueue::OnQueueThread() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->threadId == std::this_thread::get_id();
}

namespace {

void runLoop(const std::shared_ptr<NotifyQueue::State>& state) {
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->wake.wait(lock, [&] { return state->stopping || !state->jobs.empty(); });
        if (state->stopping)
            return;
        std::function<void()> job = std::move(state->jobs.front());
        state->jobs.pop_front();
        lock.unlock();
        job();
        job = nullptr;
        lock.lock();
    }
}

} // namespace

} // namespace btstack
