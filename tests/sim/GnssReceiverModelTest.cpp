// The simulated GNSS receiver: valid NMEA, one burst a period while it is on.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>

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

// The fields between "$" and "*", the address first.
std::vector<std::string> Fields(const std::string& sentence) {
    std::vector<std::string> out(1);
    for (char c : sentence.substr(1, sentence.find('*') - 1)) {
        if (c == ',') {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

int AzimuthStep(int a, int b) {
    const int d = std::abs(a - b) % 360;
    return std::min(d, 360 - d);
}

struct InView {
    int elevation = 0, azimuth = 0;
    std::string snr;
};
struct Burst {
    std::vector<std::string> gga, rmc, vtg;
    std::vector<std::vector<std::string>> gsa;
    std::map<int, InView> sky;
};
// A burst as a status view reads it, checking the GSV sentences on the way: numbered 1..n
// of n, the same count in view in each, every satellite listed once, in its system's range.
Burst Read(const std::string& text) {
    Burst b;
    std::map<std::string, std::vector<std::vector<std::string>>> gsv;
    for (const std::string& s : Sentences(text)) {
        std::vector<std::string> f = Fields(s);
        if (f[0] == "GNGGA") b.gga = f;
        if (f[0] == "GNGSA") b.gsa.push_back(f);
        if (f[0] == "GPGSV" || f[0] == "GLGSV") gsv[f[0]].push_back(f);
        if (f[0] == "GNRMC") b.rmc = f;
        if (f[0] == "GNVTG") b.vtg = f;
    }
    EXPECT_EQ(gsv["GPGSV"].size(), 3u);
    EXPECT_EQ(gsv["GLGSV"].size(), 2u);
    for (const auto& [talker, messages] : gsv) {
        size_t listed = 0;
        for (size_t m = 0; m < messages.size(); ++m) {
            const std::vector<std::string>& f = messages[m];
            EXPECT_EQ(f[1] + "," + f[2] + "," + f[3],
                      std::to_string(messages.size()) + "," + std::to_string(m + 1) + "," + messages[0][3]);
            EXPECT_TRUE(m + 1 == messages.size() ? f.size() % 4 == 0 && f.size() > 4 : f.size() == 20);
            for (size_t k = 4; k + 3 < f.size(); k += 4, ++listed) {
                const int prn = std::stoi(f[k]);
                EXPECT_TRUE(talker == "GPGSV" ? prn >= 1 && prn <= 32 : prn >= 65 && prn <= 96) << prn;
                EXPECT_TRUE(
                    b.sky.emplace(prn, InView{std::stoi(f[k + 1]), std::stoi(f[k + 2]), f[k + 3]}).second);
            }
        }
        EXPECT_EQ(std::stoul(messages[0][3]), listed) << talker;
        EXPECT_EQ(messages[0][3].size(), 2u);
    }
    return b;
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
    std::string joined, order;
    for (const std::string& s : sentences) {
        EXPECT_TRUE(NmeaGenerator::Valid(s)) << s;
        joined += s;
        order += Fields(s)[0] + " ";
    }
    EXPECT_EQ(joined, first) << "nothing between or after the sentences";
    EXPECT_EQ(order, "GNGGA GNGSA GNGSA GPGSV GPGSV GPGSV GLGSV GLGSV GNRMC GNVTG ");
    EXPECT_EQ(sentences[0].rfind("$GNGGA,120000.00,5545.1234,N,03737.5678,E,1,", 0), 0u);
    EXPECT_EQ(sentences[8].rfind("$GNRMC,120000.00,A,5545.1234,N,03737.5678,E,", 0), 0u);
    EXPECT_EQ(b.NextBurst(), first) << "the same state gives the same bytes";
    const std::string second = a.NextBurst();
    EXPECT_EQ(second.rfind("$GNGGA,120001.00,", 0), 0u) << "the clock moves a second a burst";
    EXPECT_GT(Fields(Sentences(second)[0])[4], Fields(sentences[0])[4]) << "drifting east";
}

// Two hours of bursts: the GSA lists name only satellites in view with a signal and
// above the mask, each system in its own sentence, and GGA counts them.
TEST(NmeaGenerator, TheSkyIsConsistentInEveryBurstAndMovesSlowly) {
    NmeaGenerator nmea;
    std::map<int, InView> start, previous;
    size_t largest = 0;
    for (int second = 0; second < 2 * 3600 && !HasFailure(); ++second) {
        SCOPED_TRACE(second);
        const std::string burst = nmea.NextBurst();
        largest = std::max(largest, burst.size());
        const Burst b = Read(burst);
        ASSERT_EQ(b.gsa.size(), 2u);
        int used = 0;
        for (int system = 0; system < 2; ++system) {
            const std::vector<std::string>& gsa = b.gsa[system];
            ASSERT_EQ(gsa.size(), 18u) << "mode, fix, 12 slots, three DOPs";
            EXPECT_EQ(gsa[2] + gsa[16], "3" + b.gga[8]) << "a 3D fix, one HDOP";
            for (size_t slot = 3; slot < 15 && !gsa[slot].empty(); ++slot, ++used) {
                const int prn = std::stoi(gsa[slot]);
                EXPECT_TRUE(system == 0 ? prn >= 1 && prn <= 32 : prn >= 65 && prn <= 96) << prn;
                ASSERT_EQ(b.sky.count(prn), 1u) << prn << " is used but not in view";
                EXPECT_FALSE(b.sky.at(prn).snr.empty()) << prn;
                EXPECT_GE(b.sky.at(prn).elevation, 10) << prn;
            }
        }
        EXPECT_EQ(b.gga[6] + "," + b.gga[7], "1," + std::to_string(used));
        EXPECT_GE(used, 6);
        int gps = 0, untracked = 0, low = 0;
        for (const auto& [prn, s] : b.sky) {
            gps += prn <= 32;
            untracked += s.snr.empty();
            low += s.elevation < 10;
            // From one second to the next a satellite moves a degree at most.
            if (second == 0) continue;
            EXPECT_LE(std::abs(s.elevation - previous.at(prn).elevation), 1) << prn;
            EXPECT_LE(AzimuthStep(s.azimuth, previous.at(prn).azimuth), 1) << prn;
        }
        EXPECT_TRUE(gps >= 10 && gps <= 12 && b.sky.size() - gps >= 6 && b.sky.size() - gps <= 8);
        EXPECT_TRUE(untracked >= 1 && low >= 1);
        if (second == 0) start = b.sky;
        previous = b.sky;
    }
    // At 9600 baud the line carries 960 bytes a second; the burst leaves room.
    EXPECT_LE(largest, 800u);
    int moved = 0;
    for (const auto& [prn, s] : previous) moved += AzimuthStep(s.azimuth, start.at(prn).azimuth) >= 5;
    EXPECT_GE(moved, 10) << "in two hours most satellites moved";
}

TEST(NmeaGenerator, WithoutAFixTheSkyStaysButThePositionGoes) {
    NmeaGenerator fixed, lost;
    for (int k = 0; k < 30; ++k) {
        fixed.NextBurst();
        lost.NextBurst();
    }
    lost.SetFix(false);
    const std::string burst = lost.NextBurst();
    for (const std::string& s : Sentences(burst)) EXPECT_TRUE(NmeaGenerator::Valid(s)) << s;
    const Burst b = Read(burst);
    const Burst withFix = Read(fixed.NextBurst());
    using Texts = std::vector<std::string>;
    EXPECT_EQ(b.gga, (Texts{"GNGGA", "120030.00", "", "", "", "", "0", "00", "", "", "M", "", "M", "", ""}));
    const Texts noSolution = {"GNGSA", "A", "1", "", "", "", "", "", "", "", "", "", "", "", "", "", "", ""};
    EXPECT_EQ(b.gsa, (std::vector<Texts>{noSolution, noSolution}));
    EXPECT_EQ(b.rmc, (Texts{"GNRMC", "120030.00", "V", "", "", "", "", "", "", "150324", "", "", "N"}));
    EXPECT_EQ(b.vtg, (Texts{"GNVTG", "", "T", "", "M", "", "N", "", "K", "N"}));
    // The receiver still sees the satellites where they are, only faintly.
    ASSERT_EQ(b.sky.size(), withFix.sky.size());
    for (const auto& [prn, s] : b.sky) {
        EXPECT_EQ(s.elevation, withFix.sky.at(prn).elevation) << prn;
        EXPECT_EQ(s.azimuth, withFix.sky.at(prn).azimuth) << prn;
        EXPECT_TRUE(s.snr.empty() || std::stoi(s.snr) < 20) << prn << " " << s.snr;
    }
    lost.SetFix(true);
    EXPECT_EQ(lost.NextBurst(), fixed.NextBurst()) << "the fix comes back where the clock is";
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
