#pragma once
// Starts zort-sim as a child process, the way people and scripts run it; benchmarks use
// it too, so that the figures measured in their own process are the client's alone.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace zort::test {

class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> args) {
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        args.insert(args.begin(), ZORT_SIM_BINARY);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid, ZORT_SIM_BINARY, &actions, nullptr, argv.data(), environ) != 0) pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        stdoutFile = fdopen(out[0], "r");
        char line[256] = {};
        if (stdoutFile && fgets(line, sizeof line, stdoutFile)) {
            path = line;
            path.erase(path.find_last_not_of("\r\n") + 1);
        }
    }
    ~SimProcess() { Stop(); }
    // Stops it as a user would (SIGTERM) and returns its exit status, or -1 when it
    // did not end normally or was never started.
    int Stop() {
        int status = -1;
        if (pid > 0) {
            kill(pid, SIGTERM);
            int raw = 0;
            if (waitpid(pid, &raw, 0) == pid && WIFEXITED(raw)) status = WEXITSTATUS(raw);
            pid = 0;
        }
        if (stdoutFile) fclose(stdoutFile);
        stdoutFile = nullptr;
        return status;
    }
    const std::string& Path() const { return path; }

  private:
    pid_t pid = 0;
    FILE* stdoutFile = nullptr;
    std::string path;
};

}  // namespace zort::test
