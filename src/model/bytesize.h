#pragma once

#include <cstdint>
#include <string>

namespace slatewick {

// A byte count in decimal units, as disks are sold and file managers show them:
// "512 bytes", "1.0 kB", "12.4 MB", "61.2 GB"; one decimal from kB up.
std::string formattedSize(std::int64_t bytes);

} // namespace slatewick
