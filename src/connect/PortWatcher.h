#pragma once
// Notices trackers being plugged in and pulled out. The candidate ports are looked at
// again every `period` (the kernel's tty class in sysfs, or Windows's list of COM ports in
// the registry: cheap, and unlike device events it needs no daemon, no rights and no
// window) and at once when a port is announced; each change is reported once, on the
// watcher's own thread.
//
// A pseudo-terminal has no device in sysfs: a simulated tracker is announced and
// withdrawn, and reaches the listener exactly as a plugged port does.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "connect/PortCandidates.h"
#include "connect/SystemView.h"

namespace zort {

// Fast enough that a plugged tracker is seen well within two seconds, the probe included.
inline constexpr std::chrono::milliseconds kPortPollPeriod{500};

struct PortChange {
    std::vector<std::string> added;
    std::vector<std::string> removed;

    bool Empty() const { return added.empty() && removed.empty(); }
};

class PortWatcher {
  public:
    using Listener = std::function<void(const PortChange&)>;

    PortWatcher(const SystemView& system, CandidateOptions options, Listener listener,
                std::chrono::milliseconds period = kPortPollPeriod);
    ~PortWatcher();
    PortWatcher(const PortWatcher&) = delete;
    PortWatcher& operator=(const PortWatcher&) = delete;

    // The first report lists every port present now as added. The listener must not
    // call Stop (it runs on the thread Stop joins).
    void Start();
    // Returns once the watcher's thread has ended; no report runs after that.
    void Stop();

    void Announce(const std::string& path);
    void Withdraw(const std::string& path);

    // The ports as last reported.
    std::vector<std::string> Ports() const;

  private:
    void Loop();
    std::vector<std::string> Look();

    const SystemView& system;
    const CandidateOptions options;
    const Listener listener;
    const std::chrono::milliseconds period;

    mutable std::mutex mutex;  // guards everything below
    std::condition_variable wake;
    std::vector<std::string> announced;
    std::vector<std::string> known;
    bool lookAgain = false;
    bool stopping = false;
    std::thread thread;
};

}  // namespace zort
