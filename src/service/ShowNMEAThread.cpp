#include "service/ShowNMEAThread.h"

#include <array>
#include <chrono>

#include "link/Cp1251.h"
#include "service/ServiceThread.h"

namespace zort {

std::string StreamText(const uint8_t* bytes, size_t size) {
    std::string raw;
    raw.reserve(size);
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] != 0) raw += static_cast<char>(bytes[i]);
    }
    return Cp1251ToUtf8(raw);
}

ShowNMEAThread::~ShowNMEAThread() {
    RequestStop();
    Join();
}

void ShowNMEAThread::RequestStop() {
    {
        std::lock_guard lock(stopMutex);
        stopRequested = true;
    }
    stopCv.notify_all();
}

bool ShowNMEAThread::StopRequested() {
    std::lock_guard lock(stopMutex);
    return stopRequested;
}

bool ShowNMEAThread::WaitPoll() {
    std::unique_lock lock(stopMutex);
    return !stopCv.wait_for(lock, std::chrono::milliseconds(context.timings.nmeaPollMs),
                            [&] { return stopRequested; });
}

void ShowNMEAThread::Execute() {
    std::array<uint8_t, SerialPort::kRxBufferSize> bytes;
    while (WaitPoll()) {
        // Take and clear in one step under the channel's lock: a byte the reader adds in
        // between is kept for the next poll, never lost.
        const size_t n = context.port.TakeReceived(bytes.data(), bytes.size());
        const std::string text = StreamText(bytes.data(), n);
        if (StopRequested()) return;
        bytesRelayed += text.size();
        sink.AppendText(text);
        if (context.port.LineLost()) {
            message = kLinkLost;
            sink.LogLine(message);
            return;
        }
        if (context.port.Cancelled()) return;
    }
}

}  // namespace zort
