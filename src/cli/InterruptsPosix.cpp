#include <pthread.h>

#include <ctime>

#include "cli/Interrupts.h"

namespace zort::cli {

Interrupts::Interrupts() {
    sigemptyset(&taken);
    sigaddset(&taken, SIGINT);
    sigaddset(&taken, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &taken, &previous);
}

Interrupts::~Interrupts() {
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

bool Interrupts::Within(int ms) {
    const timespec wait{ms / 1000, static_cast<long>(ms % 1000) * 1000 * 1000};
    return sigtimedwait(&taken, nullptr, &wait) > 0;
}

void Interrupts::Await() {
    int signal = 0;
    sigwait(&taken, &signal);
}

}  // namespace zort::cli
