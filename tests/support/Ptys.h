#pragma once
// Pseudo-terminals with nothing of the simulator behind them: one where nobody answers,
// one whose other end streams bytes without pause, one that can be unplugged.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

namespace zort::test {

class LonePty {
  public:
    LonePty() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) {
            char name[128] = {};
            if (ptsname_r(master, name, sizeof name) == 0) path = name;
        }
    }
    ~LonePty() {
        StopFlood();
        Unplug();
    }
    LonePty(const LonePty&) = delete;
    LonePty& operator=(const LonePty&) = delete;

    // The other end sends 0x55 bytes as fast as the line takes them until stopped.
    void StartFlood() {
        (void)fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        flooding = true;
        flood = std::thread([this] {
            unsigned char block[256];
            std::fill(std::begin(block), std::end(block), 0x55);
            while (flooding) {
                pollfd p{master, POLLOUT, 0};
                if (poll(&p, 1, 20) > 0 && (p.revents & POLLOUT)) (void)!::write(master, block, sizeof block);
                unsigned char sink[256];
                (void)!::read(master, sink, sizeof sink);  // requests must not fill the other way
            }
        });
    }
    void StopFlood() {
        flooding = false;
        if (flood.joinable()) flood.join();
    }
    // The device goes away: the slave's reader sees a hang-up.
    void Unplug() {
        if (master >= 0) ::close(master);
        master = -1;
    }

    int master = -1;
    std::string path;

  private:
    std::atomic<bool> flooding{false};
    std::thread flood;
};

}  // namespace zort::test
