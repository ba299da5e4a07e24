#pragma once
// The stack thread of one object: runs its requests and notifications one after another, never
// on the thread that made the request. The thread starts with the first job, so objects built
// during static initialisation start none.
#include <functional>
#include <memory>
#include <thread>

namespace btstack {

class NotifyQueue {
public:
    NotifyQueue();
    ~NotifyQueue(); // Stop()
    NotifyQueue(const NotifyQueue&) = delete;
    NotifyQueue& operator=(const NotifyQueue&) = delete;

    // False once Stop was called: the job is dropped.
    bool Post(std::function<void()> job);
    // Drops queued jobs and waits for a running one to return, so nothing runs afterwards. From
    // inside a job it cannot wait for itself: it drops the rest and lets the thread end alone.
    void Stop();
    bool Stopped() const;
    bool OnQueueThread() const;

    struct State; // shared with the thread

private:
    std::shared_ptr<State> m_state;
};

} // namespace btstack
