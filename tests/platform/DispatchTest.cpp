#include "platform/Debounce.h"
#include "platform/Dispatch.h"
#include "platform/SerialQueue.h"
#include "platform/Timer.h"

#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

using namespace platform;
using testsupport::spin;
using testsupport::waitUntil;

TEST(Debounce, ReplacesThePendingCallAndFiresOnceAfterTheLastCall)
{
    QObject receiver;
    int calls = 0;
    QElapsedTimer sinceLastCall;
    qint64 waitedMs = -1;
    for (int i = 0; i < 3; ++i) {
        debounce(&receiver, QStringLiteral("refresh"), 0.1, [&] {
            ++calls;
            waitedMs = sinceLastCall.elapsed();
        });
        sinceLastCall.start();
        spin(30);
    }
    EXPECT_TRUE(isDebouncePending(&receiver, QStringLiteral("refresh")));
    ASSERT_TRUE(waitUntil([&] { return calls > 0; }, 2000));
    spin(150);
    EXPECT_EQ(calls, 1);
    EXPECT_GE(waitedMs, 90); // counted from the last call, not the first
    EXPECT_FALSE(isDebouncePending(&receiver, QStringLiteral("refresh")));
}

TEST(Debounce, KeysAreIndependentAndCancelStopsThem)
{
    QObject receiver;
    int a = 0, b = 0;
    debounce(&receiver, QStringLiteral("a"), 0.02, [&] { ++a; });
    debounce(&receiver, QStringLiteral("b"), 0.02, [&] { ++b; });
    cancelDebounce(&receiver, QStringLiteral("b"));
    spin(100);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);
}

TEST(Debounce, HugeDelaysWaitInsteadOfWrappingRound)
{
    QObject receiver;
    int calls = 0;
    for (const double seconds : {1e7, 1e300, std::numeric_limits<double>::infinity()}) {
        debounce(&receiver, QStringLiteral("huge"), seconds, [&] { ++calls; });
        spin(30);
        EXPECT_TRUE(isDebouncePending(&receiver, QStringLiteral("huge"))) << seconds;
    }
    EXPECT_EQ(calls, 0);
}

TEST(Debounce, APendingCallDiesWithItsReceiver)
{
    int calls = 0;
    auto receiver = std::make_unique<QObject>();
    debounce(receiver.get(), QStringLiteral("x"), 0.02, [&] { ++calls; });
    receiver.reset();
    spin(80);
    EXPECT_EQ(calls, 0);
}

TEST(Debounce, TheCallMayDebounceAgainAndDestroyItsReceiver)
{
    auto receiver = std::make_unique<QObject>();
    int calls = 0;
    std::function<void()> again = [&] {
        ++calls;
        if (calls < 2)
            debounce(receiver.get(), QStringLiteral("x"), 0.01, again);
        else
            receiver.reset();
    };
    debounce(receiver.get(), QStringLiteral("x"), 0.01, again);
    ASSERT_TRUE(waitUntil([&] { return calls == 2; }, 2000));
    spin(30);
    EXPECT_EQ(receiver, nullptr);
}

TEST(SerialQueue, RunsJobsInOrderOnOneThreadAndResultsComeBackOnTheMainThread)
{
    SerialQueue queue(QStringLiteral("test"));
    std::vector<int> order;
    std::set<std::thread::id> threads;
    std::mutex mutex;
    std::vector<int> deliveredOnMain;
    bool allOnMain = true;
    for (int i = 0; i < 200; ++i) {
        queue.async([&, i] {
            {
                std::lock_guard<std::mutex> lock(mutex);
                order.push_back(i);
                threads.insert(std::this_thread::get_id());
            }
            dispatchMain([&, i] {
                allOnMain = allOnMain && isMainThread();
                deliveredOnMain.push_back(i);
            });
        });
    }
    ASSERT_TRUE(waitUntil([&] { return deliveredOnMain.size() == 200; }));
    std::vector<int> expected(200);
    for (int i = 0; i < 200; ++i)
        expected[size_t(i)] = i;
    EXPECT_EQ(order, expected);
    EXPECT_EQ(deliveredOnMain, expected);
    EXPECT_TRUE(allOnMain);
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_NE(*threads.begin(), std::this_thread::get_id());
}

TEST(SerialQueue, SyncWaitsAndPropagatesFailureAndDestructionDrainsTheQueue)
{
    std::atomic<int> ran{0};
    {
        SerialQueue queue(QStringLiteral("drain"));
        int value = 0;
        queue.sync([&] { value = 42; });
        EXPECT_EQ(value, 42);
        EXPECT_THROW(queue.sync([] { throw std::runtime_error("boom"); }), std::runtime_error);
        queue.async([] { throw std::runtime_error("a failing job does not stop the queue"); });
        for (int i = 0; i < 50; ++i)
            queue.async([&] {
                QThread::usleep(100);
                ++ran;
            });
    }
    EXPECT_EQ(ran.load(), 50);
}

// A large result let go on the queue is destroyed there, after the jobs before it, and only once
// the last holder has gone.
TEST(SerialQueue, AnObjectReleasedOnTheQueueIsDestroyedThere)
{
    struct Tracked {
        Tracked(std::atomic<int>* onMain, std::atomic<int>* all) : destroyedOnMain(onMain), destroyed(all) {}
        std::atomic<int>* destroyedOnMain;
        std::atomic<int>* destroyed;
        ~Tracked()
        {
            *destroyedOnMain += isMainThread() ? 1 : 0;
            *destroyed += 1;
        }
    };
    std::atomic<int> destroyedOnMain = 0;
    std::atomic<int> destroyed = 0;
    SerialQueue queue(QStringLiteral("release"));
    std::atomic<bool> go{false}, before{false}, after{false};
    queue.async([&] {
        while (!go.load())
            QThread::msleep(1);
        before = true;
    });
    queue.release(std::make_shared<Tracked>(&destroyedOnMain, &destroyed));
    auto kept = std::make_shared<Tracked>(&destroyedOnMain, &destroyed);
    queue.release(kept);
    queue.release(nullptr);
    EXPECT_EQ(destroyed, 0); // the job before it still runs
    go = true;
    queue.async([&] { after = before.load(); });
    ASSERT_TRUE(testsupport::waitUntil([&] { return after.load(); }));
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(destroyedOnMain, 0);
    kept.reset();
    EXPECT_EQ(destroyed, 2);
}

TEST(Timer, OneShotRestartsAndRepeatingTimersStop)
{
    Timer once;
    int onceCalls = 0;
    once.start(0.05, [&] { ++onceCalls; });
    spin(20);
    once.start(0.05, [&] { ++onceCalls; }); // restart: still one call
    spin(150);
    EXPECT_EQ(onceCalls, 1);
    EXPECT_FALSE(once.isActive());

    Timer repeating;
    int ticks = 0;
    repeating.start(0.01, [&] {
        if (++ticks == 3)
            repeating.stop();
    }, true);
    spin(150);
    EXPECT_EQ(ticks, 3);
}

TEST(Dispatch, AfterRunsLaterOnTheMainThreadFromAnyThread)
{
    bool onMain = false;
    bool ran = false;
    std::thread worker([&] { dispatchAfter(0.02, [&] { ran = true; onMain = isMainThread(); }); });
    worker.join();
    EXPECT_FALSE(ran);
    ASSERT_TRUE(waitUntil([&] { return ran; }, 2000));
    EXPECT_TRUE(onMain);
}

// A job that belongs to an object runs while the object lives and is dropped once it is gone,
// whether it was queued from the main thread or from a worker, at once or after a delay.
TEST(Dispatch, AJobWithAContextIsDroppedWhenItsObjectIsGone)
{
    auto kept = std::make_unique<QObject>();
    auto gone = std::make_unique<QObject>();
    std::atomic<int> keptRuns{0}, goneRuns{0};
    dispatchMain(kept.get(), [&] { ++keptRuns; });
    dispatchMain(gone.get(), [&] { ++goneRuns; });
    dispatchAfter(0.02, kept.get(), [&] { ++keptRuns; });
    dispatchAfter(0.02, gone.get(), [&] { ++goneRuns; });
    std::thread worker([&, keptObject = kept.get(), goneObject = gone.get()] {
        dispatchMain(keptObject, [&] { ++keptRuns; });
        dispatchMain(goneObject, [&] { ++goneRuns; });
    });
    worker.join();
    gone.reset();
    ASSERT_TRUE(waitUntil([&] { return keptRuns == 3; }, 2000));
    spin(50);
    EXPECT_EQ(goneRuns, 0);
}
