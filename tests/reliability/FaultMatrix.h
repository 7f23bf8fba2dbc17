#pragma once
// The fault matrix: every request of an operation meets every way its reply can go
// wrong, and the operation must still end as its worker says it ends, on time, with the
// port closed, its slot free, no thread or descriptor left over, and a healthy run on
// the same DeviceContext working right after it.
//
// An operation describes itself as a table of requests: which frame (command code, the
// payload where it tells requests apart, and the 1-based count among such frames), how
// big the healthy answer is, how long the worker waits for it, and what the sink must
// hear when the answer is missing, garbled or the line goes away. The engine turns each
// row and each fault that makes sense for it into a case.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sim/PtyTransport.h"
#include "sim/TrackerSimulator.h"
#include "worker/DeviceContext.h"
#include "worker/Worker.h"
#include "worker/WorkerSink.h"

namespace zort::reliability {

using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;

enum class Fault {
    kNoReply,
    kShortReply,
    // The whole answer, once the run is over: the worker gave up on it and the next
    // opening must not see it. Held until then, not delayed by a guess: a run that goes
    // on would take an answer arriving meanwhile for a later request's (the protocol has
    // no framing), and a busy machine makes any guess wrong now and then.
    kLateReply,
    kExtraBytes,    // behind the answer
    kGarbageBytes,  // in front of the answer
    kLineClosed,    // the cable pulled instead of the answer
};
const char* FaultName(Fault fault);

// An expected line that starts with this mark matches any line starting with the rest.
inline constexpr char kPrefixMark = '~';
// Message boxes are heard as "[kind] text"; log lines as they are.
std::string Box(int kind, const std::string& text);

struct Request {
    std::string name;
    int command = 0;
    int nth = 1;
    bool onward = false;  // the fault hits every later frame of the command too
    int replyBytes = 0;   // what a healthy tracker answers; 0: nothing the worker reads
    // What the sink hears; nullopt: the same as in a healthy run (extra bytes behind an
    // answer always leave it so).
    std::optional<Lines> missing;  // no reply, a short one or a late one
    std::optional<Lines> garbage;
    std::optional<Lines> closed;
    bool closedMayFinish = false;  // the line goes as the last frame leaves: either ending is right
    std::vector<Fault> only;       // when set: the only faults that mean anything here
    // When set, the row names the `nth` frame of its command that carries exactly this,
    // and the fault picks it the same way: a request found by what it is, however many
    // retries of another one came before it.
    std::vector<uint8_t> payload;
};

// A row with what every row has; the outcomes are filled in after.
Request Ask(std::string name, int command, int nth, int replyBytes);

// A simulated tracker on a pseudo-terminal that notes when its plan first bent a frame.
class Tracker {
  public:
    explicit Tracker(sim::FaultPlan plan = {});
    ~Tracker();
    const std::string& Path() const { return transport.SlavePath(); }
    // When the faulty request arrived; nullopt while it has not.
    std::optional<Clock::time_point> Hit() const;
    // While set, every frame the plan bends ends the wait that `port` runs for it, once
    // `afterBytes` of its answer are there: the answer is missing (dropped, cut short or
    // held), so nobody need sit out the time-out.
    void ExpireWaitsOf(SerialPort* port, uint32_t afterBytes = 0) {
        expireAfter = afterBytes;
        expireOf = port;
    }

    sim::TrackerSimulator simulator;
    sim::PtyTransport transport;

  private:
    std::atomic<int64_t> hitAt{0};
    std::atomic<SerialPort*> expireOf{nullptr};
    std::atomic<uint32_t> expireAfter{0};
    int faultsSeen = 0;  // on the transport's thread only
};

class Sink : public WorkerSink {
  public:
    explicit Sink(DeviceContext& context) : context(context) {}
    void ShowProgress(const std::string&) override {}
    void SetProgress(int, int) override {}
    void HideProgress() override {}
    void ShowMessage(int kind, const std::string& message, const std::string&) override;
    void LogLine(const std::string& line) override;
    void AppendText(const std::string& text) override;
    void ImageRead() override { ++imagesRead; }
    void WorkerEnded() override;

    Lines Said() const;
    std::string Stream() const;
    int Appends() const;

    std::atomic<int> imagesRead{0};
    std::atomic<int> ended{0};
    std::atomic<bool> portOpenAtEnd{false};

  private:
    DeviceContext& context;
    mutable std::mutex mutex;
    Lines said;
    std::string stream;
    int appends = 0;
};

// Every time-out and pause of the matrix.
LinkTimings MatrixTimings();

class Operation {
  public:
    virtual ~Operation() = default;
    virtual std::string Name() const = 0;
    virtual LinkTimings Timings() const { return MatrixTimings(); }
    virtual std::vector<Request> Requests() const = 0;
    // What the sink hears from a healthy run.
    virtual Lines Healthy() const = 0;
    // The tracker as the run expects to find it.
    virtual void Prepare(Tracker&) {}
    virtual std::unique_ptr<Worker> Create(DeviceContext& context, WorkerSink& sink) = 0;
    // The last frame awaits no answer: the tracker may take it after the run has ended.
    virtual bool EndsUnanswered() const { return false; }
    // A frame sent again only because the answer to the one before it was not there in
    // time (the receiver's synchronisation): how many go out depends on the machine's
    // load, so the run's path is compared without them.
    virtual bool Repeats(const sim::FrameRecord& /*previous*/, const sim::FrameRecord& /*frame*/) const {
        return false;
    }
    // Only the lines that tell how the run ended (the receiver update narrates its steps).
    virtual Lines Outcome(const Sink& sink) const { return sink.Said(); }
    // Called after the healthy reference run.
    virtual void Remember(DeviceContext&, Tracker&) {}
    // What a run that ended as a healthy one left in the image or the device; `row` is
    // null for a run without faults.
    virtual void CheckData(DeviceContext&, Tracker&, const Sink&, const Request*, Fault) {}
    // Before the run that follows a faulty one on the same tracker: what a person would
    // do to a device left mid-conversation (power the modem off and on).
    virtual void Recover(Tracker&) {}
    // The healthy run that must work after the faulty one; itself unless too slow.
    virtual Operation& FollowUp() { return *this; }
};

// Runs every case of `op`'s table and counts them into the summary. With the
// environment variable ZORT_FAULTS_ROWS set, only rows whose name contains its text (to
// repeat one case while looking into it).
void RunMatrix(Operation& op);

// Switching the receiver off from the service window: the cheap healthy run that follows
// a faulty receiver update.
std::unique_ptr<Operation> ReceiverOffRun();

// For tables driven by hand (the relay): one case, counted into the summary.
class CaseScope {
  public:
    explicit CaseScope(const std::string& name);
    ~CaseScope();

  private:
    ::testing::ScopedTrace trace;
    int failuresBefore;
    std::set<int> threadsBefore;
    int fdsBefore;
};

// The threads of this process by kernel id. Threads are told apart by identity, not
// counted: a thread that was joined may linger a moment before the kernel drops it, and
// a count taken then would be one too high for the whole case.
std::set<int> LiveThreads();
// Waits up to a second until the threads started since `before` are exactly `trackers`
// simulated trackers' own; empty then, otherwise what runs, by name and id.
std::string ThreadsLeftSince(const std::set<int>& before, int trackers);
int FdCount();

// Waits for a worker with a deadline: a worker still running then is a hang, reported,
// and ended by cancelling the channel so the suite goes on.
bool JoinWithin(Worker& worker, DeviceContext& context, Clock::duration limit);

}  // namespace zort::reliability
