#include <windows.h>

#include <atomic>

#include "cli/Interrupts.h"

namespace zort::cli {
namespace {

// An auto-reset event, so that each interrupt is taken by one wait. Made once and never
// closed: the console's handler runs on a thread of its own and may still be about to
// signal it while an Interrupts ends.
HANDLE Taken() {
    static const HANDLE event = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return event;
}

std::atomic<bool> taking{false};

BOOL WINAPI OnConsoleControl(DWORD type) {
    if (!taking.load()) return FALSE;  // the next handler: in the end, the program ends
    ::SetEvent(Taken());
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) {
        // The system ends the process as soon as this returns: it is held here until the
        // command has ended and the program exits on its own (or the system's time-out
        // runs out first).
        ::Sleep(INFINITE);
    }
    return TRUE;
}

}  // namespace

Interrupts::Interrupts() {
    ::ResetEvent(Taken());
    taking.store(true);
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

Interrupts::~Interrupts() {
    ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    taking.store(false);
}

bool Interrupts::Within(int ms) {
    return ::WaitForSingleObject(Taken(), static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
}

void Interrupts::Await() {
    ::WaitForSingleObject(Taken(), INFINITE);
}

}  // namespace zort::cli
