#pragma once
// Runs the real zortcfg binary as a child process and collects what it printed and its
// exit status, the way a script sees it. A child that is still running after a minute
// is killed, so a hanging command fails its test instead of stalling the suite.

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace zort::test {

struct CliResult {
    int status = -1;  // exit status; -1 when killed or not started
    std::string out;
    std::string err;
    double seconds = 0.0;
};

struct CliOptions {
    // Gives the child a pseudo-terminal as stderr instead of a pipe.
    bool stderrTerminal = false;
    std::string workingDirectory;
    // The child becomes this user, with no supplementary groups (the test runs as
    // root); by default it runs as the test does.
    uid_t uid = static_cast<uid_t>(-1);
    gid_t gid = static_cast<gid_t>(-1);
    // Bind mounts (source, target), made in this order in a mount namespace of the
    // child's own (the test runs as root): made-up /sys and /dev trees seen only by it.
    std::vector<std::pair<std::string, std::string>> mounts;
};

inline CliOptions StderrTerminal() {
    CliOptions options;
    options.stderrTerminal = true;
    return options;
}

inline CliOptions InDirectory(std::string directory) {
    CliOptions options;
    options.workingDirectory = std::move(directory);
    return options;
}

inline CliOptions AsUser(uid_t uid, gid_t gid) {
    CliOptions options;
    options.uid = uid;
    options.gid = gid;
    return options;
}

inline CliResult RunZortcfg(const std::vector<std::string>& args, const CliOptions& options = {}) {
    CliResult result;
    // Everything the child needs is built before fork: between fork and exec only
    // async-signal-safe calls are allowed in a threaded process.
    std::vector<std::string> argStore = {ZORTCFG_BINARY};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);

    int outPipe[2];
    int errPipe[2] = {-1, -1};
    if (pipe2(outPipe, O_CLOEXEC) != 0) return result;
    if (options.stderrTerminal) {
        // The slave is opened here, not in the child, so the master never sees a
        // hang-up before the child has it; it reads EIO once the child is gone.
        errPipe[0] = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (errPipe[0] < 0 || grantpt(errPipe[0]) != 0 || unlockpt(errPipe[0]) != 0) return result;
        errPipe[1] = open(ptsname(errPipe[0]), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (errPipe[1] < 0) return result;
    } else if (pipe2(errPipe, O_CLOEXEC) != 0) {
        return result;
    }

    // Another user may not be allowed into the folder the build lives in (a clone in a
    // private temporary folder): the program is opened here and run from its descriptor.
    const bool otherUser = options.uid != static_cast<uid_t>(-1);
    const int program = otherUser ? open(ZORTCFG_BINARY, O_RDONLY | O_CLOEXEC) : -1;

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0) _exit(127);
        if (!options.mounts.empty()) {
            if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                _exit(125);
            for (const auto& [source, target] : options.mounts) {
                if (mount(source.c_str(), target.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0)
                    _exit(125);
            }
        }
        if (options.uid != static_cast<uid_t>(-1) &&
            (setgroups(0, nullptr) != 0 || setgid(options.gid) != 0 || setuid(options.uid) != 0)) {
            _exit(126);
        }
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        if (program >= 0) {
            fexecve(program, argv.data(), environ);
        } else {
            execve(argv[0], argv.data(), environ);
        }
        _exit(127);
    }
    if (program >= 0) close(program);
    close(outPipe[1]);
    if (errPipe[1] >= 0) close(errPipe[1]);
    if (pid < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return result;
    }

    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    const auto deadline = start + std::chrono::seconds(60);
    bool killed = false;
    int open = 2;
    while (open > 0) {
        if (std::chrono::steady_clock::now() > deadline && !killed) {
            kill(pid, SIGKILL);
            killed = true;
        }
        if (poll(fds, 2, 100) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                // A terminal's master reads EIO once the child's side is gone.
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.status = !killed && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace zort::test
