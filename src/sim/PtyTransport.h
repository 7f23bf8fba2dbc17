#pragma once
// Puts a TrackerSimulator behind a pseudo-terminal, the same path a USB tracker takes:
// clients open SlavePath() as a serial port. Answers can be paced at a baud rate, so
// timing measured against the simulator means something.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/TrackerSimulator.h"

namespace zort::sim {

class PtyTransport {
  public:
    // The name of the transport's thread, for whoever counts the threads of a process.
    static constexpr const char* kThreadName = "zort-sim";

    struct Options {
        int baud = 0;  // 0: no wire-time emulation; bytes move as fast as the pty allows
    };

    PtyTransport(TrackerSimulator& simulator, Options options);
    explicit PtyTransport(TrackerSimulator& simulator) : PtyTransport(simulator, Options{}) {}
    ~PtyTransport();
    PtyTransport(const PtyTransport&) = delete;
    PtyTransport& operator=(const PtyTransport&) = delete;

    // Creates the pseudo-terminal and starts serving. False with `error` on failure.
    bool Start(std::string& error);
    void Stop();
    const std::string& SlavePath() const { return slavePath; }

    // Sends bytes to the client as the device would, unasked.
    void Inject(const std::vector<uint8_t>& bytes);
    // Pulls the cable: the client sees a hang-up at once.
    void CloseLine();
    bool LineClosed() const;
    // Blocks until the line is closed (by a fault rule or CloseLine) or `timeout` ends.
    bool WaitClosed(std::chrono::milliseconds timeout);
    // Sends the answers a fault rule holds back, now.
    void ReleaseHeld();
    // Blocks until everything due has been written to the line (held answers aside), the
    // line is closed or `timeout` ends.
    bool WaitSent(std::chrono::milliseconds timeout);

    // Called on the transport's thread after each batch of frames was handled.
    void OnFramesHandled(std::function<void()> callback) { framesHandled = std::move(callback); }

  private:
    using Clock = std::chrono::steady_clock;
    struct Chunk {
        Clock::time_point due;
        std::vector<uint8_t> bytes;
        bool closeLine = false;
        bool held = false;
    };

    void Loop();
    // Reads what the client sent and schedules the simulator's answers.
    void Receive(uint8_t* buffer, size_t size);
    // Writes every chunk that is due; true when one of them closes the line. A chunk the
    // line does not take whole goes back to the front and `waitWritable` is set, until
    // the line has been stuck for kStuckWriteLimit.
    bool SendDue(Clock::time_point& stuckSince, bool& waitWritable);
    void Schedule(std::vector<uint8_t> bytes, Clock::time_point start, bool closeLine, bool held = false);
    bool AllSentLocked() const;
    Clock::duration WireTime(size_t bytes) const;
    void CloseFds();

    TrackerSimulator& simulator;
    Options options;
    std::string slavePath;
    int masterFd = -1;
    int ownSlaveFd = -1;  // keeps the tty alive between client openings (no hang-up)
    int wakeFd = -1;
    std::thread thread;
    std::function<void()> framesHandled;

    mutable std::mutex mutex;         // guards the queue and the flags below
    std::condition_variable stateCv;  // the line closed, or a chunk was written
    std::deque<Chunk> queue;
    bool writing = false;  // a chunk taken from the queue is being written
    Clock::time_point outputFreeAt{};
    bool stopRequested = false;
    bool closeRequested = false;
    bool closed = false;
};

}  // namespace zort::sim
