// Serial channel figures against zort-sim (a separate process) over a pseudo-terminal:
// the round-trip time of one parameter read, and the CPU a time-out costs.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "link/SerialPort.h"
#include "support/SimProcess.h"

namespace {

double CpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main() {
    using Clock = std::chrono::steady_clock;
    zort::test::SimProcess sim({"--fault", "drop@1#2001"});
    zort::SerialPort port;
    if (sim.Path().empty() || port.Open(sim.Path()) != 1) {
        std::fprintf(stderr, "bench-link: cannot reach the simulator\n");
        return 1;
    }

    constexpr int kRounds = 2000;
    std::vector<double> ms;
    ms.reserve(kRounds);
    for (int i = 0; i < kRounds; ++i) {
        const auto start = Clock::now();
        port.SendFrame(zort::kCmdReadParameter, 0x08080460, 0, nullptr);
        if (!port.WaitReply(32, 4000)) {
            std::fprintf(stderr, "bench-link: round trip %d timed out\n", i);
            return 1;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "read-parameter round trip over %d: median %.3f ms, p99 %.3f ms, max %.3f ms (goal: median <= 0.3 "
        "ms)\n",
        kRounds, ms[kRounds / 2], ms[kRounds * 99 / 100], ms.back());

    // The 2001st read is dropped by the simulator: a full 4 s time-out.
    const double cpu0 = CpuSeconds();
    const auto start = Clock::now();
    port.SendFrame(zort::kCmdReadParameter, 0x08080460, 0, nullptr);
    const bool got = port.WaitReply(32, 4000);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = CpuSeconds() - cpu0;
    std::printf("4 s time-out: %s after %.3f s wall, %.4f s CPU = %.3f%% of wall (goal: <= 1%%)\n",
                got ? "answered (unexpected)" : "timed out", wall, cpu, 100.0 * cpu / wall);
    port.Close();
    return 0;
}
