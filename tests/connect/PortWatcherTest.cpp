// Plugging and pulling ports while the watcher runs, on a made-up sysfs.

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "connect/PortWatcher.h"
#include "support/MadeUpTree.h"

namespace zort {
namespace {

using namespace std::chrono_literals;

class Reports {
  public:
    void operator()(const PortChange& change) {
        std::lock_guard lock(mutex);
        changes.push_back(change);
        arrived.notify_all();
    }
    // Waits for report `n` (0-based); a watcher that never reports fails the test
    // instead of hanging it.
    PortChange Wait(std::size_t n) {
        std::unique_lock lock(mutex);
        EXPECT_TRUE(arrived.wait_for(lock, 10s, [&] { return changes.size() > n; })) << "report " << n;
        return changes.size() > n ? changes[n] : PortChange{};
    }
    std::size_t Count() {
        std::lock_guard lock(mutex);
        return changes.size();
    }

  private:
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<PortChange> changes;
};

struct WatchedTree {
    WatchedTree() {
        view.sysRoot = tree.Path("sys");
        view.devRoot = "/dev";
        tree.Dir("sys/class/tty/console");
        tree.Dir("usb");
    }
    void Plug(const std::string& name) { tree.Link("sys/class/tty/" + name + "/device", tree.Path("usb")); }
    void Pull(const std::string& name) { std::filesystem::remove_all(tree.Path("sys/class/tty/" + name)); }

    test::MadeUpTree tree;
    FixedSystemView view;
    Reports reports;
};

TEST(PortWatcher, ReportsWhatIsThereThenEachPlugAndPullOnce) {
    WatchedTree w;
    w.Plug("ttyACM0");
    PortWatcher watcher(w.view, {}, std::ref(w.reports), 20ms);
    watcher.Start();
    EXPECT_EQ(w.reports.Wait(0).added, std::vector<std::string>{"/dev/ttyACM0"});

    w.Plug("ttyUSB1");
    PortChange plugged = w.reports.Wait(1);
    EXPECT_EQ(plugged.added, std::vector<std::string>{"/dev/ttyUSB1"});
    EXPECT_TRUE(plugged.removed.empty());

    w.Pull("ttyACM0");
    PortChange pulled = w.reports.Wait(2);
    EXPECT_TRUE(pulled.added.empty());
    EXPECT_EQ(pulled.removed, std::vector<std::string>{"/dev/ttyACM0"});
    EXPECT_EQ(watcher.Ports(), std::vector<std::string>{"/dev/ttyUSB1"});

    watcher.Stop();
    const std::size_t reported = w.reports.Count();
    w.Plug("ttyACM3");
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(w.reports.Count(), reported) << "nothing is reported after Stop";
}

TEST(PortWatcher, AnAnnouncedPortArrivesAtOnceAndGoesWhenWithdrawn) {
    WatchedTree w;
    // No second look unless one is announced: an announcement wakes the watcher.
    PortWatcher watcher(w.view, {}, std::ref(w.reports), 1h);
    watcher.Start();
    EXPECT_TRUE(w.reports.Wait(0).Empty()) << "the first look is reported even when it finds nothing";

    watcher.Announce("/dev/pts/7");
    EXPECT_EQ(w.reports.Wait(1).added, std::vector<std::string>{"/dev/pts/7"});
    watcher.Announce("/dev/pts/7");  // announced twice, listed once
    watcher.Withdraw("/dev/pts/7");
    EXPECT_EQ(w.reports.Wait(2).removed, std::vector<std::string>{"/dev/pts/7"});
    EXPECT_TRUE(watcher.Ports().empty());
}

}  // namespace
}  // namespace zort
