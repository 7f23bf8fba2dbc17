#include "worker/Worker.h"

namespace zort {

Worker::Worker(DeviceContext& context, WorkerSink& sink, WorkerSlot* slot)
    : context(context), sink(sink), slot(slot) {}

Worker::~Worker() {
    Join();
}

bool Worker::Start() {
    if (thread.joinable()) return false;
    if (slot && !slot->TryClaim(this)) return false;
    if (!context.portLease.TryTake(this, Activity())) {
        if (slot) slot->Release(this);
        return false;
    }
    context.OperationBegins();
    thread = std::thread(&Worker::Run, this);
    return true;
}

void Worker::Join() {
    if (thread.joinable() && thread.get_id() != std::this_thread::get_id()) thread.join();
}

void Worker::Fail(const std::string& text, const std::string& why) {
    statusKind = kStatusError;
    message = text;
    detail = why;
    RecordEnd();
    sink.ShowMessage(statusKind, message, detail);
}

void Worker::Succeed(const std::string& text) {
    statusKind = kStatusSuccess;
    message = text;
    detail.clear();
    RecordEnd();
    sink.ShowMessage(statusKind, message, detail);
}

void Worker::ReleaseSlot() {
    if (slot) slot->Release(this);
}

bool Worker::ConnectionCheck() {
    context.port.Close();
    return context.port.Open(context.PortName()) == 1;
}

void Worker::RecordEnd() {
    if (endedClock == std::chrono::steady_clock::time_point{}) endedClock = std::chrono::steady_clock::now();
}

void Worker::Run() {
    startedAt = std::chrono::system_clock::now();
    startedClock = std::chrono::steady_clock::now();
    if (ConnectionCheck()) {
        Execute();
    } else {
        Fail(kDeviceNotConnected, context.port.LastOpenError().Describe());
    }
    RecordEnd();
    if (context.operationEnded) {
        context.operationEnded(
            {startedAt, std::chrono::duration_cast<std::chrono::milliseconds>(endedClock - startedClock),
             context.PortName(), Activity(), statusKind, message, Settings()});
    }
    // The ending sequence, on every path.
    ReleaseSlot();
    sink.HideProgress();
    context.port.Close();
    // Before the sink hears of the end: a window enabling its buttons then finds the
    // channel free.
    context.portLease.Give(this);
    sink.WorkerEnded();
    finished = true;
}

}  // namespace zort
