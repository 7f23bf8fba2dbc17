#include "link/SerialPort.h"

#include <chrono>
#include <cstring>

namespace zort {

SerialPort::~SerialPort() {
    Close();
}

int SerialPort::Open(const std::string& name) {
    std::lock_guard lifecycle(lifecycleMutex);
    CloseLocked();
    {
        std::lock_guard lock(rxMutex);
        if (cancelled) {
            openError = OpenError{OpenFailure::kCancelled, 0, name, {}};
            return 0;
        }
    }
    OpenError error;
    if (!portHandle.Open(name, error)) {
        std::lock_guard lock(rxMutex);
        openError = error;
        return 0;
    }
    {
        std::lock_guard lock(rxMutex);
        openError = OpenError{};
        std::memset(rxBuffer, 0, sizeof rxBuffer);
        rxCount = 0;
        lineLost = false;
        waitExpired = false;
        expireAfter = 0;
        open = true;
    }
    {
        std::lock_guard lock(txMutex);
        txPending = false;
        txWriting = false;
        stopping = false;
        writerRunning = true;
    }
    readerThread = std::thread(&SerialPort::ReaderLoop, this);
    writerThread = std::thread(&SerialPort::WriterLoop, this);
    return 1;
}

void SerialPort::Close() {
    std::lock_guard lifecycle(lifecycleMutex);
    CloseLocked();
}

void SerialPort::CloseLocked() {
    if (!readerThread.joinable() && !writerThread.joinable() && !portHandle.IsOpen()) return;
    {
        std::lock_guard lock(txMutex);
        stopping = true;
    }
    txReady.notify_all();
    portHandle.Wake();
    if (readerThread.joinable()) readerThread.join();
    if (writerThread.joinable()) writerThread.join();
    {
        std::lock_guard lock(rxMutex);
        portHandle.Close();
        open = false;
    }
    rxArrived.notify_all();
}

bool SerialPort::IsOpen() const {
    std::lock_guard lock(rxMutex);
    return open;
}

OpenError SerialPort::LastOpenError() const {
    std::lock_guard lock(rxMutex);
    return openError;
}

bool SerialPort::SendRaw(const uint8_t* bytes, size_t length) {
    if (length > kTxBufferSize) return false;
    // The previous block must be in the driver before this one is prepared. Overwriting
    // a block the writer has not taken yet would lose a frame, and a busy machine can
    // keep the writer from running for longer than any pause between two frames. And
    // only once it is there may the input be purged: its answer comes after that.
    {
        std::unique_lock lock(txMutex);
        if (!WaitWriterIdle(lock)) return false;
    }
    {
        std::lock_guard lock(rxMutex);
        if (!open || lineLost) return false;
        // Only the input is purged. Purging the output would cut whatever of the
        // previous frame the driver has not sent yet, and the tracker would take the
        // rest of it together with this one for a broken frame.
        // Under rxMutex, so that no read of the reader falls between the purge and the
        // clear: whatever is in rxBuffer afterwards arrived after this point.
        portHandle.PurgeInput();
        std::memset(rxBuffer, 0, sizeof rxBuffer);
        rxCount = 0;
    }
    {
        std::unique_lock lock(txMutex);
        // Two workers of the service window may send at once: the other's block may
        // have gone in meanwhile.
        if (!WaitWriterIdle(lock)) return false;
        std::memcpy(txBuffer, bytes, length);
        txLength = static_cast<int32_t>(length);
        txPending = true;
    }
    txReady.notify_one();
    return true;
}

bool SerialPort::WaitWriterIdle(std::unique_lock<std::mutex>& lock) {
    txIdle.wait(lock, [&] { return (!txPending && !txWriting) || !writerRunning || txCancelled; });
    return writerRunning && !txCancelled;
}

bool SerialPort::SendFrame(uint8_t command, uint32_t id, uint32_t length, const uint8_t* payload) {
    // Service commands may be started while another runs: their frames must not be
    // built into the one buffer at the same time.
    std::lock_guard frame(frameMutex);
    std::memset(frameBuffer, 0, sizeof frameBuffer);
    const size_t size = EncodeFrame(frameBuffer, sizeof frameBuffer, command, id, length, payload);
    if (size == 0) return false;
    return SendRaw(frameBuffer, size);
}

void SerialPort::ClearReceive() {
    std::lock_guard lock(rxMutex);
    std::memset(rxBuffer, 0, sizeof rxBuffer);
    rxCount = 0;
}

uint32_t SerialPort::ReceivedCount() const {
    std::lock_guard lock(rxMutex);
    return rxCount;
}

bool SerialPort::WaitReply(uint32_t count, int32_t timeoutMs) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    std::unique_lock lock(rxMutex);
    ++rxWaiters;
    rxAwaited = count;
    const bool ended = rxArrived.wait_until(lock, deadline, [&] {
        return rxCount >= count || lineLost || cancelled || !open || (waitExpired && rxCount >= expireAfter);
    });
    --rxWaiters;
    const bool answered = rxCount >= count;
    if (!ended) ++waitsTimedOut;
    // An answer that came in part satisfies a wait for its first bytes; the expiry is
    // for the wait that goes on for the rest.
    if (!answered) waitExpired = false;
    return answered;
}

bool SerialPort::Pause(int32_t ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
    std::unique_lock lock(rxMutex);
    return !rxArrived.wait_until(lock, deadline, [&] { return lineLost || cancelled || !open; });
}

void SerialPort::ExpireWait(uint32_t afterBytes) {
    {
        std::lock_guard lock(rxMutex);
        waitExpired = true;
        expireAfter = afterBytes;
    }
    rxArrived.notify_all();
}

size_t SerialPort::CopyReceived(uint8_t* out, size_t capacity) const {
    std::lock_guard lock(rxMutex);
    const size_t n = rxCount < capacity ? rxCount : capacity;
    std::memcpy(out, rxBuffer, n);
    return n;
}

size_t SerialPort::TakeReceived(uint8_t* out, size_t capacity) {
    std::lock_guard lock(rxMutex);
    const size_t n = rxCount < capacity ? rxCount : capacity;
    std::memcpy(out, rxBuffer, n);
    // Keep what did not fit, at the front, so nothing is lost between two takes.
    std::memmove(rxBuffer, rxBuffer + n, rxCount - n);
    rxCount -= static_cast<uint32_t>(n);
    std::memset(rxBuffer + rxCount, 0, sizeof rxBuffer - rxCount);
    return n;
}

bool SerialPort::LineLost() const {
    std::lock_guard lock(rxMutex);
    return lineLost;
}

void SerialPort::Cancel() {
    {
        std::lock_guard lock(rxMutex);
        cancelled = true;
    }
    {
        std::lock_guard lock(txMutex);
        txCancelled = true;
    }
    rxArrived.notify_all();
    txIdle.notify_all();
}

bool SerialPort::Cancelled() const {
    std::lock_guard lock(rxMutex);
    return cancelled;
}

void SerialPort::ResetCancel() {
    {
        std::lock_guard lock(rxMutex);
        cancelled = false;
    }
    std::lock_guard lock(txMutex);
    txCancelled = false;
}

void SerialPort::MarkLost() {
    {
        std::lock_guard lock(rxMutex);
        lineLost = true;
    }
    rxArrived.notify_all();
}

void SerialPort::ReaderLoop() {
    uint8_t overflow[512];
    for (;;) {
        const SerialDevice::Event event = portHandle.WaitReadable();
        if (event == SerialDevice::Event::kWoken) return;
        if (event == SerialDevice::Event::kLost) {
            MarkLost();
            return;
        }
        long n;
        bool wake = false;
        {
            std::lock_guard lock(rxMutex);
            if (rxCount < kRxBufferSize) {
                n = portHandle.ReadAvailable(rxBuffer + rxCount, kRxBufferSize - rxCount);
                if (n > 0) rxCount += static_cast<uint32_t>(n);
                // At 9600 baud bytes trickle in one by one; waking a waiter that needs
                // 32 for each of them costs a context switch a byte for nothing.
                wake = n > 0 &&
                       (rxWaiters != 1 || rxCount >= rxAwaited || (waitExpired && rxCount >= expireAfter));
            } else {
                // Full: drain the driver and drop the bytes, or poll() would wake us
                // for ever.
                n = portHandle.ReadAvailable(overflow, sizeof overflow);
            }
        }
        if (n < 0) {
            MarkLost();
            return;
        }
        if (wake) rxArrived.notify_all();
    }
}

void SerialPort::WriterLoop() {
    uint8_t block[kTxBufferSize];
    for (;;) {
        size_t length;
        {
            std::unique_lock lock(txMutex);
            txReady.wait(lock, [&] { return txPending || stopping; });
            // A block handed over before Close still goes out: a caller that awaits no
            // answer (hang up, a call) closes right after sending.
            if (!txPending) {
                writerRunning = false;
                break;
            }
            length = static_cast<size_t>(txLength);
            std::memcpy(block, txBuffer, length);
            txPending = false;
            txWriting = true;
        }
        const bool written = portHandle.WriteAll(block, length);
        if (written) ++blocksWritten;
        bool stop;
        {
            std::lock_guard lock(txMutex);
            txWriting = false;
            if (!written) writerRunning = false;
            stop = stopping;
        }
        txIdle.notify_all();
        if (!written) {
            if (!stop) MarkLost();
            return;
        }
    }
    txIdle.notify_all();
}

}  // namespace zort
