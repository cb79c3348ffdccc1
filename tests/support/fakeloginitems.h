#pragma once

#include "coordinator/loginitemservice.h"

#include <stdexcept>
#include <string>

namespace slatewick::testsupport {

// A login-item service that records its calls and fails on request.
class FakeLoginItems final : public LoginItemService {
public:
    bool registered = false;
    std::string failWith; // non-empty: register and unregister throw this reason
    int registerCalls = 0;
    int unregisterCalls = 0;

    bool isEnabled() const override { return registered; }
    void registerItem() override
    {
        ++registerCalls;
        if (!failWith.empty())
            throw std::runtime_error(failWith);
        registered = true;
    }
    void unregisterItem() override
    {
        ++unregisterCalls;
        if (!failWith.empty())
            throw std::runtime_error(failWith);
        registered = false;
    }
};

} // namespace slatewick::testsupport
