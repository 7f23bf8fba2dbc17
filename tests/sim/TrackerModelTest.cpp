#include <gtest/gtest.h>

#include "sim/TrackerModel.h"
#include "sim/TrackerSimulator.h"

namespace zort::sim {
namespace {

ReceivedFrame Frame(uint8_t command, uint32_t id, std::vector<uint8_t> payload = {}) {
    ReceivedFrame f;
    f.header = {command, id, static_cast<uint32_t>(payload.size())};
    f.payload = std::move(payload);
    return f;
}

TEST(TrackerModel, ParametersAreStoredAndReadBackWhole) {
    TrackerModel model;
    EXPECT_EQ(model.Handle(Frame(kCmdReadParameter, 0x080807E0)).size(), 32u);
    EXPECT_EQ(model.ParameterText(0x080807E0).size(), 15u) << "an IMEI has 15 digits";

    std::vector<uint8_t> slot(32, 'x');  // no terminating zero: all 32 bytes are kept
    EXPECT_EQ(model.Handle(Frame(kCmdWriteParameter, 0x08080120, slot)),
              std::vector<uint8_t>{TrackerModel::kAck});
    EXPECT_EQ(model.Handle(Frame(kCmdReadParameter, 0x08080120)), slot);
    EXPECT_EQ(model.Handle(Frame(kCmdReadParameter, 0x0BADBAD0)), std::vector<uint8_t>(32, 0));
}

TEST(TrackerModel, FlashKeepsBlocksAtTheirAddressesAfterAnErase) {
    TrackerModel model;
    EXPECT_EQ(model.Handle(Frame(kCmdWriteFirmwareBlock, 0x08006400, {1, 2})).size(), 1u);
    EXPECT_EQ(model.FlashFaults(), 1) << "a block before any erase is a client fault";

    EXPECT_EQ(model.Handle(Frame(kCmdPrepareFirmware, 0)).size(), 1u);
    model.Handle(Frame(kCmdWriteFirmwareBlock, 0x08006400, std::vector<uint8_t>(512, 0xA1)));
    model.Handle(Frame(kCmdWriteFirmwareBlock, 0x08006600, std::vector<uint8_t>(488, 0xB2)));
    ASSERT_EQ(model.FlashImage().size(), 1000u);
    EXPECT_EQ(model.FlashImage()[511], 0xA1);
    EXPECT_EQ(model.FlashImage()[512], 0xB2);
    EXPECT_EQ(model.FlashBlocks(), 3);

    model.Handle(Frame(kCmdWriteFirmwareBlock, 0x08000000, {1}));  // below the application area
    EXPECT_EQ(model.FlashFaults(), 2);
}

TEST(TrackerModel, SwitchesAnswerAndTheSlowLinkSwitchIsSilent) {
    TrackerModel model;
    EXPECT_EQ(model.Handle(Frame(kCmdStartModem, 0)).size(), 1u);
    EXPECT_TRUE(model.ModemOn());
    EXPECT_EQ(model.Handle(Frame(kCmdStopModem, 0)).size(), 1u);
    EXPECT_FALSE(model.ModemOn());
    EXPECT_EQ(model.Handle(Frame(kCmdSetGnssBaud, 115200)).size(), 1u);
    EXPECT_EQ(model.GnssBaud(), 115200u);
    EXPECT_TRUE(model.Handle(Frame(kCmdSetGnssBaud, 9600)).empty());
    // Without a modem or receiver model behind them, pass-through frames go unanswered.
    EXPECT_TRUE(model.Handle(Frame(kCmdModemPassThrough, 0, {'A', 'T', '\r'})).empty());
}

TEST(TrackerSimulator, FaultsBendTheAnswersAndTheTraceTellsTheFate) {
    FaultPlan plan;
    FaultRule rule;
    std::string error;
    ASSERT_TRUE(FaultRule::Parse("drop@1#2", rule, error));
    plan.rules.push_back(rule);
    ASSERT_TRUE(FaultRule::Parse("short=10@1#3", rule, error));
    plan.rules.push_back(rule);
    ASSERT_TRUE(FaultRule::Parse("garbage=2@2#1", rule, error));
    plan.rules.push_back(rule);
    plan.closeAfterFrames = 5;
    TrackerSimulator simulator(plan);

    std::vector<uint8_t> stream;
    auto add = [&](uint8_t cmd, uint32_t id, std::vector<uint8_t> payload) {
        std::vector<uint8_t> f(kFrameHeaderSize + payload.size());
        EncodeFrame(f.data(), f.size(), cmd, id, static_cast<uint32_t>(payload.size()), payload.data());
        stream.insert(stream.end(), f.begin(), f.end());
    };
    add(kCmdReadParameter, 0x08080460, {});
    add(kCmdReadParameter, 0x08080480, {});
    add(kCmdReadParameter, 0x08080580, {});
    add(kCmdWriteParameter, 0x08080580, std::vector<uint8_t>(32, 0));
    add(kCmdSetGnssBaud, 9600, {});
    add(kCmdReadParameter, 0x08080460, {});
    add(kCmdReadParameter, 0x08080460, {});  // never seen: the line is closed

    const auto replies = simulator.OnBytes(stream.data(), stream.size());
    ASSERT_EQ(replies.size(), 6u);
    EXPECT_EQ(replies[0].bytes.size(), 32u);
    EXPECT_TRUE(replies[1].bytes.empty());
    EXPECT_EQ(replies[2].bytes.size(), 10u);
    EXPECT_EQ(replies[3].bytes, (std::vector<uint8_t>{0xEE, 0xEE, TrackerModel::kAck}));
    EXPECT_TRUE(replies[5].closeLine);
    std::vector<std::string> fates;
    for (const auto& r : simulator.Trace()) fates.push_back(r.fate);
    EXPECT_EQ(fates,
              (std::vector<std::string>{"answered", "dropped", "answered", "answered", "silent", "closed"}));
    EXPECT_NE(simulator.StateJson().find("\"line_closed\": true"), std::string::npos);
}

}  // namespace
}  // namespace zort::sim
