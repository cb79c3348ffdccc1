#include "coordinator/gracetimer.h"
#include "support/waitfor.h"

#include <gtest/gtest.h>

using namespace slatewick;
using namespace std::chrono_literals;

TEST(GraceTimer, FiresOnceAfterItsWaitAndNeverAfterAStop)
{
    GraceTimer zero, stopped, sentinel;
    int zeroFired = 0, stoppedFired = 0, sentinelFired = 0;
    QObject::connect(&zero, &GraceTimer::timeout, [&] { ++zeroFired; });
    QObject::connect(&stopped, &GraceTimer::timeout, [&] { ++stoppedFired; });
    QObject::connect(&sentinel, &GraceTimer::timeout, [&] { ++sentinelFired; });

    zero.start(0s);
    EXPECT_EQ(zeroFired, 0) << "a zero wait still ends in a later turn of the loop";
    stopped.start(1s);
    stopped.stop();
    EXPECT_FALSE(stopped.isActive());
    // Started after the stopped one with the same wait, so it fires no earlier.
    sentinel.start(1s);
    ASSERT_TRUE(testsupport::waitFor([&] { return sentinelFired == 1; }, 10s));
    EXPECT_EQ(zeroFired, 1);
    EXPECT_EQ(stoppedFired, 0);
    EXPECT_EQ(sentinelFired, 1);
    EXPECT_FALSE(sentinel.isActive());
}
