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
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const char* argv[] = {ZORT_SIM_BINARY,     "--modem-free",  "1234",
                          "--modem-no-prompt", "--nmea-period", "100",
                          "--state",           state.c_str(),   nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, ZORT_SIM_BINARY, &actions, nullptr, const_cast<char**>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    FILE* sim = fdopen(out[0], "r");
    ASSERT_NE(sim, nullptr);
    char line[256] = {};
    ASSERT_NE(fgets(line, sizeof line, sim), nullptr);
    std::string path(line);
    path.erase(path.find_last_not_of("\r\n") + 1);

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

    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    fclose(sim);
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
