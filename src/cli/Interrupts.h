#pragma once
// Ctrl+C and termination requests for the commands that run until told to stop: taken by
// the command's own loop, so that it can end its operation properly instead of the
// program ending in the middle of it. Blocked from construction to destruction; made
// before any worker thread starts, so that every thread inherits the mask and the signal
// always reaches the waits below.

#include <signal.h>

namespace zort::cli {

class Interrupts {
  public:
    Interrupts();
    ~Interrupts();
    Interrupts(const Interrupts&) = delete;
    Interrupts& operator=(const Interrupts&) = delete;

    // True when an interrupt came within `ms`.
    bool Within(int ms);
    // Waits until one comes.
    void Await();

  private:
    sigset_t taken;
    sigset_t previous;
};

}  // namespace zort::cli
