#include "app/PortFinder.h"

#include <algorithm>

#include "connect/SystemView.h"
#include "worker/DeviceContext.h"

namespace zort {
namespace {

void AddOnce(std::vector<std::string>& list, const std::string& item) {
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

void Drop(std::vector<std::string>& list, const std::string& item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

PortFinder::PortFinder(PortLease& lease, Receivers receivers, ProbeOptions options)
    : lease(lease),
      receivers(std::move(receivers)),
      options(std::move(options)),
      watcher(HostSystem(), CandidateOptions{}, [this](const PortChange& change) { Changed(change); }) {}

PortFinder::~PortFinder() {
    Stop();
}

void PortFinder::Start() {
    {
        std::lock_guard lock(mutex);
        if (started) return;
        started = true;
    }
    worker = std::jthread([this](std::stop_token stop) { Loop(stop); });
    watcher.Start();
}

void PortFinder::Stop() {
    // A report waiting for the main thread is dropped first: the main thread may be the
    // one waiting here.
    calls.Detach();
    watcher.Stop();
    if (worker.joinable()) {
        worker.request_stop();
        worker.join();
    }
}

void PortFinder::Announce(const std::string& path) {
    watcher.Announce(path);
}

void PortFinder::Withdraw(const std::string& path) {
    watcher.Withdraw(path);
}

void PortFinder::SearchAgain() {
    {
        std::lock_guard lock(mutex);
        for (const std::string& port : watcher.Ports()) AddOnce(toProbe, port);
    }
    pendingChanged.notify_all();
}

// On the watcher's thread: only note the work, so that plugging never waits for a probe.
void PortFinder::Changed(const PortChange& change) {
    {
        std::lock_guard lock(mutex);
        for (const std::string& port : change.added) {
            AddOnce(toProbe, port);
            Drop(removed, port);
        }
        for (const std::string& port : change.removed) {
            AddOnce(removed, port);
            Drop(toProbe, port);
        }
    }
    pendingChanged.notify_all();
}

void PortFinder::Loop(std::stop_token stop) {
    for (;;) {
        PortReport report;
        std::vector<std::string> ports;
        {
            std::unique_lock lock(mutex);
            const bool work =
                pendingChanged.wait(lock, stop, [this] { return !toProbe.empty() || !removed.empty(); });
            if (!work) return;
            ports.swap(toProbe);
            report.removed.swap(removed);
            report.first = firstPending;
            firstPending = false;
        }
        if (!ports.empty()) {
            if (!lease.TakeWhenFree(this, kSearchActivity, stop)) return;
            calls.Run(receivers.leaseChanged);
            report.probed = ProbePorts(HostSystem(), ports, options);
            lease.Give(this);
        }
        calls.Run([&] {
            receivers.report(report);
            if (!ports.empty()) receivers.leaseChanged();
        });
    }
}

}  // namespace zort
