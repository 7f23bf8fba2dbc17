#include "worker/DeviceContext.h"

#include <algorithm>

#include "worker/Worker.h"

namespace zort {

bool WorkerSlot::TryClaim(Worker* worker) {
    Worker* expected = nullptr;
    return holder.compare_exchange_strong(expected, worker);
}

void WorkerSlot::Release(Worker* worker) {
    Worker* expected = worker;
    holder.compare_exchange_strong(expected, nullptr);
}

bool PortLease::TryTake(const void* newHolder, const std::string& what) {
    std::lock_guard lock(mutex);
    if (holder != nullptr) return false;
    holder = newHolder;
    activity = what;
    critical = false;
    return true;
}

bool PortLease::TakeWhenFree(const void* newHolder, const std::string& what, std::stop_token stop) {
    std::unique_lock lock(mutex);
    if (!given.wait(lock, stop, [this] { return holder == nullptr; })) return false;
    holder = newHolder;
    activity = what;
    critical = false;
    return true;
}

void PortLease::Give(const void* oldHolder) {
    {
        std::lock_guard lock(mutex);
        if (holder != oldHolder) return;
        holder = nullptr;
        activity.clear();
        critical = false;
    }
    given.notify_all();
}

void PortLease::SetCritical(const void* someHolder, bool isCritical) {
    std::lock_guard lock(mutex);
    if (holder == someHolder) critical = isCritical;
}

bool PortLease::Held() const {
    std::lock_guard lock(mutex);
    return holder != nullptr;
}

std::string PortLease::Activity() const {
    std::lock_guard lock(mutex);
    return activity;
}

bool PortLease::Critical() const {
    std::lock_guard lock(mutex);
    return critical;
}

DeviceContext::~DeviceContext() {
    CancelAndJoinAll();
}

void DeviceContext::SetPortName(const std::string& name) {
    std::lock_guard lock(portMutex);
    portName = name;
}

std::string DeviceContext::PortName() const {
    std::lock_guard lock(portMutex);
    return portName;
}

void DeviceContext::Adopt(std::unique_ptr<Worker> worker) {
    std::lock_guard lock(workersMutex);
    Reap(false);
    workers.push_back(std::move(worker));
}

void DeviceContext::Reap(bool all) {
    for (auto& w : workers) {
        if (all || w->Finished()) w->Join();
    }
    workers.erase(std::remove_if(workers.begin(), workers.end(),
                                 [&](const std::unique_ptr<Worker>& w) { return all || w->Finished(); }),
                  workers.end());
}

void DeviceContext::JoinAll() {
    std::lock_guard lock(workersMutex);
    Reap(true);
}

void DeviceContext::CancelAndJoinAll() {
    port.Cancel();
    JoinAll();
    port.Close();
}

bool DeviceContext::AnyRunning() {
    std::lock_guard lock(workersMutex);
    return std::any_of(workers.begin(), workers.end(), [](const auto& w) { return !w->Finished(); });
}

}  // namespace zort
