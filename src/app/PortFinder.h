#pragma once
// Looks for trackers while the program runs: at start, whenever a port is plugged in or
// pulled out, and when the user lists the ports again. Each new port is probed on a
// thread of its own; what was found reaches the main thread as one report.
//
// The probe opens the port, so it takes the channel's lease like any operation: it waits
// while a read, a write or an update runs, and nothing else starts during its second.

#include <QObject>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "app/MainThreadCalls.h"
#include "connect/PortWatcher.h"
#include "connect/Probe.h"

namespace zort {

class PortLease;

inline constexpr const char* kSearchActivity = "идёт поиск трекера";

struct PortReport {
    std::vector<ProbeResult> probed;   // ports plugged in (or asked about again), as found
    std::vector<std::string> removed;  // ports pulled out
    bool first = false;                // the search at start
};

class PortFinder {
  public:
    struct Receivers {
        std::function<void(const PortReport&)> report;  // on the main thread
        std::function<void()> leaseChanged;             // on the main thread
    };

    // Created on the main thread. `lease` outlives the finder.
    PortFinder(PortLease& lease, Receivers receivers, ProbeOptions options = {});
    ~PortFinder();
    PortFinder(const PortFinder&) = delete;
    PortFinder& operator=(const PortFinder&) = delete;

    // The first report covers every port present then, and those announced before.
    void Start();
    // No report runs after this returns; a probe under way is finished first (about a
    // second at most).
    void Stop();

    // Ports that are no USB device (the demo tracker, a port named by the user): found
    // and lost as a plugged port is.
    void Announce(const std::string& path);
    void Withdraw(const std::string& path);
    // Probes every port known again (the user lists the ports).
    void SearchAgain();

  private:
    void Changed(const PortChange& change);
    void Loop(std::stop_token stop);

    PortLease& lease;
    const Receivers receivers;
    const ProbeOptions options;
    MainThreadCalls calls;
    PortWatcher watcher;

    std::mutex mutex;  // guards the pending work
    std::condition_variable_any pendingChanged;
    std::vector<std::string> toProbe;
    std::vector<std::string> removed;
    bool firstPending = true;
    bool started = false;
    std::jthread worker;
};

}  // namespace zort
