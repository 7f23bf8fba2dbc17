// zortcfg as a user runs it, a separate process against zort-sim (another one) over a
// pseudo-terminal paced at 9600 baud: how close a settings read and a firmware update
// come to the time the serial line itself needs, and how much CPU the CLI burns while
// it waits. The child's own resource usage is measured, not this program's.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/SimProcess.h"

namespace {

constexpr double kBaud = 9600.0;
constexpr double kBitsPerByte = 10.0;  // 8N1
constexpr int kReadExchanges = 31;     // 30 parameters and the extra read
constexpr int kReadExchangeBytes = 9 + 32;
constexpr double kReadPauseSeconds = 0.010;
constexpr size_t kFirmwareImage = 64 * 1024;
constexpr size_t kFirmwareBlock = 512;

struct ChildRun {
    int status = -1;
    double wallSeconds = 0.0;
    double cpuSeconds = 0.0;
};

ChildRun RunZortcfg(std::vector<std::string> args) {
    ChildRun run;
    args.insert(args.begin(), ZORTCFG_BINARY);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Output to /dev/null: stderr is then no terminal, so no progress bar either.
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, ZORTCFG_BINARY, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

double WireSeconds(double bytes) {
    return bytes * kBitsPerByte / kBaud;
}

std::string FirmwareFile() {
    char path[] = "/tmp/zortcfg-bench-XXXXXX.fmw";
    const int fd = mkstemps(path, 4);
    if (fd < 0) return {};
    std::vector<unsigned char> bytes(15 + kFirmwareImage);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 31 + 7);
    const bool written = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    close(fd);
    return written ? path : std::string();
}

// A fleet run: one tracker alone, then four side by side, each simulated tracker paced
// at 9600 baud and told its own IMEI. Side by side they should take about as long as one.
bool BenchProvision() {
    char home[] = "/tmp/zortcfg-bench-fleet-XXXXXX";
    if (mkdtemp(home) == nullptr) return false;
    setenv("XDG_DATA_HOME", home, 1);
    const std::string profile = std::string(home) + "/profile.json";
    if (FILE* out = std::fopen(profile.c_str(), "w")) {
        std::fputs(R"({"owner_phone": "+79161234567", "server_port": "20332", "time_zone": "5"})", out);
        std::fclose(out);
    }
    std::vector<std::unique_ptr<zort::test::SimProcess>> sims;
    for (int k = 0; k < 4; ++k) {
        sims.push_back(std::make_unique<zort::test::SimProcess>(std::vector<std::string>{
            "--baud", "9600", "--param", "0x080807E0=86123405000000" + std::to_string(k)}));
    }
    const auto run = [&](size_t count) {
        std::vector<std::string> args = {"provision", "--profile", profile};
        for (size_t k = 0; k < count; ++k) {
            args.push_back("--port");
            args.push_back(sims[k]->Path());
        }
        return RunZortcfg(args);
    };
    const ChildRun one = run(1);
    const ChildRun four = run(4);
    std::filesystem::remove_all(home);
    if (one.status != 0 || four.status != 0) {
        std::fprintf(stderr, "bench-cli: zortcfg provision exited with %d / %d\n", one.status, four.status);
        return false;
    }
    std::printf(
        "zortcfg provision at 9600 baud (read, write, read back): 1 tracker %.3f s, 4 side by side %.3f s; "
        "ratio %.2f (goal <= 1.25)\n",
        one.wallSeconds, four.wallSeconds, four.wallSeconds / one.wallSeconds);
    return true;
}

}  // namespace

int main() {
    // A settings read at 9600 baud, three times; the median run is reported.
    {
        zort::test::SimProcess sim({"--baud", "9600"});
        if (sim.Path().empty()) {
            std::fprintf(stderr, "bench-cli: the simulator did not start\n");
            return 1;
        }
        std::vector<ChildRun> runs;
        for (int i = 0; i < 3; ++i) {
            runs.push_back(RunZortcfg({"read", "--port", sim.Path()}));
            if (runs.back().status != 0) {
                std::fprintf(stderr, "bench-cli: zortcfg read exited with %d\n", runs.back().status);
                return 1;
            }
        }
        std::sort(runs.begin(), runs.end(),
                  [](const ChildRun& a, const ChildRun& b) { return a.wallSeconds < b.wallSeconds; });
        const ChildRun& r = runs[1];
        const double floor =
            WireSeconds(kReadExchanges * kReadExchangeBytes) + kReadExchanges * kReadPauseSeconds;
        std::printf(
            "zortcfg read at 9600 baud (median of 3): %.3f s wall; wire floor %.3f s "
            "(31 x 41 bytes + 31 x 10 ms); ratio %.3f (goal <= 1.05)\n",
            r.wallSeconds, floor, r.wallSeconds / floor);
        std::printf("zortcfg read CPU: %.4f s = %.2f%% of wall (goal <= 2%%)\n", r.cpuSeconds,
                    100.0 * r.cpuSeconds / r.wallSeconds);

        // A write reads the tracker first (for its list of changes and its backup): a dry
        // run is that read alone, and a full write adds the backup and the 25 writes.
        char home[] = "/tmp/zortcfg-bench-home-XXXXXX";
        if (mkdtemp(home) == nullptr) return 1;
        setenv("XDG_DATA_HOME", home, 1);
        const std::vector<std::string> write = {"write",      "--port", sim.Path(),
                                                "--defaults", "--set",  "owner_phone=+79001234567"};
        std::vector<std::string> dry = write;
        dry.push_back("--dry-run");
        const ChildRun before = RunZortcfg(dry);
        const ChildRun full = RunZortcfg(write);
        std::printf(
            "zortcfg write at 9600 baud: the read before it %.3f s (%.2f x one read; goal <= 1.05), "
            "the whole write with backup %.3f s\n",
            before.wallSeconds, before.wallSeconds / r.wallSeconds, full.wallSeconds);
        std::filesystem::remove_all(home);
        if (before.status != 0 || full.status != 0) {
            std::fprintf(stderr, "bench-cli: zortcfg write exited with %d / %d\n", before.status,
                         full.status);
            return 1;
        }
    }

    if (!BenchProvision()) return 1;

    const std::string firmware = FirmwareFile();
    if (firmware.empty()) {
        std::fprintf(stderr, "bench-cli: cannot create the firmware file\n");
        return 1;
    }
    const size_t blocks = (kFirmwareImage + kFirmwareBlock - 1) / kFirmwareBlock;
    // Erase (9 + 1 bytes), then per block a 9-byte header, the block and a 1-byte ack.
    const double firmwareBytes =
        10.0 + static_cast<double>(blocks) * 10.0 + static_cast<double>(kFirmwareImage);
    for (const char* baud : {"0", "9600"}) {
        zort::test::SimProcess sim({"--baud", baud});
        const ChildRun r = RunZortcfg({"flash", "--port", sim.Path(), firmware});
        if (r.status != 0) {
            std::fprintf(stderr, "bench-cli: zortcfg flash exited with %d\n", r.status);
            unlink(firmware.c_str());
            return 1;
        }
        if (std::string(baud) == "0") {
            std::printf("zortcfg flash 64 KiB, no line pacing: %.3f s wall, %.4f s CPU (%.1f%% of wall)\n",
                        r.wallSeconds, r.cpuSeconds, 100.0 * r.cpuSeconds / r.wallSeconds);
        } else {
            const double floor = WireSeconds(firmwareBytes);
            std::printf(
                "zortcfg flash 64 KiB at 9600 baud: %.3f s wall; wire floor %.3f s; ratio %.3f "
                "(goal <= 1.05); CPU %.4f s = %.2f%% of wall\n",
                r.wallSeconds, floor, r.wallSeconds / floor, r.cpuSeconds,
                100.0 * r.cpuSeconds / r.wallSeconds);
        }
    }
    unlink(firmware.c_str());
    return 0;
}
