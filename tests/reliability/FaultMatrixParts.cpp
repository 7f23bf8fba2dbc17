// What the matrix and its tables share: the tracker and the sink of a case, the names
// of faults and answers, the matrix's timings, the census of threads and descriptors a
// case leaves behind, and the join that reports a hang.

#include <dirent.h>

#include <cstdlib>
#include <fstream>
#include <thread>

#include "FaultMatrix.h"

namespace zort::reliability {

using std::chrono::milliseconds;

namespace {

int CountEntries(const char* folder) {
    DIR* dir = opendir(folder);
    if (!dir) return -1;
    int n = 0;
    while (const dirent* e = readdir(dir)) {
        if (e->d_name[0] != '.') ++n;
    }
    closedir(dir);
    return n;
}

}  // namespace

const char* FaultName(Fault fault) {
    switch (fault) {
        case Fault::kNoReply:
            return "no reply";
        case Fault::kShortReply:
            return "short reply";
        case Fault::kLateReply:
            return "late reply";
        case Fault::kExtraBytes:
            return "extra bytes";
        case Fault::kGarbageBytes:
            return "garbage bytes";
        case Fault::kLineClosed:
            return "line closed";
    }
    return "?";
}

Request Ask(std::string name, int command, int nth, int replyBytes) {
    Request r;
    r.name = std::move(name);
    r.command = command;
    r.nth = nth;
    r.replyBytes = replyBytes;
    return r;
}

std::string Box(int kind, const std::string& text) {
    return "[" + std::to_string(kind) + "] " + text;
}

Tracker::Tracker(sim::FaultPlan plan) : simulator(std::move(plan)), transport(simulator) {
    // Set before the transport starts: its thread is the only one that calls it.
    transport.OnFramesHandled([this] {
        const int faults = simulator.FaultsApplied();
        if (faults == faultsSeen) return;
        faultsSeen = faults;
        if (hitAt.load() == 0) hitAt = Clock::now().time_since_epoch().count();
        if (SerialPort* port = expireOf.load()) port->ExpireWait(expireAfter.load());
    });
    std::string error;
    EXPECT_TRUE(transport.Start(error)) << error;
}

Tracker::~Tracker() {
    transport.Stop();
}

std::optional<Clock::time_point> Tracker::Hit() const {
    const int64_t at = hitAt.load();
    if (at == 0) return std::nullopt;
    return Clock::time_point(Clock::duration(at));
}

void Sink::ShowMessage(int kind, const std::string& message, const std::string&) {
    std::lock_guard lock(mutex);
    said.push_back(Box(kind, message));
}

void Sink::LogLine(const std::string& line) {
    std::lock_guard lock(mutex);
    said.push_back(line);
}

void Sink::AppendText(const std::string& text) {
    std::lock_guard lock(mutex);
    stream += text;
    ++appends;
}

void Sink::WorkerEnded() {
    portOpenAtEnd = context.port.IsOpen();
    ++ended;
}

Lines Sink::Said() const {
    std::lock_guard lock(mutex);
    return said;
}

std::string Sink::Stream() const {
    std::lock_guard lock(mutex);
    return stream;
}

int Sink::Appends() const {
    std::lock_guard lock(mutex);
    return appends;
}

LinkTimings MatrixTimings() {
    // Waits for answers stay the tracker's own: a missing answer does not cost them, its
    // wait is ended as soon as the tracker has dropped it, and a healthy answer that a
    // busy machine delivers late (pseudo-terminals have been seen to hold one for 150 ms)
    // still comes in time.
    LinkTimings t;
    // Pauses are slept in full; short ones keep the matrix quick.
    t.settingsReadPauseMs = 0;
    t.smsPromptPauseMs = 15;
    t.nmeaPollMs = 100;
    t.gnssSwitchPauseMs = 5;
    t.gnssPassPauseMs = 20;
    t.gnssChecksumPauseMs = 10;
    // The modem's pauses end with its answer.
    t.modemPauseMs = 2000;
    return t;
}

std::set<int> LiveThreads() {
    // Some runtimes (ThreadSanitizer's background thread) start a helper of their own
    // with the first thread the program creates; let that happen before anything is
    // looked at, or it would count as one of the first case's.
    static const bool runtimeThreadsStarted = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)runtimeThreadsStarted;
    std::set<int> ids;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (const dirent* e = readdir(dir)) {
            if (e->d_name[0] != '.') ids.insert(std::atoi(e->d_name));
        }
        closedir(dir);
    }
    return ids;
}

int FdCount() {
    return CountEntries("/proc/self/fd");
}

std::string ThreadsLeftSince(const std::set<int>& before, int trackers) {
    const auto name = [](int id) {
        std::string comm;
        std::getline(std::ifstream("/proc/self/task/" + std::to_string(id) + "/comm"), comm);
        return comm;
    };
    // Threads only end here: a joined one the kernel has not dropped yet is gone within
    // a moment, a thread left running stays.
    const auto deadline = Clock::now() + std::chrono::seconds(1);
    for (;;) {
        std::string others;
        int simulators = 0;
        for (int id : LiveThreads()) {
            if (before.count(id)) continue;
            const std::string comm = name(id);
            if (comm == sim::PtyTransport::kThreadName) {
                ++simulators;
            } else {
                others += (others.empty() ? "" : ", ") + comm + " (" + std::to_string(id) + ")";
            }
        }
        if (others.empty() && simulators == trackers) return {};
        if (Clock::now() > deadline) {
            return std::to_string(simulators) + " tracker threads where " + std::to_string(trackers) +
                   " belong" + (others.empty() ? "" : "; others: " + others);
        }
        std::this_thread::sleep_for(milliseconds(2));
    }
}

bool JoinWithin(Worker& worker, DeviceContext& context, Clock::duration limit) {
    const auto deadline = Clock::now() + limit;
    while (!worker.Finished()) {
        if (Clock::now() > deadline) {
            ADD_FAILURE() << "the worker still runs after "
                          << std::chrono::duration_cast<milliseconds>(limit).count() << " ms: a hang";
            context.port.Cancel();
            worker.Join();
            context.port.ResetCancel();
            return false;
        }
        std::this_thread::sleep_for(milliseconds(1));
    }
    worker.Join();
    return true;
}

}  // namespace zort::reliability
