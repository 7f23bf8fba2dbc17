// The doctor against the simulated tracker on a pseudo-terminal.

#include <gtest/gtest.h>

#include "connect/Doctor.h"
#include "support/SimulatedTracker.h"

namespace zort {
namespace {

// The whole run against the simulator, as `zortcfg doctor --port` will do it.
TEST(Doctor, TheHandshakeOfASimulatedTracker) {
    test::SimulatedTracker tracker;
    DoctorOptions options;
    options.port = tracker.Path();
    const std::vector<CheckResult> results = RunDoctor(HostSystem(), options);
    ASSERT_FALSE(results.empty());
    EXPECT_EQ(results.back().line, "трекер отвечает: ЗОРТ Z410 №004217, ПО Z410 2.14, IMEI 861234050123456");
    EXPECT_FALSE(AnyProblem(results));
}

}  // namespace
}  // namespace zort
