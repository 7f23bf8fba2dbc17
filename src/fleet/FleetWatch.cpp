#include "fleet/FleetWatch.h"

#include "connect/SystemView.h"

namespace zort {
namespace {

// How long after an update the tracker's port may vanish and come back on its own.
constexpr std::chrono::seconds kRestartGrace = kRestartWait + std::chrono::seconds(5);

}  // namespace

FleetWatch::FleetWatch(ProvisionPlan plan, CandidateOptions ports, int jobs, Events events,
                       std::chrono::milliseconds period)
    : plan(std::move(plan)),
      jobs(jobs),
      events(std::move(events)),
      watcher(
          HostSystem(),
          [&ports] {
              ports.presentOnly = true;
              return ports;
          }(),
          [this](const PortChange& change) { Changed(change); }, period) {}

FleetWatch::~FleetWatch() {
    Stop();
}

void FleetWatch::Start() {
    watcher.Start();
}

void FleetWatch::Stop() {
    watcher.Stop();
    std::vector<std::jthread> ending;
    {
        std::lock_guard lock(mutex);
        stopping = true;
        ending.swap(threads);
    }
    slotFreed.notify_all();
    ending.clear();  // joins
}

// On the watcher's thread: only note the work and start its thread.
void FleetWatch::Changed(const PortChange& change) {
    std::lock_guard lock(mutex);
    const auto now = std::chrono::steady_clock::now();
    for (const std::string& port : change.removed) {
        provisioned.erase(port);
        if (running.count(port) != 0) pulledWhileRunning.insert(port);
    }
    for (const std::string& port : change.added) {
        if (stopping || running.count(port) != 0 || provisioned.count(port) != 0) continue;
        if (const auto r = restarting.find(port); r != restarting.end()) {
            const bool ownRestart = now < r->second;
            restarting.erase(r);
            if (ownRestart) {
                provisioned.insert(port);
                continue;
            }
        }
        running.insert(port);
        threads.emplace_back([this, port] { Provision(port); });
    }
}

void FleetWatch::Provision(const std::string& port) {
    {
        std::unique_lock lock(mutex);
        slotFreed.wait(lock, [this] { return stopping || jobs <= 0 || active < jobs; });
        if (stopping) {
            running.erase(port);
            return;
        }
        ++active;
    }
    if (events.started) events.started(port);
    const TrackerReport report = ProvisionTracker(port, plan, [&](const std::string& step) {
        if (events.step) events.step(port, step);
    });
    {
        std::lock_guard lock(mutex);
        --active;
        running.erase(port);
        if (pulledWhileRunning.erase(port) == 0) provisioned.insert(port);
        if (report.versionAfter != report.versionBefore) {
            restarting[port] = std::chrono::steady_clock::now() + kRestartGrace;
        }
    }
    slotFreed.notify_all();
    std::lock_guard lock(reporting);
    if (events.done) events.done(report);
}

}  // namespace zort
