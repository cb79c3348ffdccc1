#include "engine/fairlock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace slatewick;

namespace {

// Waits on a condition with a deadline instead of sleeping a fixed time.
bool eventually(const std::function<bool()> &condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace

TEST(FairLock, WaitersTakeTheLockInArrivalOrder)
{
    FairLock lock;
    std::mutex orderMutex;
    std::vector<int> order;
    lock.lock();
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&, i] {
            lock.lock();
            {
                std::lock_guard guard(orderMutex);
                order.push_back(i);
            }
            lock.unlock();
        });
        // The next thread starts only once this one is queued.
        ASSERT_TRUE(eventually([&] { return lock.waiting() == static_cast<std::uint64_t>(i + 1); }));
    }
    lock.unlock();
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(lock.waiting(), 0u);
}

TEST(FairLock, AReleasingHolderQueuesBehindTheWaiters)
{
    FairLock lock;
    std::vector<char> order;
    std::mutex orderMutex;
    const auto record = [&](char who) {
        std::lock_guard guard(orderMutex);
        order.push_back(who);
    };
    lock.lock();
    std::thread other([&] {
        for (int i = 0; i < 3; ++i) {
            lock.lock();
            record('B');
            lock.unlock();
        }
    });
    ASSERT_TRUE(eventually([&] { return lock.waiting() == 1; }));
    record('A');
    lock.unlock();
    lock.lock(); // behind B's waiting ticket
    record('A');
    lock.unlock();
    other.join();
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(order[0], 'A');
    EXPECT_EQ(order[1], 'B');
}
