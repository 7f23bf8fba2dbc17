#include "app/MainThreadCalls.h"

#include <QThread>

namespace zort {

MainThreadCalls::MainThreadCalls() {
    connect(this, &MainThreadCalls::Posted, this, &MainThreadCalls::RunPending, Qt::QueuedConnection);
}

MainThreadCalls::~MainThreadCalls() {
    Detach();
    // A released caller still has to take the mutex again to leave Run(); the mutex and
    // the condition variable must outlive that.
    std::unique_lock lock(mutex);
    finished.wait(lock, [&] { return callers == 0; });
}

void MainThreadCalls::Detach() {
    std::lock_guard lock(mutex);
    detached = true;
    for (Pending* pending : queue) pending->done = true;
    queue.clear();
    finished.notify_all();
}

void MainThreadCalls::Run(const std::function<void()>& call) {
    if (QThread::currentThread() == thread()) {
        {
            std::lock_guard lock(mutex);
            if (detached) return;
        }
        call();
        return;
    }
    Pending pending{&call};
    {
        std::lock_guard lock(mutex);
        if (detached) return;
        queue.push_back(&pending);
        ++callers;
    }
    Q_EMIT Posted();
    std::unique_lock lock(mutex);
    finished.wait(lock, [&] { return pending.done; });
    --callers;
    finished.notify_all();
}

// One wake-up per posted call, but a wake-up runs whatever is queued; later ones may
// find the queue empty.
void MainThreadCalls::RunPending() {
    for (;;) {
        Pending* pending = nullptr;
        {
            std::lock_guard lock(mutex);
            if (queue.empty()) return;
            pending = queue.front();
            queue.pop_front();
        }
        // Outside the lock: the call may open a message box, whose event loop runs the
        // calls other workers post meanwhile. Its caller waits on until it returns.
        (*pending->call)();
        std::lock_guard lock(mutex);
        pending->done = true;
        finished.notify_all();
    }
}

}  // namespace zort
