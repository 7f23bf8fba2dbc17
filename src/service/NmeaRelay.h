#pragma once
// The switch of the NMEA relay: at most one ShowNMEAThread runs at a time. The service
// window's check box and the command line both drive it.
//
// Switching off never waits for the worker: the owner may be the GUI thread, and the
// worker may at that moment be waiting for the GUI thread to show its text. The stopped
// worker is handed to the DeviceContext, which joins it once it has ended; so a relay
// must not outlive its DeviceContext, and its sink must outlive both (the worker may
// report until the context has joined it).

#include <memory>

#include "service/ShowNMEAThread.h"

namespace zort {

class NmeaRelay {
  public:
    NmeaRelay(DeviceContext& context, WorkerSink& sink) : context(context), sink(sink) {}
    ~NmeaRelay() { SwitchOff(); }
    NmeaRelay(const NmeaRelay&) = delete;
    NmeaRelay& operator=(const NmeaRelay&) = delete;

    // Starts a relay; false, and nothing started, while one is running. A relay that
    // ended by itself (no device, link lost) does not block a new start.
    bool SwitchOn();
    // Stops the running relay at once; nothing when none runs.
    void SwitchOff();
    // A relay was started and has not ended.
    bool Running() const;

  private:
    DeviceContext& context;
    WorkerSink& sink;
    std::unique_ptr<ShowNMEAThread> relayThread;  // touched only by the owner's thread
};

}  // namespace zort
