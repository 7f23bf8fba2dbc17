#include "FaultMatrix.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace zort::reliability {
namespace {

using std::chrono::milliseconds;

struct Tally {
    int cases = 0;
    int passed = 0;
};

Tally& Counts() {
    static Tally tally;
    return tally;
}

// The one line a person running the matrix looks for.
class Summary : public ::testing::Environment {
  public:
    void TearDown() override {
        if (Counts().cases == 0) return;
        std::printf("faults: %d cases, %d passed\n", Counts().cases, Counts().passed);
        std::fflush(stdout);
    }
};
[[maybe_unused]] ::testing::Environment* const kSummary = ::testing::AddGlobalTestEnvironment(new Summary);

int FailedParts() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!info) return 0;
    const ::testing::TestResult* result = info->result();
    int failed = 0;
    for (int i = 0; i < result->total_part_count(); ++i) {
        if (result->GetTestPartResult(i).failed()) ++failed;
    }
    return failed;
}

long Ms(Clock::duration d) {
    return static_cast<long>(std::chrono::duration_cast<milliseconds>(d).count());
}

sim::FaultRule RuleFor(const Request& row, Fault fault) {
    sim::FaultRule rule;
    switch (fault) {
        case Fault::kNoReply:
            rule.action = sim::FaultAction::kDrop;
            break;
        case Fault::kShortReply:
            rule.action = sim::FaultAction::kShort;
            rule.arg = row.replyBytes / 2;
            break;
        case Fault::kLateReply:
            rule.action = sim::FaultAction::kHold;
            break;
        case Fault::kExtraBytes:
            rule.action = sim::FaultAction::kExtra;
            rule.arg = 5;
            break;
        case Fault::kGarbageBytes:
            rule.action = sim::FaultAction::kGarbage;
            rule.arg = 3;
            break;
        case Fault::kLineClosed:
            rule.action = sim::FaultAction::kClose;
            break;
    }
    rule.command = row.command;
    rule.nth = row.nth;
    rule.onward = row.onward;
    rule.payload = row.payload;
    return rule;
}

// The rule as zort-sim --fault takes it; a long payload shortened to its first bytes.
std::string RuleText(const sim::FaultRule& rule) {
    std::string text = sim::FaultActionName(rule.action);
    if (sim::FaultActionTakesArg(rule.action)) text += "=" + std::to_string(rule.arg);
    text += "@" + std::to_string(rule.command);
    if (!rule.payload.empty()) {
        text += ":";
        char hex[3];
        for (size_t i = 0; i < rule.payload.size() && i < 8; ++i) {
            std::snprintf(hex, sizeof hex, "%02x", rule.payload[i]);
            text += hex;
        }
        if (rule.payload.size() > 8) text += "..(" + std::to_string(rule.payload.size()) + " bytes)";
    }
    return text + "#" + std::to_string(rule.nth) + (rule.onward ? "+" : "");
}

std::vector<Fault> FaultsFor(const Request& row) {
    if (!row.only.empty()) return row.only;
    if (row.replyBytes == 0) return {Fault::kLineClosed};
    std::vector<Fault> faults;
    for (Fault f : {Fault::kNoReply, Fault::kShortReply, Fault::kLateReply, Fault::kExtraBytes,
                    Fault::kGarbageBytes, Fault::kLineClosed}) {
        // A one-byte answer cut short is no answer at all.
        if (f == Fault::kShortReply && row.replyBytes < 2) continue;
        faults.push_back(f);
    }
    return faults;
}

const std::optional<Lines>& Expected(const Request& row, Fault fault) {
    static const std::optional<Lines> kAsHealthy;
    switch (fault) {
        case Fault::kNoReply:
        case Fault::kShortReply:
        case Fault::kLateReply:
            return row.missing;
        case Fault::kGarbageBytes:
            return row.garbage;
        case Fault::kLineClosed:
            return row.closed;
        case Fault::kExtraBytes:
            break;
    }
    return kAsHealthy;
}

bool LinesMatch(const Lines& actual, const Lines& expected) {
    if (actual.size() != expected.size()) return false;
    for (size_t i = 0; i < actual.size(); ++i) {
        const std::string& e = expected[i];
        const bool prefix = !e.empty() && e[0] == kPrefixMark;
        if (prefix ? actual[i].rfind(e.substr(1), 0) != 0 : actual[i] != e) return false;
    }
    return true;
}

std::string Show(const Lines& lines) {
    std::string out = "{";
    for (const std::string& l : lines) out += (out.size() > 1 ? ", \"" : "\"") + l + "\"";
    return out + "}";
}

using Trace = std::vector<sim::FrameRecord>;

// The 1-based position of the row's frame in a run's path; 0 when the run never sends
// it (a wrong table).
int FrameIndex(const Trace& path, const Request& row) {
    int seen = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i].command != row.command) continue;
        if (!row.payload.empty() && path[i].payload != row.payload) continue;
        if (++seen == row.nth) return static_cast<int>(i) + 1;
    }
    return 0;
}

// The requests of a run in order, without the frames sent again only for want of a
// timely answer.
Trace PathOf(const Operation& op, const Trace& trace) {
    Trace path;
    for (const sim::FrameRecord& frame : trace) {
        if (!path.empty() && op.Repeats(path.back(), frame)) continue;
        path.push_back(frame);
    }
    return path;
}

std::string Describe(const sim::FrameRecord& frame) {
    std::string text = "command " + std::to_string(frame.command);
    char hex[3];
    for (size_t i = 0; i < frame.payload.size() && i < 6; ++i) {
        std::snprintf(hex, sizeof hex, "%02x", frame.payload[i]);
        text += (i == 0 ? " carrying " : "") + std::string(hex);
    }
    if (frame.payload.size() > 6) text += "..";
    return text + " (" + frame.fate + ")";
}

// A pulled cable must end every wait at once. With waits far longer than the budget a
// worker that sits them out cannot pass for one that noticed.
LinkTimings WithLongWaits(LinkTimings t) {
    for (int* wait : {&t.settingsReplyMs, &t.firmwareReplyMs, &t.switchReplyMs, &t.modemReplyMs,
                      &t.modemWriteReplyMs, &t.smsReplyMs, &t.gnssSwitchReplyMs, &t.gnssReplyMs}) {
        *wait = 5000;
    }
    return t;
}

struct RunResult {
    Lines said;
};

// Waits until the tracker has taken every frame the run sent: the last one of a run that
// awaits no answer may still be on its way when the run has ended. Each block the
// channel wrote is one frame; a line that closed takes no more.
void Settle(const Tracker& tracker, const DeviceContext& context, uint64_t blocksBefore, int framesBefore) {
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    const int sent = static_cast<int>(context.port.BlocksWritten() - blocksBefore);
    while (tracker.simulator.FramesReceived() - framesBefore < sent && !tracker.transport.LineClosed()) {
        if (Clock::now() > deadline) {
            ADD_FAILURE() << "the tracker took " << tracker.simulator.FramesReceived() - framesBefore
                          << " of the " << sent << " frames sent";
            return;
        }
        std::this_thread::sleep_for(milliseconds(1));
    }
}

RunResult Run(Operation& op, DeviceContext& context, Sink& sink, const Tracker& tracker,
              Clock::duration limit) {
    const uint64_t blocksBefore = context.port.BlocksWritten();
    const int framesBefore = tracker.simulator.FramesReceived();
    std::unique_ptr<Worker> worker = op.Create(context, sink);
    EXPECT_TRUE(worker->Start()) << "the slot of the kind is still held";
    JoinWithin(*worker, context, limit);
    if (op.EndsUnanswered()) Settle(tracker, context, blocksBefore, framesBefore);
    return {op.Outcome(sink)};
}

void ExpectEndedClean(DeviceContext& context, const Sink& sink, const char* which) {
    EXPECT_EQ(sink.ended.load(), 1) << which << ": the ending sequence ran once";
    EXPECT_FALSE(sink.portOpenAtEnd.load()) << which << ": the channel was still open when the run ended";
    EXPECT_FALSE(context.port.IsOpen()) << which << ": port left open";
    EXPECT_FALSE(context.settingsThread.Busy()) << which << ": settings slot still held";
    EXPECT_FALSE(context.firmwareThread.Busy()) << which << ": firmware slot still held";
}

struct Reference {
    Trace path;
};

bool RunReference(Operation& op, Reference& ref) {
    Tracker tracker;
    op.Prepare(tracker);
    DeviceContext context;
    Sink sink(context);
    context.timings = op.Timings();
    context.SetPortName(tracker.Path());
    const RunResult r = Run(op, context, sink, tracker, std::chrono::seconds(30));
    EXPECT_EQ(context.port.WaitsTimedOut(), 0u)
        << op.Name() << ": a wait of the healthy run ran out its time";
    EXPECT_TRUE(LinesMatch(r.said, op.Healthy())) << op.Name() << " healthy run said " << Show(r.said);
    ExpectEndedClean(context, sink, "healthy run");
    op.Remember(context, tracker);
    op.CheckData(context, tracker, sink, nullptr, Fault::kExtraBytes);
    Settle(tracker, context, 0, 0);
    ref.path = PathOf(op, tracker.simulator.Trace());
    return !::testing::Test::HasFailure();
}

// Until the faulty request a run must send what a healthy one sends; otherwise the fault
// hit another request than the row names.
void ExpectHealthyUpTo(const Trace& healthy, const Trace& run, int frame) {
    for (size_t i = 0; i < static_cast<size_t>(frame) && i < healthy.size(); ++i) {
        const bool same = i < run.size() && run[i].command == healthy[i].command &&
                          run[i].id == healthy[i].id && run[i].payload == healthy[i].payload;
        if (!same) {
            ADD_FAILURE() << "request " << i + 1 << " is " << (i < run.size() ? Describe(run[i]) : "missing")
                          << ", a healthy run sends " << Describe(healthy[i])
                          << " there: the run left the healthy path before the fault";
            return;
        }
    }
}

// What the tracker saw, for a case that failed: every frame, when it came, its fate.
void PrintFrames(const char* title, const Trace& trace) {
    if (trace.empty()) return;
    std::printf("  %s:\n", title);
    for (const sim::FrameRecord& frame : trace) {
        std::printf("    +%ld ms %s\n", Ms(frame.receivedAt - trace.front().receivedAt),
                    Describe(frame).c_str());
    }
    std::fflush(stdout);
}

std::optional<Clock::time_point> WaitHit(const Tracker& tracker, Clock::duration limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        if (auto hit = tracker.Hit()) return hit;
        if (Clock::now() > deadline) return std::nullopt;
        std::this_thread::sleep_for(milliseconds(1));
    }
}

// The next run on the same context: the same tracker, unless the cable was pulled (then
// `faulty` keeps what the first one saw).
void RunFollowUp(Operation& next, Operation& op, DeviceContext& context, std::unique_ptr<Tracker>& tracker,
                 Fault fault, Trace& faulty) {
    context.timings = next.Timings();
    if (tracker->transport.LineClosed()) {
        faulty = tracker->simulator.Trace();
        tracker = std::make_unique<Tracker>();
        next.Prepare(*tracker);
        context.SetPortName(tracker->Path());
    } else {
        tracker->simulator.SetPlan({});
        op.Recover(*tracker);
    }
    Sink sink(context);
    const uint64_t timeoutsBefore = context.port.WaitsTimedOut();
    const RunResult r = Run(next, context, sink, *tracker, std::chrono::seconds(30));
    EXPECT_EQ(context.port.WaitsTimedOut() - timeoutsBefore, 0u)
        << "a wait of the run after the fault ran out its time";
    EXPECT_TRUE(LinesMatch(r.said, next.Healthy())) << "the run after the fault said " << Show(r.said);
    if (LinesMatch(r.said, next.Healthy())) next.CheckData(context, *tracker, sink, nullptr, fault);
    ExpectEndedClean(context, sink, "run after the fault");
}

void RunCase(Operation& op, const Reference& ref, const Request& row, int frame, Fault fault) {
    sim::FaultPlan plan;
    plan.rules.push_back(RuleFor(row, fault));
    CaseScope scope(op.Name() + " / " + row.name + " / " + FaultName(fault) + " (" + RuleText(plan.rules[0]) +
                    ")");
    const std::set<int> threadsBefore = LiveThreads();
    const int failuresBefore = FailedParts();
    auto tracker = std::make_unique<Tracker>(plan);
    op.Prepare(*tracker);
    DeviceContext context;
    const bool answerMissing =
        fault == Fault::kNoReply || fault == Fault::kShortReply || fault == Fault::kLateReply;
    if (answerMissing) {
        tracker->ExpireWaitsOf(&context.port,
                               fault == Fault::kShortReply ? static_cast<uint32_t>(row.replyBytes / 2) : 0);
    }
    {
        context.timings = fault == Fault::kLineClosed ? WithLongWaits(op.Timings()) : op.Timings();
        context.SetPortName(tracker->Path());
        Sink sink(context);
        const std::optional<Lines>& expected = Expected(row, fault);
        // No wait may run out its time: a missing answer's wait is ended as soon as the
        // tracker has dropped it, a pulled cable ends every wait, every other answer comes.
        // A wait sat out for nothing shows here however busy the machine is; a stopwatch
        // would show the machine.
        const uint64_t timeoutsBefore = context.port.WaitsTimedOut();
        const RunResult r = Run(op, context, sink, *tracker, std::chrono::seconds(60));
        tracker->ExpireWaitsOf(nullptr);
        ExpectHealthyUpTo(ref.path, PathOf(op, tracker->simulator.Trace()), frame);

        const Lines& healthy = op.Healthy();
        if (fault == Fault::kLineClosed && row.closedMayFinish) {
            EXPECT_TRUE(LinesMatch(r.said, healthy) || LinesMatch(r.said, *expected))
                << "said " << Show(r.said);
        } else {
            EXPECT_TRUE(LinesMatch(r.said, expected.value_or(healthy)))
                << "said " << Show(r.said) << ", expected " << Show(expected.value_or(healthy));
        }
        if (LinesMatch(r.said, healthy)) op.CheckData(context, *tracker, sink, &row, fault);
        ExpectEndedClean(context, sink, "faulty run");

        EXPECT_EQ(context.port.WaitsTimedOut() - timeoutsBefore, 0u)
            << "a wait of the faulty run ran out its time";
        EXPECT_TRUE(WaitHit(*tracker, std::chrono::seconds(1)))
            << "the faulty request never reached the tracker";
        if (fault == Fault::kLineClosed) {
            EXPECT_TRUE(tracker->transport.WaitClosed(std::chrono::seconds(1)))
                << "the tracker never hung up";
        }
        EXPECT_EQ(ThreadsLeftSince(threadsBefore, tracker->transport.LineClosed() ? 0 : 1), "")
            << "threads left behind by the faulty run (only the tracker's own may remain)";

        // A late answer lands while nobody listens; the next opening must not see it.
        if (fault == Fault::kLateReply) {
            tracker->transport.ReleaseHeld();
            EXPECT_TRUE(tracker->transport.WaitSent(std::chrono::seconds(2)))
                << "the late answer never went out";
        }
    }

    Trace faulty;
    RunFollowUp(op.FollowUp(), op, context, tracker, fault, faulty);
    if (FailedParts() > failuresBefore) {
        PrintFrames("frames of the faulty run", faulty);
        PrintFrames(faulty.empty() ? "frames of both runs" : "frames of the run after it",
                    tracker->simulator.Trace());
        std::printf("  the tracker discarded %llu bytes between frames\n",
                    static_cast<unsigned long long>(tracker->simulator.DiscardedBytes()));
    }
}

}  // namespace

void RunMatrix(Operation& op) {
    const auto start = Clock::now();
    const Tally before = Counts();
    Reference ref;
    if (!RunReference(op, ref)) return;
    const char* only = std::getenv("ZORT_FAULTS_ROWS");
    for (const Request& row : op.Requests()) {
        if (only && row.name.find(only) == std::string::npos) continue;
        const int frame = FrameIndex(ref.path, row);
        if (frame == 0) {
            ADD_FAILURE() << op.Name() << " / " << row.name << ": a healthy run never sends command "
                          << row.command << " #" << row.nth;
            continue;
        }
        for (Fault fault : FaultsFor(row)) RunCase(op, ref, row, frame, fault);
    }
    std::printf("%s: %d cases, %d passed, %.1f s\n", op.Name().c_str(), Counts().cases - before.cases,
                Counts().passed - before.passed, std::chrono::duration<double>(Clock::now() - start).count());
    std::fflush(stdout);
}

CaseScope::CaseScope(const std::string& name)
    : trace(__FILE__, __LINE__, name),
      failuresBefore(FailedParts()),
      threadsBefore(LiveThreads()),
      fdsBefore(FdCount()) {}

CaseScope::~CaseScope() {
    EXPECT_EQ(ThreadsLeftSince(threadsBefore, 0), "") << "a thread outlived its case";
    EXPECT_EQ(FdCount(), fdsBefore) << "a descriptor outlived its case";
    ++Counts().cases;
    if (FailedParts() == failuresBefore) ++Counts().passed;
}

}  // namespace zort::reliability
