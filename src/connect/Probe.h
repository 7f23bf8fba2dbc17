#pragma once
// The handshake probe: is there a tracker behind a port? It never disturbs a port
// another program uses, and it changes nothing on a tracker: it reads three slots that
// only describe the device (identity, software version, IMEI) and closes the port.
// Many ports are probed side by side, one thread each, all joined before returning.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "connect/Holders.h"
#include "connect/SystemView.h"
#include "connect/UsbInfo.h"
#include "worker/LinkTimings.h"

namespace zort {

enum class ProbeState { kTracker, kSilent, kBusy, kDenied, kMissing, kError };

// "tracker", "silent", "busy", "denied", "missing", "error": the names scripts see.
std::string_view StateName(ProbeState state);

struct ProbeResult {
    std::string port;
    ProbeState state = ProbeState::kError;
    std::string reason;  // Russian; empty for a tracker
    int osError = 0;     // errno (Windows: the system error) behind busy, denied, missing and error
    // For a tracker, UTF-8.
    std::string identity;
    std::string softwareVersion;
    std::string imei;
    std::optional<UsbInfo> usb;   // for a port on USB
    std::vector<Holder> holders;  // processes that had the port open after the probe
};

struct ProbeOptions {
    // A tracker answers a read at once; a port with nothing behind it must not hold up a
    // search over many ports.
    static constexpr int kFirstReplyMs = 350;
    int firstReplyMs = kFirstReplyMs;
    // The later replies get the link's usual wait (settingsReplyMs), and every read the
    // usual pause between request and wait (settingsReadPauseMs).
    LinkTimings timings;
};

// Probes every port at once and returns a result per port, in the order given. Takes at
// most firstReplyMs plus two settingsReplyMs, however the devices behave.
std::vector<ProbeResult> ProbePorts(const SystemView& system, const std::vector<std::string>& ports,
                                    const ProbeOptions& options = {});
ProbeResult ProbePort(const SystemView& system, const std::string& port, const ProbeOptions& options = {});

}  // namespace zort
