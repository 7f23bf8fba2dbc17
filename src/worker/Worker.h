#pragma once
// The common shape of every device operation. A starter creates the worker, fills its
// fields (mode, inputs) and calls Start(); the worker runs on its own thread: the
// connection check (close the channel, open it on the chosen port), its steps, and
// then always the ending sequence, in this order: its slot cleared, progress hidden,
// channel closed and its lease given back, the sink told. It ends by returning from its
// thread; nothing is ever killed.

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "worker/DeviceContext.h"
#include "worker/WorkerSink.h"

namespace zort {

inline constexpr const char* kDeviceNotConnected = "Устройство не подключено";

class Worker {
  public:
    Worker(DeviceContext& context, WorkerSink& sink, WorkerSlot* slot);
    virtual ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Claims the slot (if the kind has one) and the channel's lease, and starts the
    // thread. False, and nothing started, when a worker of the same kind is running or
    // another operation holds the channel.
    bool Start();
    void Join();
    bool Finished() const { return finished.load(); }

    int mode = 0;
    int statusKind = 0;
    int progressMax = 0;
    int progressPosition = 0;
    std::string message;
    std::string detail;  // more about the failure, where known (why the port did not open)
    std::string caption;

    // What the run does, as a refusal names it ("идёт чтение настроек").
    virtual std::string Activity() const = 0;
    // The settings it reads or writes; none for operations that handle no settings.
    virtual const SettingsImage* Settings() const { return nullptr; }

  protected:
    // The steps of the operation, after a successful connection check. Return when
    // done or failed; the ending sequence follows.
    virtual void Execute() = 0;

    // statusKind = 4, message = text, show message.
    void Fail(const std::string& text, const std::string& why = {});
    // statusKind = 3, message = text, show message.
    void Succeed(const std::string& text);
    void ShowProgress() { sink.ShowProgress(caption); }
    void SetProgress() { sink.SetProgress(progressMax, progressPosition); }
    // Frees the slot early (the firmware update does so after its final message).
    void ReleaseSlot();
    // From here until Critical(false), stopping the run leaves the device without a
    // program: closing the program asks first.
    void Critical(bool critical) { context.portLease.SetCritical(this, critical); }

    DeviceContext& context;
    WorkerSink& sink;

  private:
    void Run();
    bool ConnectionCheck();

    void RecordEnd();

    WorkerSlot* slot;
    std::thread thread;
    std::chrono::system_clock::time_point startedAt;
    std::chrono::steady_clock::time_point startedClock;
    std::chrono::steady_clock::time_point endedClock;  // at the final message
    std::atomic<bool> finished{false};
};

}  // namespace zort
