// Soak: cycles of settings read, settings write and a 16 KiB firmware update on one
// DeviceContext, each against its own zort-sim process, with a fault in about a tenth of
// the requests (seeded, so a run can be repeated). Every run must end as its faults
// predict, none may hang, and descriptors, threads and resident memory must not creep.
//
// Usage: bench-soak [seed] [cycles]

#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "firmware/MCUpdateThread.h"
#include "link/CommandFrame.h"
#include "settings/ExchangeTable.h"
#include "settings/RWSettingsThread.h"
#include "support/SimProcess.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace zort;

constexpr int kReplyMs = 100;  // every reply wait; the tracker's own are 4 s and 10 s
constexpr size_t kImageLength = 16 * 1024;
constexpr int kBlocks = static_cast<int>(kImageLength / kFirmwareBlockSize);
constexpr double kFaultShare = 0.1;

int CountEntries(const char* folder) {
    DIR* dir = opendir(folder);
    if (!dir) return -1;
    int n = 0;
    while (const dirent* e = readdir(dir)) n += e->d_name[0] != '.';
    closedir(dir);
    return n;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

struct Sample {
    int cycle;
    int fds;
    int threads;
    long rssKiB;
};

Sample Measure(int cycle) {
    // opendir's own descriptor is counted every time alike.
    return {cycle, CountEntries("/proc/self/fd"), CountEntries("/proc/self/task"), ResidentKiB()};
}

class LastMessage : public WorkerSink {
  public:
    void ShowProgress(const std::string&) override {}
    void SetProgress(int, int) override {}
    void HideProgress() override {}
    void ShowMessage(int, const std::string& m, const std::string&) override { message = m; }
    std::string message;
};

enum Fault { kNoReply, kShort, kLate, kExtra, kGarbage, kClose, kFaultKinds };

// One operation of a cycle: its requests (all frames of one command code but the
// firmware's erase) and what ends it.
struct Plan {
    std::vector<std::string> rules;  // for zort-sim --fault
    std::string expected;            // the message the run must end with ("" for a read)
    bool fails = false;              // a fault ends the run before its last step
};

// Draws faults for `requests` frames of `command`. A run ends at its first fault that
// leaves a wait unanswered, unless that wait is the `ignoredNth` frame's.
void Draw(std::mt19937& random, int command, int requests, int replyBytes, int ignoredNth,
          const std::string& failure, Plan& plan) {
    std::bernoulli_distribution faulty(kFaultShare);
    std::uniform_int_distribution<int> kind(0, kFaultKinds - 1);
    for (int nth = 1; nth <= requests; ++nth) {
        if (!faulty(random)) continue;
        const int k = kind(random);
        std::string action;
        switch (k) {
            case kNoReply:
                action = "drop";
                break;
            case kShort:
                action = "short=" + std::to_string(replyBytes / 2);
                break;
            case kLate:
                action = "delay=" + std::to_string(kReplyMs + 30);
                break;
            case kExtra:
                action = "extra=5";
                break;
            case kGarbage:
                action = "garbage=3";
                break;
            case kClose:
                action = "close";
                break;
        }
        plan.rules.push_back(action + "@" + std::to_string(command) + "#" + std::to_string(nth));
        const bool leavesWaitUnanswered = k == kNoReply || k == kShort || k == kLate || k == kClose;
        if (leavesWaitUnanswered && nth != ignoredNth && !plan.fails) {
            plan.expected = failure;
            plan.fails = true;
        }
    }
}

Plan ReadPlan(std::mt19937& random) {
    Plan plan;
    // The 31st read is the marker read again: nobody looks at its answer.
    Draw(random, kCmdReadParameter, kExchangeItemCount + 1, static_cast<int>(kSlotSize),
         kExchangeItemCount + 1, kReadFailed, plan);
    return plan;
}

Plan WritePlan(std::mt19937& random) {
    Plan plan{{}, kWriteSucceeded, false};
    Draw(random, kCmdWriteParameter, kWrittenItemCount, 1, 0, kWriteFailed, plan);
    return plan;
}

Plan FirmwarePlan(std::mt19937& random) {
    Plan plan{{}, kFirmwareUpdated, false};
    Draw(random, kCmdPrepareFirmware, 1, 1, 0, kFirmwareEraseFailed, plan);
    Draw(random, kCmdWriteFirmwareBlock, kBlocks, 1, 0, kFirmwareWriteFailed, plan);
    return plan;
}

struct Tally {
    int runs = 0;
    int failed = 0;      // ended with an error, as planned
    int mismatches = 0;  // ended otherwise than its faults predict
};

// Runs one worker against a simulator of its own. False on a hang.
template <typename MakeWorker>
bool RunOne(DeviceContext& context, const Plan& plan, MakeWorker make, Tally& tally, const char* what) {
    std::vector<std::string> args;
    for (const std::string& r : plan.rules) {
        args.push_back("--fault");
        args.push_back(r);
    }
    test::SimProcess sim(args);
    if (sim.Path().empty()) {
        std::fprintf(stderr, "bench-soak: cannot start the simulator\n");
        return false;
    }
    context.SetPortName(sim.Path());
    LastMessage sink;
    auto worker = make(context, sink);
    if (!worker->Start()) {
        std::fprintf(stderr, "bench-soak: %s: the slot is still held\n", what);
        ++tally.mismatches;
        return true;
    }
    // Far more than a run can take with every wait unanswered.
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (!worker->Finished()) {
        if (Clock::now() > deadline) {
            std::fprintf(stderr, "bench-soak: %s hangs\n", what);
            context.port.Cancel();
            worker->Join();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker->Join();
    ++tally.runs;
    tally.failed += plan.fails && sink.message == plan.expected;
    if (sink.message != plan.expected || context.port.IsOpen() || context.settingsThread.Busy() ||
        context.firmwareThread.Busy()) {
        ++tally.mismatches;
        std::string rules;
        for (const std::string& r : plan.rules) rules += " " + r;
        std::fprintf(stderr, "bench-soak: %s ended with \"%s\", expected \"%s\" (faults:%s)%s\n", what,
                     sink.message.c_str(), plan.expected.c_str(), rules.c_str(),
                     context.port.IsOpen() ? ", port left open" : "");
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned seed = argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 1;
    const int cycles = argc > 2 ? std::atoi(argv[2]) : 500;

    const std::string firmware = "/tmp/bench-soak-" + std::to_string(getpid()) + ".fmw";
    {
        std::ofstream out(firmware, std::ios::binary);
        out << "ZORT-FMW-HEADER";
        for (size_t i = 0; i < kImageLength; ++i) out.put(static_cast<char>(i * 13 + 7));
    }

    std::printf(
        "soak: %d cycles of read, write and a 16 KiB firmware update; faults in %.0f%% of the "
        "requests; replies within %d ms; seed %u\n",
        cycles, kFaultShare * 100, kReplyMs, seed);
    std::mt19937 random(seed);
    DeviceContext context;
    context.timings.settingsReplyMs = kReplyMs;
    context.timings.settingsReadPauseMs = 1;
    context.timings.firmwareReplyMs = kReplyMs;
    Tally reads, writes, updates;
    std::vector<Sample> samples;
    const auto start = Clock::now();
    bool hung = false;
    for (int cycle = 1; cycle <= cycles && !hung; ++cycle) {
        const Plan read = ReadPlan(random), write = WritePlan(random), update = FirmwarePlan(random);
        hung = !RunOne(
                   context, read,
                   [](DeviceContext& c, WorkerSink& s) {
                       auto w = std::make_unique<RWSettingsThread>(c, s);
                       w->mode = kModeReadSettings;
                       return w;
                   },
                   reads, "read") ||
               !RunOne(
                   context, write,
                   [](DeviceContext& c, WorkerSink& s) {
                       auto w = std::make_unique<RWSettingsThread>(c, s);
                       w->mode = kModeWriteSettings;
                       return w;
                   },
                   writes, "write") ||
               !RunOne(
                   context, update,
                   [&](DeviceContext& c, WorkerSink& s) {
                       auto w = std::make_unique<MCUpdateThread>(c, s);
                       w->firmwarePath = firmware;
                       return w;
                   },
                   updates, "firmware update");
        if (cycle % 50 == 0) {
            samples.push_back(Measure(cycle));
            const Sample& s = samples.back();
            std::printf("cycle %4d: %3d descriptors, %2d threads, VmRSS %6ld KiB, %6.1f s\n", s.cycle, s.fds,
                        s.threads, s.rssKiB, std::chrono::duration<double>(Clock::now() - start).count());
            std::fflush(stdout);
        }
    }
    std::remove(firmware.c_str());
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    if (samples.size() >= 2) {
        const Sample& a = samples.front();
        const Sample& b = samples.back();
        std::printf("drift from cycle %d to %d: %+d descriptors, %+d threads, VmRSS %+ld KiB\n", a.cycle,
                    b.cycle, b.fds - a.fds, b.threads - a.threads, b.rssKiB - a.rssKiB);
    }
    for (const auto& [name, t] :
         {std::pair{"reads", reads}, std::pair{"writes", writes}, std::pair{"firmware updates", updates}}) {
        std::printf("%s: %d runs, %d ended by their faults, %d otherwise than predicted\n", name, t.runs,
                    t.failed, t.mismatches);
    }
    std::printf("run time %.1f s%s\n", seconds, hung ? ", stopped at a hang" : "");
    return hung || reads.mismatches + writes.mismatches + updates.mismatches > 0 ? 1 : 0;
}
