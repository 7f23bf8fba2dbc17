// zort-sim's options for the modem and the GNSS receiver, through the process as people
// and scripts start it.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
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
    test::SimProcess sim(
        {"--modem-free", "1234", "--modem-no-prompt", "--nmea-period", "100", "--state", state});
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

    port.SendFrame(kCmdStartGnss, 0, 0, nullptr);
    ASSERT_TRUE(port.WaitReply(1, 2000));
    std::this_thread::sleep_for(400ms);
    std::array<uint8_t, 4096> bytes{};
    const size_t n = port.TakeReceived(bytes.data(), bytes.size());
    EXPECT_NE(std::string(bytes.begin(), bytes.begin() + static_cast<long>(n)).find("$GPGGA,"),
              std::string::npos);
    port.Close();

    EXPECT_EQ(sim.Stop(), 0);
    std::ifstream in(state);
    std::stringstream json;
    json << in.rdbuf();
    EXPECT_NE(json.str().find("\"no_prompt\": true"), std::string::npos) << json.str();
    EXPECT_NE(json.str().find("\"files\": {\"A.AMR\": \"\"}"), std::string::npos);
    EXPECT_NE(json.str().find("\"burst_period_ms\": 100"), std::string::npos);
    std::remove(state.c_str());
}

}  // namespace
}  // namespace zort
