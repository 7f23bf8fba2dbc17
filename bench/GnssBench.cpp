// The receiver update against zort-sim (a separate process, answering at once) with the
// product's own pauses and time-outs: an 11892-byte loader and a 256 KiB image. What
// the run costs beyond the pauses the update prescribes is our own overhead.

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "firmware/GPSUpdateThread.h"
#include "support/SimProcess.h"

namespace {

double CpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

bool WriteFile(const std::string& path, size_t length, int seed) {
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < length; ++i) out.put(static_cast<char>(i * seed + (i >> 9)));
    return static_cast<bool>(out);
}

// Counts what a window would have to draw.
class CountingSink : public zort::WorkerSink {
  public:
    void ShowProgress(const std::string&) override {}
    void SetProgress(int, int) override { ++progressCalls; }
    void HideProgress() override {}
    void ShowMessage(int, const std::string& message, const std::string&) override { last = message; }
    void LogLine(const std::string& line) override { last = line; }
    int progressCalls = 0;
    std::string last;
};

}  // namespace

int main() {
    using Clock = std::chrono::steady_clock;
    constexpr size_t kFirmwareLength = 256 * 1024;
    const std::string dir = "/tmp/bench-gnss-" + std::to_string(getpid());
    const std::string loader = dir + "-loader.bin";
    const std::string firmware = dir + "-firmware.bin";
    if (!WriteFile(loader, zort::kGnssLoaderLength, 7) || !WriteFile(firmware, kFirmwareLength, 13)) {
        std::fprintf(stderr, "bench-gnss: cannot write the test files\n");
        return 1;
    }

    zort::test::SimProcess sim({});
    if (sim.Path().empty()) {
        std::fprintf(stderr, "bench-gnss: cannot start the simulator\n");
        return 1;
    }
    zort::DeviceContext context;
    context.SetPortName(sim.Path());
    CountingSink sink;
    zort::GPSUpdateThread worker(context, sink);
    worker.loaderPath = loader;
    worker.firmwarePath = firmware;

    const double cpu0 = CpuSeconds();
    const auto start = Clock::now();
    worker.Start();
    worker.Join();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = CpuSeconds() - cpu0;
    std::remove(loader.c_str());
    std::remove(firmware.c_str());
    if (!worker.succeeded) {
        std::fprintf(stderr, "bench-gnss: the update failed: %s\n", sink.last.c_str());
        return 1;
    }

    // 2 x 50 ms around the receiver's restart, 8 x 200 ms for the texts, 1000 ms before
    // the loader's sum, 5 x 200 ms setting the loader up, 2 x 200 ms closing.
    const zort::LinkTimings t;
    const double pauses =
        (2.0 * t.gnssSwitchPauseMs + 15.0 * t.gnssPassPauseMs + t.gnssChecksumPauseMs) / 1000.0;
    std::printf("receiver update, %zu-byte loader, %zu KiB image, %d progress calls, %s:\n",
                zort::kGnssLoaderLength, kFirmwareLength / 1024, sink.progressCalls,
                worker.priority.Describe().c_str());
    std::printf("  wall %.3f s - prescribed pauses %.3f s = %.3f s of exchange (goal: <= 1 s)\n", wall,
                pauses, wall - pauses);
    std::printf("  CPU %.3f s = %.2f%% of wall (goal: <= 5%%)\n", cpu, 100.0 * cpu / wall);
    return 0;
}
