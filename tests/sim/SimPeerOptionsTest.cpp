// zort-sim's options for the modem and the GNSS receiver, through the process as people
// and scripts start it.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "link/SerialPort.h"
#include "support/SimProcess.h"

namespace zort {
namespace {

using namespace std::chrono_literals;

std::string ReadJson(const std::string& path) {
    std::ifstream in(path);
    std::stringstream json;
    json << in.rdbuf();
    return json.str();
}

std::string Answer(SerialPort& port, const std::string& command) {
    port.SendFrame(kCmdModemPassThrough, 0, static_cast<uint32_t>(command.size()),
                   reinterpret_cast<const uint8_t*>(command.data()));
    port.WaitReply(4096, 300);  // whatever comes within the time
    std::array<uint8_t, 4096> bytes{};
    const size_t n = port.CopyReceived(bytes.data(), bytes.size());
    return std::string(bytes.begin(), bytes.begin() + static_cast<long>(n));
}

TEST(SimPeerOptions, ModemAndReceiverOptionsTakeEffect) {
    const std::string state = ::testing::TempDir() + "zort-sim-peers-" + std::to_string(getpid()) + ".json";
    test::SimProcess sim({"--modem-free", "1234", "--modem-no-prompt", "--no-sim", "--no-fix",
                          "--nmea-period", "100", "--state", state});
    const std::string path = sim.Path();
    ASSERT_FALSE(path.empty()) << "zort-sim did not start";

    SerialPort port;
    ASSERT_EQ(port.Open(path), 1) << port.LastOpenError().Describe();
    EXPECT_EQ(Answer(port, "AT\r\n"), "") << "the modem is off until the tracker starts it";
    port.SendFrame(kCmdStartModem, 0, 0, nullptr);
    ASSERT_TRUE(port.WaitReply(1, 2000));
    EXPECT_EQ(Answer(port, "ATE0\r\n"), "ATE0\r\r\nOK\r\n");
    EXPECT_EQ(Answer(port, "AT+FSMEM\r\n"), "\r\n+FSMEM: C:1234bytes\r\n\r\nOK\r\n");
    EXPECT_EQ(Answer(port, "AT+FSCREATE=C:\\A.AMR\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(Answer(port, "AT+FSWRITE=C:\\A.AMR,1,1,1000\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(Answer(port, "AT+CPIN?\r\n"), "\r\n+CME ERROR: 10\r\n");
    EXPECT_EQ(Answer(port, "AT+CUSD=1,\"*100#\",15\r\n"), "\r\n+CME ERROR: 10\r\n");

    port.SendFrame(kCmdStartGnss, 0, 0, nullptr);
    ASSERT_TRUE(port.WaitReply(1, 2000));
    std::this_thread::sleep_for(400ms);
    std::array<uint8_t, 4096> bytes{};
    const size_t n = port.TakeReceived(bytes.data(), bytes.size());
    const std::string stream(bytes.begin(), bytes.begin() + static_cast<long>(n));
    EXPECT_NE(stream.find("$GNGGA,"), std::string::npos);
    EXPECT_EQ(stream.find("5545."), std::string::npos) << "no fix, no position: " << stream;
    port.Close();

    EXPECT_EQ(sim.Stop(), 0);
    const std::string json = ReadJson(state);
    EXPECT_NE(json.find("\"no_prompt\": true"), std::string::npos) << json;
    EXPECT_NE(json.find("\"files\": {\"A.AMR\": \"\"}"), std::string::npos);
    EXPECT_NE(json.find("\"burst_period_ms\": 100"), std::string::npos);
    EXPECT_NE(json.find("\"no_sim\": true, \"no_network\": false"), std::string::npos);
    EXPECT_NE(json.find("\"ussd_codes\": [\"*100#\"]"), std::string::npos);
    EXPECT_NE(json.find("\"fix\": false"), std::string::npos);
    std::remove(state.c_str());
}

TEST(SimPeerOptions, TheNetworksUssdAnswerComesInRealTime) {
    test::SimProcess sim({"--weak-signal", "--ussd-text"});
    const std::string path = sim.Path();
    ASSERT_FALSE(path.empty()) << "zort-sim did not start";
    SerialPort port;
    ASSERT_EQ(port.Open(path), 1) << port.LastOpenError().Describe();
    port.SendFrame(kCmdStartModem, 0, 0, nullptr);
    ASSERT_TRUE(port.WaitReply(1, 2000));
    EXPECT_EQ(Answer(port, "ATE0\r\n"), "ATE0\r\r\nOK\r\n");
    EXPECT_EQ(Answer(port, "AT+CSQ\r\n"), "\r\n+CSQ: 4,99\r\n\r\nOK\r\n");

    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(Answer(port, "AT+CUSD=1,\"*100#\",15\r\n"), "\r\nOK\r\n");
    const std::string expected = "\r\nOK\r\n\r\n+CUSD: 0,\"\xC1\xE0\xEB\xE0\xED\xF1: 123,45 \xF0.\",15\r\n";
    ASSERT_TRUE(port.WaitReply(static_cast<uint32_t>(expected.size()), 4000)) << "the network never answered";
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
    std::array<uint8_t, 4096> bytes{};
    const size_t n = port.CopyReceived(bytes.data(), bytes.size());
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + static_cast<long>(n)), expected);
    EXPECT_GE(seconds, 1.2) << "the answer waits on the clock, not on the next request";
    port.Close();
}

}  // namespace
}  // namespace zort
