#include <gtest/gtest.h>

#include <vector>

#include "sim/FrameParser.h"

namespace zort::sim {
namespace {

std::vector<uint8_t> Frame(uint8_t command, uint32_t id, std::vector<uint8_t> payload) {
    std::vector<uint8_t> out(kFrameHeaderSize + payload.size());
    EncodeFrame(out.data(), out.size(), command, id, static_cast<uint32_t>(payload.size()), payload.data());
    return out;
}

TEST(FrameParser, FramesArriveInAnyPieces) {
    std::vector<uint8_t> stream = Frame(kCmdReadParameter, 0x08080460, {});
    const auto block = Frame(kCmdWriteFirmwareBlock, 0x08006400, std::vector<uint8_t>(512, 0x5A));
    stream.insert(stream.end(), block.begin(), block.end());
    const auto write = Frame(kCmdWriteParameter, 0x08080480, std::vector<uint8_t>(32, '7'));
    stream.insert(stream.end(), write.begin(), write.end());

    for (size_t piece : {size_t{1}, size_t{5}, size_t{9}, size_t{100}, stream.size()}) {
        FrameParser parser;
        std::vector<ReceivedFrame> frames;
        for (size_t i = 0; i < stream.size(); i += piece) {
            auto got = parser.Feed(stream.data() + i, std::min(piece, stream.size() - i));
            frames.insert(frames.end(), got.begin(), got.end());
        }
        ASSERT_EQ(frames.size(), 3u) << "piece " << piece;
        EXPECT_EQ(frames[0].header.id, 0x08080460u);
        EXPECT_TRUE(frames[0].payload.empty());
        EXPECT_EQ(frames[1].header.id, 0x08006400u);
        EXPECT_EQ(frames[1].payload, std::vector<uint8_t>(512, 0x5A));
        EXPECT_EQ(frames[2].payload, std::vector<uint8_t>(32, '7'));
        EXPECT_EQ(parser.Pending(), 0u);
        EXPECT_EQ(parser.DiscardedBytes(), 0u);
    }
}

TEST(FrameParser, NoiseBeforeAFrameIsSkipped) {
    FrameParser parser;
    std::vector<uint8_t> stream = {0xEE, 0x00, 0xFF};  // no command has these codes
    const auto read = Frame(kCmdReadParameter, 0x08080580, {});
    stream.insert(stream.end(), read.begin(), read.end());
    const auto frames = parser.Feed(stream.data(), stream.size());
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].header.id, 0x08080580u);
    EXPECT_EQ(parser.DiscardedBytes(), 3u);

    // A header announcing more than any frame can carry is not waited for.
    std::vector<uint8_t> huge = {kCmdGnssPassThrough, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0};
    EXPECT_TRUE(parser.Feed(huge.data(), huge.size()).empty());
    EXPECT_LT(parser.Pending(), kFrameHeaderSize);
}

}  // namespace
}  // namespace zort::sim
