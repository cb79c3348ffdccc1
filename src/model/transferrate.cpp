#include "model/transferrate.h"

#include "model/bytesize.h"

#include <cmath>
#include <cstdio>

namespace slatewick {

namespace {

std::string timeLeftText(double seconds)
{
    const auto whole = static_cast<std::int64_t>(std::ceil(seconds));
    if (whole < 60)
        return std::to_string(whole) + " s left";
    if (whole < 3600)
        return std::to_string((whole + 30) / 60) + " min left";
    return std::to_string(whole / 3600) + " h " + std::to_string((whole % 3600) / 60) + " min left";
}

} // namespace

std::string TransferRate::line(std::int64_t done, std::int64_t total, Clock::time_point now)
{
    if (!m_started) {
        m_started = true;
        m_start = now;
        m_startBytes = done;
    }
    std::string text = formattedSize(done) + " of " + formattedSize(total);
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    // Under half a second the speed says little.
    if (seconds < 0.5 || done <= m_startBytes)
        return text;
    const double perSecond = static_cast<double>(done - m_startBytes) / seconds;
    text += " \u00b7 " + formattedSize(static_cast<std::int64_t>(perSecond)) + "/s";
    if (total > done)
        text += " \u00b7 " + timeLeftText(static_cast<double>(total - done) / perSecond);
    return text;
}

} // namespace slatewick
