#pragma once
// Ctrl+C and termination requests for the commands that run until told to stop: taken by
// the command's own loop, so that it can end its operation properly instead of the
// program ending in the middle of it. Taken from construction to destruction. On Linux
// the signals are blocked, and the object is made before any worker thread starts, so
// that every thread inherits the mask and the signal always reaches the waits below. On
// Windows the console's control handler (Ctrl+C, Ctrl+Break, closing the window, logging
// off, shutting down) signals an event the waits below take.

#ifndef _WIN32
#include <signal.h>
#endif

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

#ifndef _WIN32
  private:
    sigset_t taken;
    sigset_t previous;
#endif
};

}  // namespace zort::cli
