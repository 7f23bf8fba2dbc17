#pragma once
// Another program that has a port open: a child process with that program's name
// (ModemManager, minicom, ...) holding the port, exclusively if asked, until the
// holder is destroyed. A process of its own, since this one serves the simulated
// tracker's master side and so counts as the device, not as a holder.

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace zort::test {

class PortHolder {
  public:
    PortHolder(const std::string& port, const std::string& name, bool exclusive) {
        int ready[2], done[2];
        if (pipe(ready) != 0 || pipe(done) != 0) return;
        pid = fork();
        if (pid == 0) {  // only async-signal-safe calls: the parent has threads
            for (int fd = 3; fd < 1024; ++fd) {
                if (fd != ready[1] && fd != done[0]) ::close(fd);
            }
            (void)prctl(PR_SET_NAME, name.c_str(), 0, 0, 0);
            const int fd = ::open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            const char ok = fd >= 0 && (!exclusive || ioctl(fd, TIOCEXCL) == 0) ? '1' : '0';
            (void)!::write(ready[1], &ok, 1);
            char c;
            (void)!::read(done[0], &c, 1);
            _exit(0);
        }
        ::close(ready[1]);
        ::close(done[0]);
        char ok = 0;
        holding = pid > 0 && ::read(ready[0], &ok, 1) == 1 && ok == '1';
        ::close(ready[0]);
        release = done[1];
    }
    ~PortHolder() {
        ::close(release);
        if (pid > 0) waitpid(pid, nullptr, 0);
    }
    PortHolder(const PortHolder&) = delete;
    PortHolder& operator=(const PortHolder&) = delete;

    pid_t pid = -1;
    bool holding = false;

  private:
    int release = -1;
};

}  // namespace zort::test
