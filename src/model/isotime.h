#pragma once

#include <chrono>
#include <string>

namespace slatewick {

// 2026-12-04T23:39:24Z: UTC to the second.
std::string isoTimeText(std::chrono::system_clock::time_point time);

} // namespace slatewick
