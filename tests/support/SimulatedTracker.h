#pragma once
// A simulated tracker on a real pseudo-terminal, started for one test.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sim/PtyTransport.h"
#include "sim/TrackerSimulator.h"

namespace zort::test {

class SimulatedTracker {
  public:
    explicit SimulatedTracker(sim::FaultPlan plan = {}, int baud = 0)
        : simulator(std::move(plan)), transport(simulator, sim::PtyTransport::Options{baud}) {
        std::string error;
        started = transport.Start(error);
        EXPECT_TRUE(started) << error;
    }

    const std::string& Path() const { return transport.SlavePath(); }

    sim::TrackerSimulator simulator;
    sim::PtyTransport transport;
    bool started = false;
};

inline sim::FaultRule Rule(const std::string& text) {
    sim::FaultRule rule;
    std::string error;
    EXPECT_TRUE(sim::FaultRule::Parse(text, rule, error)) << error;
    return rule;
}

inline sim::FaultPlan PlanOf(std::initializer_list<const char*> rules) {
    sim::FaultPlan plan;
    for (const char* r : rules) plan.rules.push_back(Rule(r));
    return plan;
}

}  // namespace zort::test
