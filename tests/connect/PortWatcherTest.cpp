// Plugging and pulling ports while the watcher runs, on a made-up sysfs (on Windows, a
// list of COM ports that changes).

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "connect/PortWatcher.h"

#ifndef _WIN32
#include "support/MadeUpTree.h"
#endif

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

#ifdef _WIN32

// The COM ports Windows lists, changed while the watcher looks.
class ChangingPortList : public SystemView {
  public:
    std::vector<std::string> SerialPorts() const override {
        std::lock_guard lock(mutex);
        return ports;
    }
    void Add(const std::string& port) {
        std::lock_guard lock(mutex);
        ports.push_back(port);
    }
    void Remove(const std::string& port) {
        std::lock_guard lock(mutex);
        ports.erase(std::remove(ports.begin(), ports.end(), port), ports.end());
    }

  private:
    mutable std::mutex mutex;
    std::vector<std::string> ports;
};

struct WatchedTree {
    // The port's name as the watcher reports it.
    std::string Plug(const std::string& name) {
        view.Add(name);
        return name;
    }
    void Pull(const std::string& name) { view.Remove(name); }

    ChangingPortList view;
    Reports reports;
};

const char* const kPorts[] = {"COM3", "COM12", "COM4"};
const char* const kAnnounced = "COM20";

#else

struct WatchedTree {
    WatchedTree() {
        view.sysRoot = tree.Path("sys");
        view.devRoot = "/dev";
        tree.Dir("sys/class/tty/console");
        tree.Dir("usb");
    }
    // The port's path as the watcher reports it.
    std::string Plug(const std::string& name) {
        tree.Link("sys/class/tty/" + name + "/device", tree.Path("usb"));
        return "/dev/" + name;
    }
    void Pull(const std::string& name) { std::filesystem::remove_all(tree.Path("sys/class/tty/" + name)); }

    test::MadeUpTree tree;
    FixedSystemView view;
    Reports reports;
};

const char* const kPorts[] = {"ttyACM0", "ttyUSB1", "ttyACM3"};
const char* const kAnnounced = "/dev/pts/7";

#endif

TEST(PortWatcher, ReportsWhatIsThereThenEachPlugAndPullOnce) {
    WatchedTree w;
    const std::string first = w.Plug(kPorts[0]);
    PortWatcher watcher(w.view, {}, std::ref(w.reports), 20ms);
    watcher.Start();
    EXPECT_EQ(w.reports.Wait(0).added, std::vector<std::string>{first});

    const std::string second = w.Plug(kPorts[1]);
    PortChange plugged = w.reports.Wait(1);
    EXPECT_EQ(plugged.added, std::vector<std::string>{second});
    EXPECT_TRUE(plugged.removed.empty());

    w.Pull(kPorts[0]);
    PortChange pulled = w.reports.Wait(2);
    EXPECT_TRUE(pulled.added.empty());
    EXPECT_EQ(pulled.removed, std::vector<std::string>{first});
    EXPECT_EQ(watcher.Ports(), std::vector<std::string>{second});

    watcher.Stop();
    const std::size_t reported = w.reports.Count();
    w.Plug(kPorts[2]);
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(w.reports.Count(), reported) << "nothing is reported after Stop";
}

TEST(PortWatcher, AnAnnouncedPortArrivesAtOnceAndGoesWhenWithdrawn) {
    WatchedTree w;
    // No second look unless one is announced: an announcement wakes the watcher.
    PortWatcher watcher(w.view, {}, std::ref(w.reports), 1h);
    watcher.Start();
    EXPECT_TRUE(w.reports.Wait(0).Empty()) << "the first look is reported even when it finds nothing";

    watcher.Announce(kAnnounced);
    EXPECT_EQ(w.reports.Wait(1).added, std::vector<std::string>{kAnnounced});
    watcher.Announce(kAnnounced);  // announced twice, listed once
    watcher.Withdraw(kAnnounced);
    EXPECT_EQ(w.reports.Wait(2).removed, std::vector<std::string>{kAnnounced});
    EXPECT_TRUE(watcher.Ports().empty());
}

}  // namespace
}  // namespace zort
