#pragma once
// The program's one channel to the tracker: a serial port with a reader thread that
// appends every received byte to `rxBuffer` and a writer thread that transmits one
// prepared block per request.
//
// Locks: `rxMutex` guards rxBuffer, rxCount and the line state (lost, cancelled,
// open); `txMutex` guards the block handed to the writer. They are never held
// together. The reader holds rxMutex only around a non-blocking read, so a reply can
// never be half-appended across a ClearReceive.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "link/CommandFrame.h"
#include "link/OpenError.h"
#include "link/SerialDevice.h"

namespace zort {

class SerialPort {
  public:
    static constexpr size_t kRxBufferSize = 4096;
    static constexpr size_t kTxBufferSize = 4096;

    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // 1 on success, 0 on failure; LastOpenError() tells why it failed. An open
    // channel is closed first.
    int Open(const std::string& name);
    // Stops both threads (they return; nothing is killed) and closes the device.
    // Safe when not open; may be followed by Open again.
    // Open and Close may be called from several threads at once (the service window
    // starts a worker on every click): they take turns.
    void Close();
    bool IsOpen() const;
    OpenError LastOpenError() const;

    // Waits until the writer has handed the previous block to the driver, discards what
    // the driver has received, clears rxBuffer, then queues `length` bytes for the
    // writer. False (nothing sent) when the port is closed, the line lost, the channel
    // cancelled or the block too long.
    bool SendRaw(const uint8_t* bytes, size_t length);
    // Builds a frame in frameBuffer and sends it; false when the payload does not fit.
    bool SendFrame(uint8_t command, uint32_t id, uint32_t length, const uint8_t* payload);

    void ClearReceive();
    uint32_t ReceivedCount() const;
    // True once at least `count` bytes are in rxBuffer; false after `timeoutMs`, or at
    // once when the line is lost, the port is closed or the channel is cancelled.
    // Sleeps on a condition variable the reader signals; never spins.
    bool WaitReply(uint32_t count, int32_t timeoutMs);
    // Sleeps `ms`, but returns at once when the line is lost, the port is closed or the
    // channel is cancelled. False in those cases.
    bool Pause(int32_t ms);
    // Ends the WaitReply that runs now, or else the next one to start that the bytes
    // already there do not satisfy, as if its time had run out; not before `afterBytes`
    // bytes of the answer are there (a tracker that sends part of it). For whoever knows an answer will not
    // come (a simulated tracker told to drop it): the time-outs can then stay as long as the tracker's, and
    // no healthy exchange depends on how fast a busy machine delivers an answer.
    void ExpireWait(uint32_t afterBytes = 0);
    // Waits that ended because their time ran out, since this channel was made: the
    // answer had not come, nobody ended the wait, the line was still there.
    uint64_t WaitsTimedOut() const { return waitsTimedOut.load(); }

    // Copies up to `capacity` received bytes from index 0 (for callers that must not
    // race the reader); returns how many.
    size_t CopyReceived(uint8_t* out, size_t capacity) const;
    // Takes everything received so far and clears the buffer, atomically: for readers
    // of a continuous stream (the NMEA relay), which must lose no byte.
    size_t TakeReceived(uint8_t* out, size_t capacity);

    // True when the device went away during this opening (hang-up, unplug, I/O error).
    bool LineLost() const;
    // Blocks handed whole to the driver since this channel was made, over all openings:
    // whoever watches the other end can tell when everything sent has arrived.
    uint64_t BlocksWritten() const { return blocksWritten.load(); }

    // For shutting down while a worker is using the channel: every wait returns false
    // at once and Open refuses until ResetCancel(). The worker then ends and closes.
    void Cancel();
    void ResetCancel();
    bool Cancelled() const;

    // Received bytes, read by callers from index 0 after WaitReply returned true.
    uint8_t rxBuffer[kRxBufferSize] = {};

  private:
    void ReaderLoop();
    void WriterLoop();
    // With txMutex held by `lock`: waits until the writer has no block. False when the
    // writer is gone (closed, line lost) or the channel was cancelled.
    bool WaitWriterIdle(std::unique_lock<std::mutex>& lock);
    void MarkLost();
    void CloseLocked();

    // Held for the whole of an Open or a Close, so that two threads never start or
    // join the same reader and writer. Taken before rxMutex or txMutex, never after.
    std::mutex lifecycleMutex;

    uint8_t txBuffer[kTxBufferSize] = {};
    int32_t txLength = 0;
    uint32_t rxCount = 0;
    SerialDevice portHandle;
    std::thread readerThread;
    std::thread writerThread;
    mutable std::mutex rxMutex;
    uint8_t frameBuffer[kFrameBufferSize] = {};
    std::mutex frameMutex;  // guards frameBuffer; taken before rxMutex and txMutex

    std::condition_variable rxArrived;  // signalled on appends a waiter needs and line changes
    // What the waiting WaitReply needs, so the reader wakes it only once that is there.
    // With more than one waiter every append wakes them all.
    int rxWaiters = 0;
    uint32_t rxAwaited = 1;
    bool open = false;
    bool lineLost = false;
    bool cancelled = false;
    bool waitExpired = false;
    uint32_t expireAfter = 0;
    OpenError openError;

    std::mutex txMutex;
    std::condition_variable txReady;
    std::condition_variable txIdle;  // the writer took and wrote its block, or ended
    bool txPending = false;          // a block waits for the writer
    bool txWriting = false;          // the writer is handing a block to the driver
    bool writerRunning = false;
    bool txCancelled = false;  // mirrors `cancelled` for waits under txMutex
    std::atomic<uint64_t> blocksWritten{0};
    std::atomic<uint64_t> waitsTimedOut{0};
    bool stopping = false;  // under txMutex; the reader is stopped through Wake()
};

}  // namespace zort
