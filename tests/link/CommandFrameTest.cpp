#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "link/CommandFrame.h"

namespace zort {
namespace {

using ::testing::ElementsAre;

std::vector<uint8_t> Encode(uint8_t command, uint32_t id, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> out(kFrameBufferSize);
    const size_t n = EncodeFrame(out.data(), out.size(), command, id, static_cast<uint32_t>(payload.size()),
                                 payload.empty() ? nullptr : payload.data());
    out.resize(n);
    return out;
}

TEST(CommandFrame, ReadRequestIsNineLittleEndianBytes) {
    EXPECT_THAT(Encode(kCmdReadParameter, 0x08080460, {}),
                ElementsAre(0x01, 0x60, 0x04, 0x08, 0x08, 0x00, 0x00, 0x00, 0x00));
}

TEST(CommandFrame, ParameterWriteCarriesTheWholeSlot) {
    std::vector<uint8_t> slot(32, 0);
    slot[0] = '1';
    slot[1] = '2';
    const auto frame = Encode(kCmdWriteParameter, 0x08080480, slot);
    ASSERT_EQ(frame.size(), 41u);
    EXPECT_THAT(std::vector<uint8_t>(frame.begin(), frame.begin() + 11),
                ElementsAre(0x02, 0x80, 0x04, 0x08, 0x08, 0x20, 0x00, 0x00, 0x00, '1', '2'));
    const FrameHeader h = DecodeFrameHeader(frame.data());
    EXPECT_EQ(h.command, kCmdWriteParameter);
    EXPECT_EQ(h.id, 0x08080480u);
    EXPECT_EQ(h.length, 32u);
}

TEST(CommandFrame, PayloadBeyondTheBuildAreaIsRefused) {
    std::vector<uint8_t> out(kFrameBufferSize, 0xAB);
    std::vector<uint8_t> payload(kMaxFramePayload + 1, 1);
    EXPECT_EQ(
        EncodeFrame(out.data(), out.size(), kCmdGnssPassThrough, 0, kMaxFramePayload + 1, payload.data()),
        0u);
    EXPECT_EQ(out[0], 0xAB) << "nothing may be written for a refused frame";
    EXPECT_EQ(EncodeFrame(out.data(), out.size(), kCmdGnssPassThrough, 0, kMaxFramePayload, payload.data()),
              kFrameBufferSize);
    // A length with no payload behind it is a caller bug, not a frame.
    EXPECT_EQ(EncodeFrame(out.data(), out.size(), kCmdWriteFirmwareBlock, 0, 4, nullptr), 0u);
}

}  // namespace
}  // namespace zort
