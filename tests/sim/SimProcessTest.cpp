// zort-sim as a separate process, the way people and scripts use it.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "link/SerialPort.h"
#include "support/SimProcess.h"

namespace zort {
namespace {

TEST(SimProcess, PrintsItsPortAnswersAndDumpsItsState) {
    const std::string state = ::testing::TempDir() + "zort-sim-state-" + std::to_string(getpid()) + ".json";
    test::SimProcess sim({"--param", "0x08080460=+79001234567", "--state", state, "--fault", "drop@1#2"});
    const std::string path = sim.Path();
    ASSERT_FALSE(path.empty()) << "zort-sim did not start";
    EXPECT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;

    SerialPort port;
    ASSERT_EQ(port.Open(path), 1) << port.LastOpenError().Describe();
    port.SendFrame(kCmdReadParameter, 0x08080460, 0, nullptr);
    ASSERT_TRUE(port.WaitReply(32, 4000));
    EXPECT_STREQ(reinterpret_cast<const char*>(port.rxBuffer), "+79001234567");
    port.SendFrame(kCmdReadParameter, 0x08080460, 0, nullptr);
    EXPECT_FALSE(port.WaitReply(32, 300)) << "the second read is dropped";
    port.Close();

    // Stop it as a user would and read what it wrote.
    EXPECT_EQ(sim.Stop(), 0);
    std::ifstream in(state);
    std::stringstream json;
    json << in.rdbuf();
    EXPECT_NE(json.str().find("\"0x08080460\": \"+79001234567\""), std::string::npos);
    EXPECT_NE(json.str().find("\"fate\": \"dropped\""), std::string::npos);
    EXPECT_NE(json.str().find("\"frames_received\": 2"), std::string::npos);
    std::remove(state.c_str());
}

}  // namespace
}  // namespace zort
