#pragma once

#include <stdexcept>

namespace slatewick {

// Raised when a drain stops because its card was taken out or the program is quitting.
class CancellationError final : public std::runtime_error {
public:
    CancellationError()
        : std::runtime_error("The drain was cancelled.")
    {
    }
};

} // namespace slatewick
