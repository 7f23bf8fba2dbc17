// When a read of a tracker may stand in for reading it again.

#include <gtest/gtest.h>

#include "history/RecentRead.h"

namespace zort {
namespace {

using namespace std::chrono_literals;

TEST(RecentRead, HoldsForAMinuteOnItsPortUntilAnotherOperationBegins) {
    RecentRead read;
    read.port = "/dev/ttyACM0";
    read.at = std::chrono::steady_clock::time_point(100s);
    read.operationsBegun = 7;
    const auto at = [&](std::chrono::milliseconds later) { return read.at + later; };
    EXPECT_FALSE(StillHolds(read, "/dev/ttyACM0", at(1s), 7)) << "a read never taken";
    read.valid = true;
    EXPECT_TRUE(StillHolds(read, "/dev/ttyACM0", at(0s), 7));
    EXPECT_TRUE(StillHolds(read, "/dev/ttyACM0", at(59999ms), 7));
    EXPECT_FALSE(StillHolds(read, "/dev/ttyACM0", at(60s), 7)) << "a minute old";
    EXPECT_FALSE(StillHolds(read, "/dev/ttyACM1", at(1s), 7)) << "another port";
    EXPECT_FALSE(StillHolds(read, "/dev/ttyACM0", at(1s), 8)) << "an operation since";
    EXPECT_FALSE(StillHolds(read, "/dev/ttyACM0", read.at - 1s, 7)) << "stamped after now";
}

}  // namespace
}  // namespace zort
