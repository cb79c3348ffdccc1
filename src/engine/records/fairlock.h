#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace slatewick {

// A lock taken in arrival order (a ticket lock). The engine holds it only for the
// short steps that drains share, so a drain that arrives is never passed over by
// drains that keep coming back for it.
class FairLock {
public:
    void lock();
    void unlock();

private:
    std::mutex m_mutex;
    std::condition_variable m_turn;
    std::uint64_t m_nextTicket = 0;
    std::uint64_t m_serving = 0;
};

// Holds a FairLock for one stretch; an absent lock makes it do nothing.
class FairLockHold {
public:
    explicit FairLockHold(FairLock *lock)
        : m_lock(lock)
    {
        if (m_lock)
            m_lock->lock();
    }
    ~FairLockHold()
    {
        if (m_lock)
            m_lock->unlock();
    }
    FairLockHold(const FairLockHold &) = delete;
    FairLockHold &operator=(const FairLockHold &) = delete;

private:
    FairLock *m_lock;
};

} // namespace slatewick
