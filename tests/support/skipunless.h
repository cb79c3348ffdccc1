#pragma once

#include <string>

// Skips the test unless every argument is empty: each is what the machine answered
// when asked for something the test needs (a mount namespace, a loop device, strace),
// and the first refusal is printed as the reason.
#define SLATEWICK_SKIP_UNLESS_ALLOWED(...)                 \
    for (const std::string &refusal_ : {__VA_ARGS__})     \
        if (!refusal_.empty())                             \
    GTEST_SKIP() << refusal_
