#pragma once

#include <stdexcept>

namespace slatewick {

// Registers the program to start when the user signs in. Failures throw an
// exception whose what() is the system's reason.
class LoginItemService {
public:
    virtual ~LoginItemService() = default;
    virtual bool isEnabled() const = 0;
    virtual void registerItem() = 0;
    virtual void unregisterItem() = 0;
};

} // namespace slatewick
