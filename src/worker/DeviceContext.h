#pragma once
// What both the GUI's main window and the CLI hold for the whole run: the one serial
// channel, the settings image with its mutex, the chosen port, and one slot per guarded
// worker kind (a kind runs at most once at a time).
//
// Locks: imageMutex guards copies of device replies into the image; the channel's
// rxMutex is a different lock and the two are never held together. portMutex guards
// the port name only; the lease's own mutex guards its holder and is taken alone.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

#include "link/SerialPort.h"
#include "worker/LinkTimings.h"
#include "worker/SettingsImage.h"

namespace zort {

class Worker;

// One operation on the tracker as it ended, for the log of every operation.
struct OperationRecord {
    std::chrono::system_clock::time_point started;
    std::chrono::milliseconds duration{0};  // until its final message, not until that is closed
    std::string port;
    std::string activity;  // as the busy line names it: "идёт чтение настроек"
    int statusKind = 0;    // kStatusSuccess, kStatusError, or 0 when it said neither
    std::string message;
    // The settings the operation read or sent, when it is one that does: the main
    // image (guarded by imageMutex) or a scratch image of the operation's own.
    const SettingsImage* image = nullptr;
};

// A guarded worker kind: non-empty from the start of a worker until its ending
// sequence clears it.
class WorkerSlot {
  public:
    // Claims the slot for `worker`; false when another worker of the kind holds it.
    bool TryClaim(Worker* worker);
    void Release(Worker* worker);
    bool Busy() const { return holder.load() != nullptr; }

  private:
    std::atomic<Worker*> holder{nullptr};
};

// The channel itself: whatever their kinds, two operations opening one port would cut
// each other's exchanges short (a read reopening the port under a firmware update fails
// the update half-way). An operation holds the lease from its start until its channel is
// closed; while it does, nothing else may start.
class PortLease {
  public:
    // Takes the lease for `holder`, saying what it does (shown to whoever is refused);
    // false while someone else holds it.
    bool TryTake(const void* holder, const std::string& activity);
    // Waits until the channel is free and takes it; false when `stop` was requested
    // first. For work that may wait its turn, like a search for trackers.
    bool TakeWhenFree(const void* holder, const std::string& activity, std::stop_token stop);
    // Gives the lease back; nothing when `holder` does not hold it.
    void Give(const void* holder);
    // Whether stopping the holder now would leave the device without a program.
    void SetCritical(const void* holder, bool critical);

    bool Held() const;
    // What the holder does; empty when the channel is free.
    std::string Activity() const;
    bool Critical() const;

  private:
    mutable std::mutex mutex;
    std::condition_variable_any given;
    const void* holder = nullptr;
    std::string activity;
    bool critical = false;
};

class DeviceContext {
  public:
    DeviceContext() = default;
    ~DeviceContext();
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    SerialPort port;
    SettingsImage image;
    std::mutex imageMutex;
    WorkerSlot settingsThread;
    WorkerSlot firmwareThread;
    PortLease portLease;
    LinkTimings timings;
    // Called on the worker's thread as each operation ends; set before the first starts.
    std::function<void(const OperationRecord&)> operationEnded;
    // How many operations have begun on the channel: what was read from the tracker still
    // holds while no other operation has begun since.
    std::uint64_t OperationsBegun() const { return operationsBegun.load(); }
    void OperationBegins() { ++operationsBegun; }

    void SetPortName(const std::string& name);
    std::string PortName() const;

    // Takes ownership of a started worker so it is joined and freed once it ends.
    // Finished workers are reaped on every call.
    void Adopt(std::unique_ptr<Worker> worker);
    // Ends everything at once for shutdown: every wait on the channel fails, workers
    // run their ending sequences and return, and are joined here.
    void CancelAndJoinAll();
    // Joins every worker (the CLI waits for its one operation this way).
    void JoinAll();
    bool AnyRunning();

  private:
    void Reap(bool all);

    mutable std::mutex portMutex;
    std::string portName;
    std::atomic<std::uint64_t> operationsBegun{0};
    std::mutex workersMutex;
    std::vector<std::unique_ptr<Worker>> workers;
};

}  // namespace zort
