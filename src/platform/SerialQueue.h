#pragma once

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

// A sequence of jobs run in order on one worker thread of its own. Objects that belong to a
// queue are only touched from its jobs; results go back to the main thread with dispatchMain.
// Destroying the queue runs the jobs already queued, then joins the thread.
class SerialQueue {
public:
    explicit SerialQueue(QString label);
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const QString& label() const { return m_label; }

    void async(std::function<void()> job);
    // Lets go of `object` on the queue (after the jobs already queued): a large result whose
    // destruction would otherwise hold up the caller's thread. It is destroyed there unless
    // someone else still holds it.
    void release(std::shared_ptr<const void> object);
    // Runs the job on the queue and waits for it. Must not be called from the queue's own thread.
    void sync(const std::function<void()>& job);
    bool isCurrent() const { return std::this_thread::get_id() == m_thread.get_id(); }

private:
    void run();

    QString m_label;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace platform
