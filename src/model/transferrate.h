#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace slatewick {

// The figures under a copying row: bytes done of the total, the speed and the time
// left, from the samples of one copy (a new phase starts it again).
class TransferRate {
public:
    using Clock = std::chrono::steady_clock;

    struct Sample {
        std::int64_t done = 0;
        std::int64_t total = 0;
        std::optional<std::int64_t> bytesPerSecond; // once it can be told
        std::optional<std::int64_t> secondsLeft;    // with the speed, while bytes are left
        bool operator==(const Sample &) const = default;
    };

    Sample sample(std::int64_t done, std::int64_t total, Clock::time_point now);
    void restart() { m_started = false; }

private:
    bool m_started = false;
    Clock::time_point m_start;
    std::int64_t m_startBytes = 0;
};

} // namespace slatewick
