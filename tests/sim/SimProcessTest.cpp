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

namespace zort {
namespace {

TEST(SimProcess, PrintsItsPortAnswersAndDumpsItsState) {
    const std::string state = ::testing::TempDir() + "zort-sim-state-" + std::to_string(getpid()) + ".json";
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const char* argv[] = {ZORT_SIM_BINARY, "--param", "0x08080460=+79001234567", "--state", state.c_str(),
                          "--fault", "drop@1#2", nullptr};
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
    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    fclose(sim);
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
