#include "connect/PortWatcher.h"

#include <algorithm>
#include <utility>

namespace zort {
namespace {

// What `after` has that `before` has not, in the order of `after`.
std::vector<std::string> Missing(const std::vector<std::string>& before,
                                 const std::vector<std::string>& after) {
    std::vector<std::string> out;
    for (const std::string& p : after) {
        if (std::find(before.begin(), before.end(), p) == before.end()) out.push_back(p);
    }
    return out;
}

}  // namespace

PortWatcher::PortWatcher(const SystemView& system, CandidateOptions options, Listener listener,
                         std::chrono::milliseconds period)
    : system(system), options(std::move(options)), listener(std::move(listener)), period(period) {}

PortWatcher::~PortWatcher() {
    Stop();
}

void PortWatcher::Start() {
    std::lock_guard lock(mutex);
    if (thread.joinable()) return;
    stopping = false;
    thread = std::thread([this] { Loop(); });
}

void PortWatcher::Stop() {
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    if (thread.joinable()) thread.join();
}

void PortWatcher::Announce(const std::string& path) {
    {
        std::lock_guard lock(mutex);
        if (std::find(announced.begin(), announced.end(), path) == announced.end()) announced.push_back(path);
        lookAgain = true;
    }
    wake.notify_all();
}

void PortWatcher::Withdraw(const std::string& path) {
    {
        std::lock_guard lock(mutex);
        announced.erase(std::remove(announced.begin(), announced.end(), path), announced.end());
        lookAgain = true;
    }
    wake.notify_all();
}

std::vector<std::string> PortWatcher::Ports() const {
    std::lock_guard lock(mutex);
    return known;
}

std::vector<std::string> PortWatcher::Look() {
    CandidateOptions now = options;
    {
        std::lock_guard lock(mutex);
        lookAgain = false;
        now.also.insert(now.also.end(), announced.begin(), announced.end());
    }
    return CandidatePorts(system, now);
}

void PortWatcher::Loop() {
    for (bool first = true;; first = false) {
        const std::vector<std::string> ports = Look();
        PortChange change;
        {
            std::lock_guard lock(mutex);
            change.added = Missing(known, ports);
            change.removed = Missing(ports, known);
            known = ports;
        }
        // The first report goes out even when there is no port: the listener learns that
        // the search has been made.
        if (first || !change.Empty()) listener(change);

        std::unique_lock lock(mutex);
        wake.wait_for(lock, period, [this] { return stopping || lookAgain; });
        if (stopping) return;
    }
}

}  // namespace zort
