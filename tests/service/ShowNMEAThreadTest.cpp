// The NMEA relay against the simulated tracker, whose receiver streams while it is on.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ServiceBench.h"
#include "service/NmeaRelay.h"
#include "service/ShowNMEAThread.h"
#include "sim/NmeaGenerator.h"

namespace zort {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::ServiceBench;

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

void SwitchReceiver(ServiceBench& bench, bool on, std::chrono::milliseconds period = 1000ms) {
    bench.tracker.simulator.WithGnss([&](sim::GnssReceiverModel& g) {
        g.SetBurstPeriod(period);
        return 0;
    });
    bench.tracker.simulator.WithModel([&](sim::TrackerModel& m) {
        m.SetGnssOn(on);
        return 0;
    });
}

std::string SentStream(ServiceBench& bench) {
    return bench.tracker.simulator.WithGnss([](sim::GnssReceiverModel& g) { return g.SentStream(); });
}

TEST(NmeaRelay, ShowsTheStreamWholeAcrossItsOnceASecondPolls) {
    ServiceBench bench;  // the real poll period
    NmeaRelay relay(bench.context, bench.sink);
    const auto start = Clock::now();
    ASSERT_TRUE(relay.SwitchOn());
    ASSERT_TRUE(WaitUntil([&] { return bench.context.port.IsOpen(); }, 2s));
    EXPECT_FALSE(relay.SwitchOn()) << "a second start while one runs";

    // Four bursts a second: the stream never pauses across a poll.
    SwitchReceiver(bench, true, 250ms);
    std::this_thread::sleep_for(3300ms);
    SwitchReceiver(bench, false);
    const std::string sent = SentStream(bench);
    ASSERT_GT(sent.size(), 4000u);
    ASSERT_TRUE(WaitUntil([&] { return bench.sink.Stream().size() >= sent.size(); }, 3s));
    EXPECT_TRUE(relay.Running());
    relay.SwitchOff();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    const std::string shown = bench.sink.Stream();
    EXPECT_EQ(shown.size(), sent.size());
    EXPECT_TRUE(shown == sent) << "the relay changed, lost or repeated bytes";
    size_t begin = 0, sentences = 0;
    for (size_t end; (end = shown.find("\r\n", begin)) != std::string::npos; begin = end + 2, ++sentences) {
        ASSERT_TRUE(sim::NmeaGenerator::Valid(shown.substr(begin, end + 2 - begin)))
            << shown.substr(begin, end - begin);
    }
    EXPECT_EQ(begin, shown.size());
    EXPECT_GE(sentences, 6u * 12);
    // Once a second, also when nothing came.
    EXPECT_GE(bench.sink.Appends(), static_cast<int>(seconds) - 1);
    EXPECT_LE(bench.sink.Appends(), static_cast<int>(seconds) + 1);
    EXPECT_TRUE(bench.sink.Lines().empty());
    EXPECT_TRUE(bench.sink.Messages().empty());
}

TEST(NmeaRelay, AZeroByteIsDroppedAndTheRestOfTheSecondKept) {
    ServiceBench bench;
    bench.context.timings = test::FastTimings();
    NmeaRelay relay(bench.context, bench.sink);
    ASSERT_TRUE(relay.SwitchOn());
    ASSERT_TRUE(WaitUntil([&] { return bench.context.port.IsOpen(); }, 2s));
    const char kBytes[] = "$GPTXT,01\0,01,02*6D\r\n\0$GP";
    bench.tracker.transport.Inject(std::vector<uint8_t>(kBytes, kBytes + sizeof kBytes - 1));
    ASSERT_TRUE(WaitUntil([&] { return bench.sink.Stream().size() >= 23; }, 2s));
    EXPECT_EQ(bench.sink.Stream(), "$GPTXT,01,01,02*6D\r\n$GP");
}

TEST(NmeaRelay, SwitchingOffEndsItAtOnceAndAllowsANewStart) {
    ServiceBench bench;  // a second between polls: the stop must not wait for it
    NmeaRelay relay(bench.context, bench.sink);
    ASSERT_TRUE(relay.SwitchOn());
    ASSERT_TRUE(WaitUntil([&] { return bench.context.port.IsOpen(); }, 2s));
    const auto start = Clock::now();
    relay.SwitchOff();
    EXPECT_FALSE(relay.Running());
    bench.context.JoinAll();
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(), 300);
    EXPECT_FALSE(bench.context.port.IsOpen());
    relay.SwitchOff();  // nothing running: harmless

    EXPECT_TRUE(relay.SwitchOn());
    EXPECT_TRUE(relay.Running());
}

TEST(NmeaRelay, QuietSecondsStillReachTheLog) {
    ServiceBench bench;
    bench.context.timings = test::FastTimings();
    NmeaRelay relay(bench.context, bench.sink);
    ASSERT_TRUE(relay.SwitchOn());
    ASSERT_TRUE(WaitUntil([&] { return bench.sink.EmptyAppends() >= 3; }, 3s));
    EXPECT_EQ(bench.sink.Stream(), "");
}

TEST(NmeaRelay, ALostLinkIsToldOnceAndEndsTheRelay) {
    ServiceBench bench;
    bench.context.timings = test::FastTimings();
    NmeaRelay relay(bench.context, bench.sink);
    ASSERT_TRUE(relay.SwitchOn());
    ASSERT_TRUE(WaitUntil([&] { return bench.context.port.IsOpen(); }, 2s));
    bench.tracker.transport.Inject({'$', 'G', 'P', '\r', '\n'});
    std::this_thread::sleep_for(50ms);
    bench.tracker.transport.CloseLine();
    ASSERT_TRUE(WaitUntil([&] { return !relay.Running(); }, 3s));
    EXPECT_EQ(bench.sink.Stream(), "$GP\r\n") << "what came before the loss is still shown";
    EXPECT_EQ(bench.sink.Lines(), (std::vector<std::string>{kLinkLost}));
}

TEST(NmeaRelay, NoDeviceShowsTheMessageAndEnds) {
    test::RecordingSink sink;
    DeviceContext context;
    context.SetPortName("/dev/ttyZORT-missing");
    NmeaRelay relay(context, sink);
    ASSERT_TRUE(relay.SwitchOn());
    ASSERT_TRUE(WaitUntil([&] { return !relay.Running(); }, 2s));
    EXPECT_EQ(sink.Messages(),
              (std::vector<std::pair<int, std::string>>{{kStatusError, kDeviceNotConnected}}));
    EXPECT_EQ(sink.Appends(), 0);
}

}  // namespace
}  // namespace zort
