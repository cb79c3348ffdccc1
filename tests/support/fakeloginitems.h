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
    void registerItem() override { record(registerCalls, true); }
    void unregisterItem() override { record(unregisterCalls, false); }

private:
    void record(int &calls, bool nowRegistered)
    {
        ++calls;
        if (!failWith.empty())
            throw std::runtime_error(failWith);
        registered = nowRegistered;
    }
};

} // namespace slatewick::testsupport
