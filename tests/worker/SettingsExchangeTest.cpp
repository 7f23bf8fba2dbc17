// The settings read and write workers against the simulated tracker.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "firmware/MCUpdateThread.h"
#include "settings/ExchangeTable.h"
#include "settings/RWSettingsThread.h"
#include "settings/SettingTable.h"
#include "support/TrackerWithWorker.h"

namespace zort {
namespace {

using namespace std::chrono_literals;
using test::PlanOf;
using ::testing::ElementsAre;

// The reply time-out is short here; one test below keeps the tracker's real 4 s.
struct SettingsTracker : test::TrackerWithWorker<> {
    explicit SettingsTracker(sim::FaultPlan plan = {}) : TrackerWithWorker(std::move(plan)) {
        context.timings.settingsReplyMs = 300;
    }
    // Until the tracker has applied a rule of its plan (an answer held, say).
    void WaitForAFault() {
        for (auto end = std::chrono::steady_clock::now() + 5s;
             tracker.simulator.FaultsApplied() == 0 && std::chrono::steady_clock::now() < end;) {
            std::this_thread::sleep_for(1ms);
        }
    }
    RWSettingsThread& Run(int mode) {
        return TrackerWithWorker::Run<RWSettingsThread>([mode](RWSettingsThread& w) { w.mode = mode; });
    }
};

TEST(SettingsExchange, ReadFillsEverySlotInItemOrderThenReadsTheMarkerOnceMore) {
    SettingsTracker b;
    b.context.image.SetText(5, "stale");
    b.Run(kModeReadSettings);

    EXPECT_EQ(b.context.image.Text(24), "861234050123456") << "item 25 is the IMEI in slot 24";
    EXPECT_EQ(b.context.image.Text(28), "1") << "item 24 lands in slot 28";
    EXPECT_EQ(b.context.image.Text(16), "2300070010001700");
    EXPECT_EQ(b.context.image.Text(5), "3");
    EXPECT_FALSE(b.context.port.IsOpen());
    EXPECT_FALSE(b.context.settingsThread.Busy());

    const auto trace = b.tracker.simulator.Trace();
    ASSERT_EQ(trace.size(), 31u);
    for (int k = 0; k < kExchangeItemCount; ++k) {
        EXPECT_EQ(trace[static_cast<size_t>(k)].command, kCmdReadParameter);
        EXPECT_EQ(trace[static_cast<size_t>(k)].id, kExchangeTable[static_cast<size_t>(k)].id)
            << "item " << k;
    }
    EXPECT_EQ(trace[30].id, kFollowUpReadId);

    const auto calls = b.sink.Calls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[0], "reply");
    EXPECT_EQ(calls[1], "show Чтение настроек...");
    EXPECT_EQ(calls[2], "progress 0/30");
    EXPECT_EQ(calls[calls.size() - 3], "progress 29/30") << "the bar never reaches its maximum";
    EXPECT_EQ(calls[calls.size() - 2], "image");
    EXPECT_EQ(calls.back(), "hide");
    EXPECT_TRUE(b.sink.Messages().empty()) << "a read shows no success message";
}

TEST(SettingsExchange, AReadOfAKnownTrackerAsksOnlyItsImeiAndAnyOtherIsReadInFull) {
    SettingsTracker b;
    SettingsImage known;
    known.SetText(5, "known");
    const auto readKnowing = [&](const std::string& imei) -> RWSettingsThread& {
        known.SetText(slot::kImei, imei);
        return b.TrackerWithWorker::Run<RWSettingsThread>([&](RWSettingsThread& w) {
            w.mode = kModeReadUnlessKnown;
            w.known = &known;
        });
    };
    const RWSettingsThread& same = readKnowing("861234050123456");
    EXPECT_TRUE(same.reused);
    EXPECT_EQ(b.context.image.Text(5), "known");
    ASSERT_EQ(b.tracker.simulator.Trace().size(), 1u);
    EXPECT_EQ(b.tracker.simulator.Trace()[0].id, SettingOf(slot::kImei).id);
    EXPECT_EQ(b.sink.Calls(), (std::vector<std::string>{"reply", "image", "hide"}));

    // A tracker swapped behind the adapter, or one whose IMEI was never read: read in full.
    for (const std::string imei : {"861234050999999", ""}) {
        const size_t before = b.tracker.simulator.Trace().size();
        const RWSettingsThread& other = readKnowing(imei);
        EXPECT_FALSE(other.reused) << imei;
        EXPECT_EQ(b.context.image.Text(5), "3") << imei;
        EXPECT_EQ(b.tracker.simulator.Trace().size() - before, imei.empty() ? 31u : 32u) << imei;
    }
}

TEST(SettingsExchange, AFullSlotWithoutTerminatorStaysInsideItsSlot) {
    SettingsTracker b;
    b.tracker.simulator.WithModel([](sim::TrackerModel& m) {
        m.SetParameterText(0x08080120, std::string(32, 'p'));  // slot 11, no zero byte
        return 0;
    });
    b.Run(kModeReadSettings);
    EXPECT_EQ(b.context.image.Text(11), std::string(32, 'p'));
    EXPECT_EQ(b.context.image.Text(12), "1") << "the neighbour slot is untouched";
}

TEST(SettingsExchange, ADroppedReplyEndsTheReadAndKeepsWhatCameBefore) {
    SettingsTracker b(PlanOf({"drop@1#8"}));
    b.context.image.SetText(9, "old");
    b.Run(kModeReadSettings);
    EXPECT_THAT(b.sink.Messages(), ElementsAre("message 4 Ошибка во время чтения параметров"));
    EXPECT_EQ(b.context.image.Text(6), "gps.zort-track.ru") << "item 6 was read before the failure";
    EXPECT_EQ(b.context.image.Text(7), "") << "item 7 failed: the slot stays cleared";
    EXPECT_EQ(b.context.image.Text(9), "") << "the image is cleared before a read";
    EXPECT_EQ(b.tracker.simulator.FramesReceived(), 8);
    EXPECT_EQ(b.sink.Calls().back(), "hide");
    EXPECT_FALSE(b.context.port.IsOpen());
    EXPECT_FALSE(b.context.settingsThread.Busy()) << "the next click must start a new read";
}

TEST(SettingsExchange, TheRealFourSecondTimeOutEndsAWrite) {
    SettingsTracker b(PlanOf({"drop@2#3"}));
    b.context.timings = LinkTimings{};
    const auto start = std::chrono::steady_clock::now();
    b.Run(kModeWriteSettings);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 4000ms);
    EXPECT_LT(elapsed, 5000ms);
    EXPECT_THAT(b.sink.Messages(), ElementsAre("message 4 Ошибка во время записи параметров"));
    EXPECT_EQ(b.tracker.simulator.FramesReceived(), 3);
}

TEST(SettingsExchange, WriteSendsItemsZeroToTwentyFourWholeAndAnyAckCounts) {
    SettingsTracker b(PlanOf({"garbage=1@2#1+", "short=1@2#1+"}));  // every ack is the byte 0xEE
    b.context.image.SetText(0, "+79001234567");
    b.context.image.SetText(28, "1");
    b.context.image.SetText(24, "999999999999999");  // device information is never sent
    b.Run(kModeWriteSettings);

    EXPECT_THAT(b.sink.Messages(), ElementsAre("message 3 Настройки успешно записаны"));
    const auto trace = b.tracker.simulator.Trace();
    ASSERT_EQ(trace.size(), 25u);
    EXPECT_EQ(trace[24].id, 0x08080440u);
    EXPECT_EQ(trace[0].payload.size(), 32u);
    EXPECT_EQ(std::string(trace[0].payload.begin(), trace[0].payload.begin() + 12), "+79001234567");
    EXPECT_EQ(b.tracker.simulator.WithModel([](auto& m) { return m.ParameterText(0x080807E0); }),
              "861234050123456");
    const auto calls = b.sink.Calls();
    EXPECT_EQ(calls[calls.size() - 3], "hide") << "the progress window goes before the message";
}

// The window may show another image (a file loaded, the defaults) while a write runs:
// the tracker gets the image as it was when the write began.
TEST(SettingsExchange, AWriteSendsTheImageAsItWasWhenItBegan) {
    SettingsTracker b(PlanOf({"hold@2#1"}));
    // The held acknowledgement must still be awaited when the test has changed the image
    // and lets it go: the tracker's own wait, not the fixture's short one, which a busy
    // machine can spend on the test's two steps alone.
    b.context.timings = LinkTimings{};
    b.context.image.SetText(slot::kDeliveryMode, "3");
    RWSettingsThread writer(b.context, b.sink);
    writer.mode = kModeWriteSettings;
    ASSERT_TRUE(writer.Start());
    b.WaitForAFault();
    ASSERT_EQ(b.tracker.simulator.FaultsApplied(), 1) << "the first acknowledgement is held";
    {
        std::lock_guard lock(b.context.imageMutex);
        b.context.image.SetText(slot::kDeliveryMode, "1");
    }
    b.tracker.transport.ReleaseHeld();
    writer.Join();

    EXPECT_THAT(b.sink.Messages(), ElementsAre("message 3 Настройки успешно записаны"));
    const auto trace = b.tracker.simulator.Trace();
    ASSERT_EQ(trace.size(), 25u);
    EXPECT_EQ(trace[slot::kDeliveryMode].payload[0], '3');
}

TEST(SettingsExchange, ASecondStartWhileOneRunsIsRefusedAndAMissingPortSaysWhy) {
    SettingsTracker b(PlanOf({"delay=150@1#1"}));
    RWSettingsThread first(b.context, b.sink), second(b.context, b.sink);
    first.mode = second.mode = kModeReadSettings;
    ASSERT_TRUE(first.Start());
    EXPECT_FALSE(second.Start()) << "one settings worker at a time";
    first.Join();
    EXPECT_TRUE(second.Start()) << "free again once the first has ended";
    second.Join();

    b.context.SetPortName("/dev/ttyZORT-nowhere");
    b.Run(kModeReadSettings);
    EXPECT_EQ(b.sink.Messages().back(), "message 4 Устройство не подключено");
    EXPECT_NE(b.sink.Detail().find("/dev/ttyZORT-nowhere"), std::string::npos);
    EXPECT_FALSE(b.context.settingsThread.Busy());
}

TEST(SettingsExchange, WhileAWriteHoldsTheChannelNoOtherOperationStartsAndACancelSaysWhatWasWritten) {
    SettingsTracker b(PlanOf({"hold@2#3"}));  // the third write waits
    b.context.timings = LinkTimings{};        // ... for as long as the test takes
    RWSettingsThread writer(b.context, b.sink);
    writer.mode = kModeWriteSettings;
    ASSERT_TRUE(writer.Start());
    b.WaitForAFault();
    ASSERT_EQ(b.tracker.simulator.FaultsApplied(), 1);
    EXPECT_EQ(b.context.portLease.Activity(), "идёт запись настроек");
    EXPECT_FALSE(b.context.portLease.Critical());
    MCUpdateThread flasher(b.context, b.sink);
    flasher.firmwarePath = "/dev/null";
    EXPECT_FALSE(flasher.Start()) << "a firmware update must not reopen the port under a write";
    EXPECT_FALSE(b.context.firmwareThread.Busy()) << "a refused start keeps no slot";

    writer.RequestCancel();
    b.tracker.transport.ReleaseHeld();
    writer.Join();
    EXPECT_TRUE(writer.cancelled);
    EXPECT_FALSE(b.context.portLease.Held());
    const size_t sent = b.tracker.simulator.Trace().size();
    EXPECT_EQ(static_cast<size_t>(writer.itemsDone), sent) << "nothing is sent after the cancel";
    EXPECT_THAT(b.sink.Messages(), ElementsAre("message 4 Запись настроек отменена"));
    EXPECT_EQ(b.sink.Detail(), WrittenSettingsText(writer.itemsDone));
    EXPECT_EQ(WrittenSettingsText(2), "Уже записаны (2 из 25): Номер телефона владельца, PIN-код");
    EXPECT_EQ(WrittenSettingsText(0), "Ни одна настройка не записана");

    EXPECT_TRUE(flasher.Start()) << "free again once the write has ended";
    flasher.Join();
}

TEST(SettingsExchange, AWorkThatMayWaitTakesTheChannelWhenItIsGivenBackOrGivesUpWhenStopped) {
    PortLease lease;
    const int reader = 0, search = 0, other = 0;
    ASSERT_TRUE(lease.TryTake(&reader, "идёт чтение настроек"));
    std::atomic<bool> took{false};
    std::jthread waiting([&](std::stop_token stop) { took = lease.TakeWhenFree(&search, "поиск", stop); });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(took) << "taken from under the read";
    lease.Give(&reader);
    waiting.join();
    EXPECT_TRUE(took);
    EXPECT_EQ(lease.Activity(), "поиск");

    std::jthread stopped([&](std::stop_token stop) { took = lease.TakeWhenFree(&other, "другое", stop); });
    stopped.request_stop();
    stopped.join();
    EXPECT_FALSE(took);
    EXPECT_EQ(lease.Activity(), "поиск") << "the holder keeps it";
}

TEST(SettingsExchange, CancelEndsARunningReadAtOnce) {
    SettingsTracker b(PlanOf({"drop@1#3"}));
    b.context.timings = LinkTimings{};
    auto worker = std::make_unique<RWSettingsThread>(b.context, b.sink);
    worker->mode = kModeReadSettings;
    ASSERT_TRUE(worker->Start());
    b.context.Adopt(std::move(worker));
    std::this_thread::sleep_for(100ms);
    const auto start = std::chrono::steady_clock::now();
    b.context.CancelAndJoinAll();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_FALSE(b.context.AnyRunning());
    EXPECT_FALSE(b.context.settingsThread.Busy());
}

}  // namespace
}  // namespace zort
