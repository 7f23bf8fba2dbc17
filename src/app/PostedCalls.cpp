#include "app/PostedCalls.h"

namespace zort {

PostedCalls::PostedCalls() {
    connect(this, &PostedCalls::Posted, this, &PostedCalls::RunPosted, Qt::QueuedConnection);
}

void PostedCalls::Post(std::function<void()> call) {
    {
        std::lock_guard lock(mutex);
        calls.push_back(std::move(call));
    }
    Q_EMIT Posted();
}

void PostedCalls::RunPosted() {
    std::deque<std::function<void()>> taken;
    {
        std::lock_guard lock(mutex);
        taken.swap(calls);
    }
    for (const std::function<void()>& call : taken) call();
}

}  // namespace zort
