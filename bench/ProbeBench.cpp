// The handshake probe over eight pseudo-terminals at once: five simulated trackers and
// three ports where nobody answers, as a search over a crowded USB hub would meet them.
// The silent ports set the pace (their 350 ms first-reply wait); the goal is one second.

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "connect/Probe.h"
#include "sim/PtyTransport.h"
#include "sim/TrackerSimulator.h"

namespace {

struct SimulatedPort {
    zort::sim::TrackerSimulator simulator;
    zort::sim::PtyTransport transport{simulator};
};

// A pseudo-terminal whose master nobody reads: the port of a device that says nothing.
int OpenSilentPty(std::string& path) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0)
        return -1;
    path = name;
    return master;
}

}  // namespace

int main() {
    using Clock = std::chrono::steady_clock;
    constexpr int kTrackers = 5;
    constexpr int kSilent = 3;
    constexpr int kRounds = 10;

    std::vector<std::unique_ptr<SimulatedPort>> trackers;
    std::vector<std::string> ports;
    for (int i = 0; i < kTrackers; ++i) {
        trackers.push_back(std::make_unique<SimulatedPort>());
        std::string error;
        if (!trackers.back()->transport.Start(error)) {
            std::fprintf(stderr, "bench-probe: cannot start a simulated tracker: %s\n", error.c_str());
            return 1;
        }
        ports.push_back(trackers.back()->transport.SlavePath());
    }
    std::vector<int> masters;
    for (int i = 0; i < kSilent; ++i) {
        std::string path;
        const int master = OpenSilentPty(path);
        if (master < 0) {
            std::fprintf(stderr, "bench-probe: cannot create a pseudo-terminal\n");
            return 1;
        }
        masters.push_back(master);
        ports.insert(ports.begin() + 2 * i + 1, path);  // silent ports among the trackers
    }

    std::vector<double> seconds;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        const std::vector<zort::ProbeResult> results = zort::ProbePorts(zort::HostSystem(), ports);
        seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        const auto found = std::count_if(results.begin(), results.end(), [](const zort::ProbeResult& r) {
            return r.state == zort::ProbeState::kTracker;
        });
        if (found != kTrackers) {
            std::fprintf(stderr, "bench-probe: round %d found %ld trackers, not %d\n", round,
                         static_cast<long>(found), kTrackers);
            return 1;
        }
    }
    for (int master : masters) ::close(master);
    std::sort(seconds.begin(), seconds.end());
    std::printf(
        "probe of %zu ports (%d trackers, %d silent) in parallel over %d rounds: median %.3f s, max %.3f s "
        "(goal: <= 1 s)\n",
        ports.size(), kTrackers, kSilent, kRounds, seconds[kRounds / 2], seconds.back());
    return seconds.back() <= 1.0 ? 0 : 1;
}
