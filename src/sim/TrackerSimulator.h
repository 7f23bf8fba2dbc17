#pragma once
// The simulated tracker as a whole: cuts the incoming stream into frames, lets the
// device model answer them, bends the answers by the fault plan and keeps a trace of
// every frame. Thread-safe: a transport feeds it from its own thread while tests look
// at the state.

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "sim/FaultPlan.h"
#include "sim/FrameParser.h"
#include "sim/GnssReceiverModel.h"
#include "sim/ModemModel.h"
#include "sim/TrackerModel.h"

namespace zort::sim {

struct FrameRecord {
    std::chrono::steady_clock::time_point receivedAt;
    uint8_t command = 0;
    uint32_t id = 0;
    uint32_t length = 0;
    std::vector<uint8_t> payload;
    std::string fate;  // "answered", "silent" (nothing due), "dropped", "closed"
};

class TrackerSimulator {
  public:
    static constexpr size_t kTraceLimit = 20000;

    explicit TrackerSimulator(FaultPlan plan = {});

    std::vector<PlannedReply> OnBytes(const uint8_t* data, size_t length);
    // Bytes the pass-through peers produce on their own.
    std::vector<uint8_t> TakeSpontaneous();

    void SetPlan(const FaultPlan& plan);

    // Runs `f` on the device model under the simulator's lock.
    template <typename F>
    auto WithModel(F&& f) {
        std::lock_guard lock(mutex);
        return f(model);
    }

    // The same for the modem behind command 8 and the receiver behind command 9, which
    // the simulator plugs into its model.
    template <typename F>
    auto WithModem(F&& f) {
        std::lock_guard lock(mutex);
        return f(modem);
    }
    template <typename F>
    auto WithGnss(F&& f) {
        std::lock_guard lock(mutex);
        return f(gnss);
    }

    std::vector<FrameRecord> Trace() const;
    int FramesReceived() const;
    // Frames some rule of the plan has bent so far.
    int FaultsApplied() const;
    uint64_t DiscardedBytes() const;
    // Everything a test or a person wants to see after a run, as one JSON object.
    std::string StateJson() const;

  private:
    PlannedReply Plan(const ReceivedFrame& frame);

    mutable std::mutex mutex;
    FaultPlan plan;
    FrameParser parser;
    TrackerModel model;
    ModemModel modem;
    GnssReceiverModel gnss;
    std::vector<FrameRecord> trace;
    int framesReceived = 0;
    int faultsApplied = 0;
    std::vector<int> picked;  // per rule of the plan: frames it picked so far
    bool closed = false;
};

}  // namespace zort::sim
