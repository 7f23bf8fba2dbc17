#pragma once
// Relays what the tracker sends on its own (the GNSS receiver's NMEA stream) into the
// service log: once a poll period it takes everything received and hands it on as text.
// It asks nothing of the tracker and runs until it is stopped or the link is lost.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "worker/Worker.h"

namespace zort {

// The stream's bytes as log text: zero bytes dropped (they carry nothing and would cut
// the text short), the rest Windows-1251 to UTF-8.
std::string StreamText(const uint8_t* bytes, size_t size);

inline constexpr const char* kRelayActivity = "идёт трансляция NMEA потока";

class ShowNMEAThread : public Worker {
  public:
    // The relay is guarded by its owner (NmeaRelay), not by a slot of the context.
    ShowNMEAThread(DeviceContext& context, WorkerSink& sink) : Worker(context, sink, nullptr) {}
    ~ShowNMEAThread() override;

    // Ends the run at once: the wait between polls is cut short, and no further text is
    // handed on. Safe from any thread, also before Start() and after the run ended.
    void RequestStop();

    // Bytes of text handed on so far (zero bytes dropped, UTF-8).
    uint64_t BytesRelayed() const { return bytesRelayed.load(); }

    std::string Activity() const override { return kRelayActivity; }

  protected:
    void Execute() override;

  private:
    // Waits one poll period; false when a stop was requested.
    bool WaitPoll();
    bool StopRequested();

    std::mutex stopMutex;  // guards stopRequested
    std::condition_variable stopCv;
    bool stopRequested = false;
    std::atomic<uint64_t> bytesRelayed{0};
};

}  // namespace zort
