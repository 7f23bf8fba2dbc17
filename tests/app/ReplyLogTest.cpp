#include <gtest/gtest.h>

#include <string>

#include "app/ReplyLog.h"

namespace zort {
namespace {

using namespace std::string_literals;

TEST(FormatLogReply, ShowsZerosAsHexAndOtherBytesAsCharacters) {
    EXPECT_EQ(FormatLogReply("\x31\x00\x41\x00\x00"s), "1 0x00 A 0x00 0x00 ");
    // Windows-1251 "Да" comes out as UTF-8, each letter followed by a blank.
    EXPECT_EQ(FormatLogReply("\xc4\xe0"s), "Д а ");
    EXPECT_EQ(FormatLogReply(""), "");
}

TEST(FormatLogReply, DescribesOnlyTheFirst32Bytes) {
    const std::string reply = std::string(32, '\0') + "tail";
    std::string expected;
    for (int i = 0; i < 32; ++i) expected += "0x00 ";
    EXPECT_EQ(FormatLogReply(reply), expected);
    EXPECT_EQ(FormatLogReply(std::string(31, 'x') + "yz"), [] {
        std::string out;
        for (int i = 0; i < 31; ++i) out += "x ";
        return out + "y ";
    }());
}

TEST(FormatLogReply, SeparatorIsTwoCrLfPairs) {
    EXPECT_EQ(kLogReplySeparator, "\r\n\r\n");
}

}  // namespace
}  // namespace zort
