#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace slatewick {

// The line under a copying row: bytes done of the total, the speed and the time
// left, from the samples of one copy (a new phase starts it again).
class TransferRate {
public:
    using Clock = std::chrono::steady_clock;

    // "1.2 GB of 4.0 GB · 85.3 MB/s · 33 s left"; speed and time once they can be told.
    std::string line(std::int64_t done, std::int64_t total, Clock::time_point now);
    void restart() { m_started = false; }

private:
    bool m_started = false;
    Clock::time_point m_start;
    std::int64_t m_startBytes = 0;
};

} // namespace slatewick
