// The simulated GNSS receiver: valid NMEA, one burst a period while it is on.

#include <gtest/gtest.h>

#include "sim/GnssReceiverModel.h"
#include "sim/NmeaGenerator.h"

namespace zort::sim {
namespace {

using namespace std::chrono_literals;

std::vector<std::string> Sentences(const std::string& burst) {
    std::vector<std::string> out;
    for (size_t begin = 0, end; (end = burst.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
        out.push_back(burst.substr(begin, end + 2 - begin));
    }
    return out;
}

TEST(NmeaGenerator, ChecksumsFollowTheStandard) {
    // The textbook example sentence.
    EXPECT_EQ(NmeaGenerator::Sentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"),
              "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");
    EXPECT_TRUE(
        NmeaGenerator::Valid("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"));
    EXPECT_FALSE(
        NmeaGenerator::Valid("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*46\r\n"));
    EXPECT_FALSE(NmeaGenerator::Valid("$GPGGA,1*31"));
}

TEST(NmeaGenerator, EachBurstIsOneSecondOfValidSentences) {
    NmeaGenerator a, b;
    const std::string first = a.NextBurst();
    const auto sentences = Sentences(first);
    ASSERT_EQ(sentences.size(), 6u);
    std::string joined;
    for (const std::string& s : sentences) {
        EXPECT_TRUE(NmeaGenerator::Valid(s)) << s;
        joined += s;
    }
    EXPECT_EQ(joined, first) << "nothing between or after the sentences";
    EXPECT_EQ(sentences[0].rfind("$GPGGA,120000.00,", 0), 0u);
    EXPECT_EQ(sentences[5].rfind("$GPRMC,120000.00,A,", 0), 0u);
    EXPECT_EQ(b.NextBurst(), first) << "the same state gives the same bytes";
    EXPECT_EQ(a.NextBurst().rfind("$GPGGA,120001.00,", 0), 0u) << "the clock moves a second a burst";
}

TEST(GnssReceiverModel, StreamsOneBurstAPeriodWhileOn) {
    GnssReceiverModel receiver;
    auto now = GnssReceiverModel::Clock::time_point{} + 1h;
    receiver.SetClock([&] { return now; });
    EXPECT_TRUE(receiver.TakeSpontaneous().empty()) << "off";

    TrackerModel tracker;
    tracker.SetGnss(&receiver);
    tracker.Handle({{kCmdStartGnss, 0, 0}, {}});
    ASSERT_TRUE(receiver.Powered());
    EXPECT_TRUE(receiver.TakeSpontaneous().empty()) << "no fix yet";
    now += 1s;
    const std::vector<uint8_t> first = receiver.TakeSpontaneous();
    EXPECT_FALSE(first.empty());
    now += 500ms;
    EXPECT_TRUE(receiver.TakeSpontaneous().empty());
    now += 500ms;
    const std::vector<uint8_t> second = receiver.TakeSpontaneous();
    EXPECT_FALSE(second.empty());
    // Raw bytes passed to a navigating receiver get no answer.
    EXPECT_TRUE(tracker.Handle({{kCmdGnssPassThrough, 0, 1}, {0x5A}}).empty());

    now += 1h;  // a collector that stopped for an hour gets one burst, not 3600
    EXPECT_FALSE(receiver.TakeSpontaneous().empty());
    EXPECT_TRUE(receiver.TakeSpontaneous().empty());
    EXPECT_EQ(receiver.BurstsSent(), 3);

    NmeaGenerator same;
    std::string expected;
    for (int k = 0; k < 3; ++k) expected += same.NextBurst();
    EXPECT_EQ(receiver.SentStream(), expected);
    EXPECT_EQ(receiver.BytesSent(), expected.size());
    EXPECT_EQ(std::string(first.begin(), first.end()) + std::string(second.begin(), second.end()),
              expected.substr(0, first.size() + second.size()));

    tracker.Handle({{kCmdStopGnss, 0, 0}, {}});
    now += 5s;
    EXPECT_TRUE(receiver.TakeSpontaneous().empty());
    EXPECT_NE(receiver.StateJson().find("\"bytes_sent\": " + std::to_string(expected.size())),
              std::string::npos);
}

}  // namespace
}  // namespace zort::sim
