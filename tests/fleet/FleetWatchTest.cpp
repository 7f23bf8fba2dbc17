// Trackers plugged in one after another while the watch runs; a named path stands in for
// the port, appearing and vanishing with a symbolic link to a simulated tracker.

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>

#include "fleet/FleetWatch.h"
#include "support/SimulatedTracker.h"
#include "support/TempFolder.h"

namespace zort {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class Done {
  public:
    void operator()(const TrackerReport& report) {
        std::lock_guard lock(mutex);
        reports.push_back(report);
        arrived.notify_all();
    }
    // Waits for report `n` (0-based).
    TrackerReport Wait(std::size_t n) {
        std::unique_lock lock(mutex);
        EXPECT_TRUE(arrived.wait_for(lock, 20s, [&] { return reports.size() > n; })) << "report " << n;
        return reports.size() > n ? reports[n] : TrackerReport{};
    }
    std::size_t Count() {
        std::lock_guard lock(mutex);
        return reports.size();
    }

  private:
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<TrackerReport> reports;
};

TEST(FleetWatch, EachPluggedTrackerIsSetUpOnceUntilItIsPluggedInAgain) {
    test::TempFolder folder("fleet-watch");
    test::SimulatedTracker first;
    test::SimulatedTracker second;
    second.simulator.WithModel([](sim::TrackerModel& m) {
        m.SetParameterText(0x080807E0, "861234050000002");
        return 0;
    });
    ProvisionPlan plan;
    plan.profile = R"({"owner_phone": "+79161234567"})";
    plan.profileSource = "profile.json";
    plan.backupRoot = folder.File("backups");
    const std::string a = folder.File("a");
    const std::string b = folder.File("b");
    Done done;
    FleetWatch watch(plan, {false, {a, b}}, 0, {{}, {}, std::ref(done)}, 20ms);
    watch.Start();

    fs::create_symlink(first.Path(), a);
    const TrackerReport one = done.Wait(0);
    EXPECT_TRUE(one.ok) << one.message;
    EXPECT_EQ(one.port, a);
    EXPECT_EQ(one.imei, "861234050123456");
    fs::create_symlink(second.Path(), b);
    EXPECT_EQ(done.Wait(1).imei, "861234050000002");

    // Still plugged in: left alone. Pulled out and plugged in again: set up again.
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(done.Count(), 2u);
    fs::remove(a);
    for (auto end = std::chrono::steady_clock::now() + 10s;
         watch.Ports().size() != 1 && std::chrono::steady_clock::now() < end;) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(watch.Ports(), std::vector<std::string>{b}) << "the pull was never seen";
    fs::create_symlink(first.Path(), a);
    EXPECT_EQ(done.Wait(2).port, a);
    watch.Stop();
    EXPECT_EQ(done.Count(), 3u);
    EXPECT_EQ(second.simulator.WithModel([](sim::TrackerModel& m) { return m.ParameterText(0x08080460); }),
              "+79161234567");
}

}  // namespace
}  // namespace zort
