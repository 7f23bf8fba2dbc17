#pragma once
// A simulated tracker on a pseudo-terminal with a device context pointed at it, a sink
// that records what the workers report, and the workers run against it, kept for their
// results until the test ends.

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "support/RecordingSink.h"
#include "support/SimulatedTracker.h"
#include "worker/DeviceContext.h"
#include "worker/Worker.h"

namespace zort::test {

template <typename Sink = RecordingSink>
class TrackerWithWorker {
  public:
    explicit TrackerWithWorker(sim::FaultPlan plan = {}) : tracker(std::move(plan)) {
        context.SetPortName(tracker.Path());
    }

    // Runs a worker of type W to its end, as its owner does; `setup` fills its inputs.
    template <typename W, typename Setup>
    W& Run(Setup&& setup) {
        auto worker = std::make_unique<W>(context, sink);
        setup(*worker);
        EXPECT_TRUE(worker->Start());
        worker->Join();
        W& ran = *worker;
        workers.push_back(std::move(worker));
        return ran;
    }

    std::vector<sim::FrameRecord> Trace() const { return tracker.simulator.Trace(); }

    SimulatedTracker tracker;
    // Before the context: whatever the context joins when it goes may report until then.
    Sink sink;
    DeviceContext context;

  private:
    std::vector<std::unique_ptr<Worker>> workers;
};

}  // namespace zort::test
