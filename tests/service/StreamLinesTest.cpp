// The receiver's stream cut into whole log lines: what a poll cuts is joined, what is no
// text is dropped, and a sentence the receiver never finished never reaches the log.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service/StreamLines.h"

namespace zort {
namespace {

TEST(StreamLines, PiecesBecomeWholeLinesWhereverThePollsCutThem) {
    struct Case {
        const char* name;
        std::vector<std::string> pieces;
        std::string lines;
        std::string partial;
    };
    const std::vector<Case> cases = {
        {"one sentence", {"$GPGGA,1*6B\r\n"}, "$GPGGA,1*6B\n", ""},
        {"cut in the sentence", {"$GPR", "MC,2*61\r\n"}, "$GPRMC,2*61\n", ""},
        {"cut between CR and LF", {"$GPGGA,1*6B\r", "\n$GPG"}, "$GPGGA,1*6B\n", "$GPG"},
        {"two in one piece", {"$A*1\r\n$B*2\r\n"}, "$A*1\n$B*2\n", ""},
        {"empty polls", {"", "$A*1", "", "\r\n"}, "$A*1\n", ""},
        {"acknowledgement after a stop", {"$GPGSV,3*7A\r\n\x01"}, "$GPGSV,3*7A\n", ""},
        {"acknowledgement inside the stream", {"$GPG\x01SV,3*7A\r\n"}, "$GPGSV,3*7A\n", ""},
        {"sentence cut by the receiver's stop", {"$GPGGA,1015", "$GPRMC,2*61\r\n"}, "$GPRMC,2*61\n", ""},
        {"blank lines", {"\r\n\r\n$A*1\r\n"}, "$A*1\n", ""},
        {"text lines pass", {"$A*1\r\nОшибка\r\n"}, "$A*1\nОшибка\n", ""},
        {"relay joined mid-sentence", {"1015,N*6B\r\n$A*1\r\n"}, "$A*1\n", ""},
    };
    for (const Case& c : cases) {
        StreamLines stream;
        std::string lines;
        for (const std::string& piece : c.pieces) lines += stream.Add(piece);
        EXPECT_EQ(lines, c.lines) << c.name;
        EXPECT_EQ(stream.Partial(), c.partial) << c.name;
    }
}

TEST(StreamLines, ADroppedOrEndlessLineNeverReachesTheLog) {
    StreamLines stream;
    stream.Add("$GPGGA,101530.000,55");
    stream.DropPartial();
    EXPECT_EQ(stream.Add("45.1234\r\n$A*1\r\n"), "$A*1\n")
        << "the rest of a dropped sentence is dropped too, not shown as a line of its own";

    // A device sending without line ends does not make the held line grow for ever.
    const std::string noise(3 * StreamLines::kLongestLine, 'x');
    EXPECT_EQ(stream.Add("$" + noise + "\r\n"), "");
    EXPECT_LE(stream.Partial().size(), StreamLines::kLongestLine);
}

}  // namespace
}  // namespace zort
