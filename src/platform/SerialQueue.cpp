#include "platform/SerialQueue.h"

#include "platform/Log.h"

#include <future>

namespace platform {

SerialQueue::SerialQueue(QString label)
    : m_label(std::move(label))
    , m_thread([this] { run(); })
{
}

SerialQueue::~SerialQueue()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void SerialQueue::async(std::function<void()> job)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void SerialQueue::release(std::shared_ptr<const void> object)
{
    if (!object)
        return;
    // The job may be copied on its way to the queue: the one reference lives in a holder that
    // every copy shares, and is dropped when the job runs.
    auto holder = std::make_shared<std::shared_ptr<const void>>(std::move(object));
    async([holder] { holder->reset(); });
}

void SerialQueue::sync(const std::function<void()>& job)
{
    if (isCurrent()) {
        job();
        return;
    }
    std::promise<void> done;
    async([&] {
        try {
            job();
            done.set_value();
        } catch (...) {
            done.set_exception(std::current_exception());
        }
    });
    done.get_future().get();
}

void SerialQueue::run()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty())
                return; // stopping, and everything queued has run
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        try {
            job();
        } catch (const std::exception& e) {
            Log::error(m_label, QStringLiteral("job failed: %1").arg(QString::fromUtf8(e.what())));
        } catch (...) {
            Log::error(m_label, QStringLiteral("job failed"));
        }
    }
}

} // namespace platform
