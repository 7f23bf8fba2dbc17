// The serial channel against the simulated tracker over a real pseudo-terminal.

#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "link/OpenError.h"
#include "link/SerialPort.h"
#include "support/SimulatedTracker.h"
#include "support/Threads.h"

namespace zort {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::PlanOf;
using test::SimulatedTracker;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

std::string SlotText(const SerialPort& port) {
    return std::string(reinterpret_cast<const char*>(port.rxBuffer),
                       strnlen(reinterpret_cast<const char*>(port.rxBuffer), 32));
}

int CountEntries(const char* dir) {
    int n = 0;
    if (DIR* d = opendir(dir)) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

TEST(SerialPort, ReadAndWriteFramesGoOutByteExact) {
    SimulatedTracker tracker;
    SerialPort port;
    ASSERT_EQ(port.Open(tracker.Path()), 1);

    ASSERT_TRUE(port.SendFrame(kCmdReadParameter, 0x08080460, 0, nullptr));
    ASSERT_TRUE(port.WaitReply(32, 4000));
    EXPECT_EQ(SlotText(port), "00000");

    uint8_t slot[32] = {'4', '3', '2', '1'};
    ASSERT_TRUE(port.SendFrame(kCmdWriteParameter, 0x08080480, 32, slot));
    ASSERT_TRUE(port.WaitReply(1, 4000));
    port.Close();

    const auto trace = tracker.simulator.Trace();
    ASSERT_EQ(trace.size(), 2u);
    EXPECT_EQ(trace[0].command, kCmdReadParameter);
    EXPECT_EQ(trace[0].id, 0x08080460u);
    EXPECT_TRUE(trace[0].payload.empty());
    EXPECT_EQ(trace[1].id, 0x08080480u);
    EXPECT_EQ(trace[1].payload, std::vector<uint8_t>(slot, slot + 32));
    EXPECT_EQ(tracker.simulator.WithModel([](auto& m) { return m.ParameterText(0x08080480); }), "4321");
    EXPECT_EQ(tracker.simulator.DiscardedBytes(), 0u);
}

TEST(SerialPort, ALongerReplyStillSatisfiesTheWait) {
    SimulatedTracker tracker(PlanOf({"extra=1@1#1"}));
    SerialPort port;
    ASSERT_EQ(port.Open(tracker.Path()), 1);
    port.SendFrame(kCmdReadParameter, 0x08080580, 0, nullptr);
    ASSERT_TRUE(port.WaitReply(32, 4000));
    EXPECT_EQ(SlotText(port), "3");
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(port.ReceivedCount(), 33u);
}

TEST(SerialPort, ALateReplyIsNotSeenByTheNextRequest) {
    SimulatedTracker tracker(PlanOf({"hold@1#1"}));
    SerialPort port;
    ASSERT_EQ(port.Open(tracker.Path()), 1);
    port.SendFrame(kCmdReadParameter, 0x080800A0, 0, nullptr);  // server host, answered late
    const auto start = Clock::now();
    EXPECT_FALSE(port.WaitReply(32, 100));
    EXPECT_GE(ElapsedMs(start), 100);
    EXPECT_LT(ElapsedMs(start), 200);
    tracker.transport.ReleaseHeld();  // the late answer lands now
    ASSERT_TRUE(port.WaitReply(32, 4000));
    EXPECT_EQ(port.ReceivedCount(), 32u);

    port.SendFrame(kCmdReadParameter, 0x08080580, 0, nullptr);  // time zone
    ASSERT_TRUE(port.WaitReply(32, 4000));
    EXPECT_EQ(SlotText(port), "3");
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(port.ReceivedCount(), 32u);
}

TEST(SerialPort, SendClearsWhatCameBefore) {
    SimulatedTracker tracker;
    SerialPort port;
    ASSERT_EQ(port.Open(tracker.Path()), 1);
    tracker.transport.Inject(std::vector<uint8_t>(40, 'Z'));
    ASSERT_TRUE(port.WaitReply(40, 2000));
    port.SendFrame(kCmdReadParameter, 0x08080640, 0, nullptr);
    ASSERT_TRUE(port.WaitReply(32, 4000));
    EXPECT_EQ(SlotText(port), "5");
    for (size_t i = 1; i < 40; ++i) ASSERT_EQ(port.rxBuffer[i], 0) << "stale byte at " << i;
}

TEST(SerialPort, WaitReturnsOnTheFirstByteNotAtTheTimeOut) {
    // At 300 baud the first byte takes 33 ms on the wire and the 32-byte answer over a
    // second: a wait that returned only with the whole answer cannot pass for one that
    // returned on the first byte, however busy the machine.
    SimulatedTracker tracker({}, 300);
    SerialPort port;
    ASSERT_EQ(port.Open(tracker.Path()), 1);
    port.SendFrame(kCmdReadParameter, 0x08080460, 0, nullptr);
    const auto start = Clock::now();
    ASSERT_TRUE(port.WaitReply(1, 4000));
    EXPECT_LT(ElapsedMs(start), 600);
    EXPECT_LT(port.ReceivedCount(), 32u) << "returned only after the whole answer";
    // A zero time-out still reports bytes that are already there.
    ASSERT_TRUE(port.WaitReply(32, 4000));
    EXPECT_TRUE(port.WaitReply(32, 0));
    EXPECT_FALSE(port.WaitReply(33, 0));
}

TEST(SerialPort, AFloodFillsTheBufferAndNothingBeyondIt) {
    SimulatedTracker tracker;
    SerialPort port;
    ASSERT_EQ(port.Open(tracker.Path()), 1);
    std::vector<uint8_t> flood(10000);
    for (size_t i = 0; i < flood.size(); ++i) flood[i] = static_cast<uint8_t>(i * 7 + 1);
    tracker.transport.Inject(flood);
    ASSERT_TRUE(port.WaitReply(SerialPort::kRxBufferSize, 4000));
    std::this_thread::sleep_for(100ms);  // let the rest arrive and be dropped
    EXPECT_EQ(port.ReceivedCount(), SerialPort::kRxBufferSize);
    EXPECT_EQ(0, std::memcmp(port.rxBuffer, flood.data(), SerialPort::kRxBufferSize));
    EXPECT_FALSE(port.WaitReply(SerialPort::kRxBufferSize + 1, 50));

    // The channel still works after the flood.
    port.SendFrame(kCmdReadParameter, 0x080806A0, 0, nullptr);
    ASSERT_TRUE(port.WaitReply(32, 4000));
    EXPECT_EQ(SlotText(port), "20");
}

TEST(SerialPort, APulledCableEndsTheWaitAtOnce) {
    SimulatedTracker tracker(PlanOf({"close@1#2"}));
    SerialPort port;
    ASSERT_EQ(port.Open(tracker.Path()), 1);
    port.SendFrame(kCmdReadParameter, 0x08080460, 0, nullptr);
    ASSERT_TRUE(port.WaitReply(32, 4000));
    port.SendFrame(kCmdReadParameter, 0x08080480, 0, nullptr);
    const auto start = Clock::now();
    EXPECT_FALSE(port.WaitReply(32, 4000));
    EXPECT_LT(ElapsedMs(start), 100);
    EXPECT_TRUE(port.LineLost());
    EXPECT_FALSE(port.SendFrame(kCmdReadParameter, 0x08080460, 0, nullptr));
    const auto closeStart = Clock::now();
    port.Close();
    EXPECT_LT(ElapsedMs(closeStart), 100);
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPort, ABlockSentJustBeforeCloseStillGoesOut) {
    SimulatedTracker tracker;
    SerialPort port;
    constexpr int kRounds = 40;
    for (int i = 1; i <= kRounds; ++i) {
        ASSERT_EQ(port.Open(tracker.Path()), 1);
        ASSERT_TRUE(port.SendFrame(kCmdStopModem, 0, 0, nullptr));
        port.Close();  // at once, as a command that awaits no answer does
    }
    const auto deadline = Clock::now() + 2s;
    while (tracker.simulator.FramesReceived() < kRounds && Clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(tracker.simulator.FramesReceived(), kRounds) << "a frame sent before Close never went out";
}

// Frames nobody answers follow each other after short pauses (the receiver update,
// the modem's file commands). However late the writer runs, none may be lost to the
// next: neither overwritten before the writer took it nor purged from the driver.
TEST(SerialPort, FramesSentBackToBackAllArriveInOrder) {
    SimulatedTracker tracker;
    SerialPort port;
    ASSERT_EQ(port.Open(tracker.Path()), 1);
    constexpr int kFrames = 300;
    std::vector<uint8_t> payload(200);
    for (int i = 0; i < kFrames; ++i) {
        payload[0] = static_cast<uint8_t>(i);
        payload[1] = static_cast<uint8_t>(i >> 8);
        ASSERT_TRUE(
            port.SendFrame(kCmdGnssPassThrough, 0, static_cast<uint32_t>(payload.size()), payload.data()));
    }
    const auto deadline = Clock::now() + 5s;
    while (tracker.simulator.FramesReceived() < kFrames && Clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    port.Close();
    const auto trace = tracker.simulator.Trace();
    ASSERT_EQ(trace.size(), static_cast<size_t>(kFrames)) << "frames were lost on the way";
    for (int i = 0; i < kFrames; ++i) {
        ASSERT_EQ(trace[i].payload.size(), payload.size());
        EXPECT_EQ(trace[i].payload[0] | trace[i].payload[1] << 8, i) << "frame " << i << " out of order";
    }
    EXPECT_EQ(tracker.simulator.DiscardedBytes(), 0u) << "a frame arrived cut";
}

TEST(SerialPort, OpenFailuresSayWhyAndLeaveTheChannelClosed) {
    SerialPort port;
    port.Close();  // never opened: harmless
    port.Close();
    EXPECT_EQ(port.Open("/dev/ttyZORT-missing"), 0);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.LastOpenError().reason, OpenFailure::kNoDevice);
    EXPECT_NE(port.LastOpenError().Describe().find("/dev/ttyZORT-missing"), std::string::npos);
    EXPECT_FALSE(port.WaitReply(1, 1000)) << "a closed channel has nothing to wait for";
    EXPECT_FALSE(port.SendFrame(kCmdReadParameter, 0x08080460, 0, nullptr));

    EXPECT_EQ(port.Open("/dev/null"), 0);
    EXPECT_EQ(port.LastOpenError().reason, OpenFailure::kNotSerial);

    SimulatedTracker tracker;
    SerialPort first, second;
    ASSERT_EQ(first.Open(tracker.Path()), 1);
    EXPECT_EQ(second.Open(tracker.Path()), 0);
    EXPECT_EQ(second.LastOpenError().reason, OpenFailure::kBusy);
    first.Close();
    EXPECT_EQ(second.Open(tracker.Path()), 1) << "the port is free again after Close";
}

TEST(SerialPort, CancelEndsWaitsAndRefusesOpenUntilReset) {
    SimulatedTracker tracker(PlanOf({"drop@1#1+"}));
    SerialPort port;
    ASSERT_EQ(port.Open(tracker.Path()), 1);
    port.SendFrame(kCmdReadParameter, 0x08080460, 0, nullptr);
    std::thread canceller([&] {
        std::this_thread::sleep_for(50ms);
        port.Cancel();
    });
    const auto start = Clock::now();
    EXPECT_FALSE(port.WaitReply(32, 4000));
    EXPECT_LT(ElapsedMs(start), 500);
    canceller.join();
    port.Close();
    EXPECT_EQ(port.Open(tracker.Path()), 0);
    EXPECT_EQ(port.LastOpenError().reason, OpenFailure::kCancelled);
    port.ResetCancel();
    EXPECT_EQ(port.Open(tracker.Path()), 1);
}

// A harness that knows an answer will not come ends the wait for it: the one that runs,
// or the next one when the worker is not waiting yet. A pause is not a wait for an
// answer and leaves the expiry to the wait that follows it.
TEST(SerialPort, AnExpiredWaitEndsAtOnceAndOnlyOnce) {
    SimulatedTracker tracker(PlanOf({"drop@1#1+"}));
    SerialPort port;
    ASSERT_EQ(port.Open(tracker.Path()), 1);
    port.SendFrame(kCmdReadParameter, 0x08080460, 0, nullptr);
    std::thread harness([&] {
        std::this_thread::sleep_for(50ms);
        port.ExpireWait();
    });
    auto start = Clock::now();
    EXPECT_FALSE(port.WaitReply(32, 4000));
    EXPECT_LT(ElapsedMs(start), 2000) << "the running wait sat out its time";
    harness.join();

    port.ExpireWait();
    EXPECT_TRUE(port.Pause(20));
    start = Clock::now();
    EXPECT_FALSE(port.WaitReply(32, 4000));
    EXPECT_LT(ElapsedMs(start), 2000) << "the expiry was lost before the wait began";
    start = Clock::now();
    EXPECT_FALSE(port.WaitReply(32, 100));
    EXPECT_GE(ElapsedMs(start), 100) << "one expiry ended two waits";

    // A pause ends with the line, not with its time.
    std::thread closer([&] {
        std::this_thread::sleep_for(50ms);
        port.Cancel();
    });
    start = Clock::now();
    EXPECT_FALSE(port.Pause(4000));
    EXPECT_LT(ElapsedMs(start), 2000);
    closer.join();
    port.Close();
    port.ResetCancel();
}

TEST(SerialPort, ReopeningAThousandTimesLeaksNothing) {
    SimulatedTracker tracker;
    SerialPort port;
    ASSERT_EQ(port.Open(tracker.Path()), 1);
    port.Close();
    const int fds = CountEntries("/proc/self/fd");
    const int threads = test::RunningThreadsOfThisProcess();
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(port.Open(tracker.Path()), 1) << "opening " << i;
        port.Close();
    }
    EXPECT_EQ(CountEntries("/proc/self/fd"), fds);
    EXPECT_EQ(test::RunningThreadsOfThisProcess(), threads);
    // And the last opening still talks.
    ASSERT_EQ(port.Open(tracker.Path()), 1);
    port.SendFrame(kCmdReadParameter, 0x08080460, 0, nullptr);
    EXPECT_TRUE(port.WaitReply(32, 4000));
}

TEST(SerialPort, TakeReceivedLosesNoByteOfAStream) {
    SimulatedTracker tracker;
    SerialPort port;
    ASSERT_EQ(port.Open(tracker.Path()), 1);
    std::vector<uint8_t> sent;
    std::vector<uint8_t> got;
    uint8_t chunk[SerialPort::kRxBufferSize];
    // Each round takes less than a burst arrives, so a backlog builds up, but it stays
    // below the buffer's size: nothing may be dropped.
    for (int burst = 0; burst < 30; ++burst) {
        std::vector<uint8_t> bytes(300);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(sent.size() + i);
        sent.insert(sent.end(), bytes.begin(), bytes.end());
        tracker.transport.Inject(bytes);
        // Take only once everything sent so far is in, so the reader and the take
        // really interleave with a backlog in the buffer.
        ASSERT_TRUE(port.WaitReply(static_cast<uint32_t>(sent.size() - got.size()), 2000));
        const size_t n = port.TakeReceived(chunk, 200);
        got.insert(got.end(), chunk, chunk + n);
    }
    while (got.size() < sent.size()) {
        const size_t n = port.TakeReceived(chunk, sizeof chunk);
        ASSERT_GT(n, 0u);
        got.insert(got.end(), chunk, chunk + n);
    }
    ASSERT_EQ(got.size(), sent.size());
    EXPECT_TRUE(got == sent);
}

}  // namespace
}  // namespace zort

namespace zort {
namespace {

// Service commands start a worker on every click, so two connection checks can meet.
TEST(SerialPort, OpenAndCloseFromTwoThreadsTakeTurns) {
    test::SimulatedTracker tracker;
    SerialPort port;
    auto churn = [&] {
        for (int i = 0; i < 200; ++i) {
            port.Open(tracker.Path());
            port.SendFrame(kCmdReadParameter, 0x08080460, 0, nullptr);
            port.WaitReply(32, 50);
            port.Close();
        }
    };
    std::thread a(churn), b(churn);
    a.join();
    b.join();
    EXPECT_FALSE(port.IsOpen());
    ASSERT_EQ(port.Open(tracker.Path()), 1);
    port.SendFrame(kCmdReadParameter, 0x08080460, 0, nullptr);
    EXPECT_TRUE(port.WaitReply(32, 4000));
}

}  // namespace
}  // namespace zort
