// The NMEA relay against the simulated tracker, whose receiver streams while it is on.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ServiceTracker.h"
#include "service/NmeaRelay.h"
#include "service/ShowNMEAThread.h"
#include "sim/NmeaGenerator.h"

namespace zort {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::ServiceTracker;

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

void SwitchReceiver(ServiceTracker& service, bool on, std::chrono::milliseconds period = 1000ms) {
    service.tracker.simulator.WithGnss([&](sim::GnssReceiverModel& g) {
        g.SetBurstPeriod(period);
        return 0;
    });
    service.tracker.simulator.WithModel([&](sim::TrackerModel& m) {
        m.SetGnssOn(on);
        return 0;
    });
}

std::string SentStream(ServiceTracker& service) {
    return service.tracker.simulator.WithGnss([](sim::GnssReceiverModel& g) { return g.SentStream(); });
}

TEST(NmeaRelay, ShowsTheStreamWholeAcrossItsOnceASecondPolls) {
    ServiceTracker service;  // the real poll period
    NmeaRelay relay(service.context, service.sink);
    const auto start = Clock::now();
    ASSERT_TRUE(relay.SwitchOn());
    ASSERT_TRUE(WaitUntil([&] { return service.context.port.IsOpen(); }, 2s));
    EXPECT_FALSE(relay.SwitchOn()) << "a second start while one runs";

    // Four bursts a second: the stream never pauses across a poll.
    SwitchReceiver(service, true, 250ms);
    std::this_thread::sleep_for(3300ms);
    SwitchReceiver(service, false);
    const std::string sent = SentStream(service);
    ASSERT_GT(sent.size(), 4000u);
    ASSERT_TRUE(WaitUntil([&] { return service.sink.Stream().size() >= sent.size(); }, 3s));
    EXPECT_TRUE(relay.Running());
    relay.SwitchOff();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    const std::string shown = service.sink.Stream();
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
    EXPECT_GE(service.sink.Appends(), static_cast<int>(seconds) - 1);
    EXPECT_LE(service.sink.Appends(), static_cast<int>(seconds) + 1);
    EXPECT_TRUE(service.sink.Lines().empty());
    EXPECT_TRUE(service.sink.Messages().empty());
}

TEST(NmeaRelay, AZeroByteIsDroppedAndTheRestOfTheSecondKept) {
    ServiceTracker service;
    service.context.timings = test::FastTimings();
    NmeaRelay relay(service.context, service.sink);
    ASSERT_TRUE(relay.SwitchOn());
    ASSERT_TRUE(WaitUntil([&] { return service.context.port.IsOpen(); }, 2s));
    const char kBytes[] = "$GPTXT,01\0,01,02*6D\r\n\0$GP";
    service.tracker.transport.Inject(std::vector<uint8_t>(kBytes, kBytes + sizeof kBytes - 1));
    ASSERT_TRUE(WaitUntil([&] { return service.sink.Stream().size() >= 23; }, 2s));
    EXPECT_EQ(service.sink.Stream(), "$GPTXT,01,01,02*6D\r\n$GP");
}

TEST(NmeaRelay, SwitchingOffEndsItAtOnceAndAllowsANewStart) {
    ServiceTracker service;  // a second between polls: the stop must not wait for it
    NmeaRelay relay(service.context, service.sink);
    ASSERT_TRUE(relay.SwitchOn());
    ASSERT_TRUE(WaitUntil([&] { return service.context.port.IsOpen(); }, 2s));
    const auto start = Clock::now();
    relay.SwitchOff();
    EXPECT_FALSE(relay.Running());
    service.context.JoinAll();
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(), 300);
    EXPECT_FALSE(service.context.port.IsOpen());
    relay.SwitchOff();  // nothing running: harmless

    EXPECT_TRUE(relay.SwitchOn());
    EXPECT_TRUE(relay.Running());
}

TEST(NmeaRelay, QuietSecondsStillReachTheLog) {
    ServiceTracker service;
    service.context.timings = test::FastTimings();
    NmeaRelay relay(service.context, service.sink);
    ASSERT_TRUE(relay.SwitchOn());
    ASSERT_TRUE(WaitUntil([&] { return service.sink.EmptyAppends() >= 3; }, 3s));
    EXPECT_EQ(service.sink.Stream(), "");
}

TEST(NmeaRelay, ALostLinkIsToldOnceAndEndsTheRelay) {
    ServiceTracker service;
    service.context.timings = test::FastTimings();
    NmeaRelay relay(service.context, service.sink);
    ASSERT_TRUE(relay.SwitchOn());
    ASSERT_TRUE(WaitUntil([&] { return service.context.port.IsOpen(); }, 2s));
    service.tracker.transport.Inject({'$', 'G', 'P', '\r', '\n'});
    std::this_thread::sleep_for(50ms);
    service.tracker.transport.CloseLine();
    ASSERT_TRUE(WaitUntil([&] { return !relay.Running(); }, 3s));
    EXPECT_EQ(service.sink.Stream(), "$GP\r\n") << "what came before the loss is still shown";
    EXPECT_EQ(service.sink.Lines(), (std::vector<std::string>{kLinkLost}));
}

TEST(NmeaRelay, NoDeviceShowsTheMessageAndEnds) {
    test::LogRecordingSink sink;
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
