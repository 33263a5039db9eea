#include <gtest/gtest.h>

#include <QTest>

#include "platform/Timers.h"

namespace {

// The Qt timers are installed by the test program as by the library.
TEST(QtTimers, FireOnTheEventLoopOnceOrUntilStopped)
{
    ITimers& timers = GetTimers();
    int once = 0;
    int repeated = 0;
    int stopped = 0;
    timers.Start(5, false, [&] { ++once; });
    const uint64_t every = timers.Start(5, true, [&] { ++repeated; });
    const uint64_t never = timers.Start(5, false, [&] { ++stopped; });
    timers.Stop(never);
    EXPECT_EQ(once, 0); // nothing runs before the loop does
    EXPECT_TRUE(QTest::qWaitFor([&] { return repeated >= 3; }, 2000));
    timers.Stop(every);
    const int atStop = repeated;
    QTest::qWait(30);
    EXPECT_EQ(once, 1);
    EXPECT_EQ(repeated, atStop);
    EXPECT_EQ(stopped, 0);
    timers.Stop(every); // again, and an id never given: nothing happens
    timers.Stop(0);
}

} // namespace
