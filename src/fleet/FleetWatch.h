#pragma once
// Provisioning as trackers are plugged in, for an installer with a box of them: each
// tracker that appears is set up on a thread of its own, and a tracker already set up
// in this run is left alone until it is pulled out and plugged in again. A tracker that
// restarts on its new firmware vanishes and comes back on its own: that is no replug.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "connect/PortWatcher.h"
#include "fleet/Provisioning.h"

namespace zort {

class FleetWatch {
  public:
    struct Events {
        std::function<void(const std::string& port)> started;  // on the tracker's thread
        // Each step as it begins ("чтение", "запись", ...), on the tracker's thread.
        std::function<void(const std::string& port, const std::string& step)> step;
        std::function<void(const TrackerReport&)> done;  // one at a time
    };

    // `ports`: which ports are watched (USB serial ports, and named ones while they exist).
    // `jobs`: trackers set up at once; 0 for no limit.
    FleetWatch(ProvisionPlan plan, CandidateOptions ports, int jobs, Events events,
               std::chrono::milliseconds period = kPortPollPeriod);
    ~FleetWatch();
    FleetWatch(const FleetWatch&) = delete;
    FleetWatch& operator=(const FleetWatch&) = delete;

    void Start();
    // No tracker starts after this; returns once those under way have ended.
    void Stop();
    // The ports plugged in as last seen.
    std::vector<std::string> Ports() const { return watcher.Ports(); }

  private:
    void Changed(const PortChange& change);
    void Provision(const std::string& port);

    const ProvisionPlan plan;
    const int jobs;
    const Events events;

    std::mutex mutex;  // guards everything up to `threads`
    std::condition_variable slotFreed;
    std::set<std::string> running;
    std::set<std::string> provisioned;         // since they were plugged in
    std::set<std::string> pulledWhileRunning;  // these count as not provisioned once done
    std::map<std::string, std::chrono::steady_clock::time_point> restarting;
    int active = 0;
    bool stopping = false;
    std::vector<std::jthread> threads;

    std::mutex reporting;  // one report at a time
    PortWatcher watcher;   // last: it goes first, so no change arrives after the rest
};

}  // namespace zort
