#include "model/transferrate.h"

#include <cmath>

namespace slatewick {

TransferRate::Sample TransferRate::sample(std::int64_t done, std::int64_t total, Clock::time_point now)
{
    if (!m_started) {
        m_started = true;
        m_start = now;
        m_startBytes = done;
    }
    Sample sample{done, total, std::nullopt, std::nullopt};
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    // Under half a second the speed says little.
    if (seconds < 0.5 || done <= m_startBytes)
        return sample;
    const double perSecond = static_cast<double>(done - m_startBytes) / seconds;
    sample.bytesPerSecond = static_cast<std::int64_t>(perSecond);
    if (total > done)
        sample.secondsLeft = static_cast<std::int64_t>(std::ceil(static_cast<double>(total - done) / perSecond));
    return sample;
}

} // namespace slatewick
