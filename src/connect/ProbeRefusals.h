#pragma once
// What keeps the probe from a port, told as this system can tell it. Linux is looked at
// before the open (the node, a UUCP lock file, the exclusive flag, flock()), its refused
// open is told by errno with the group to join, and who holds a busy port is named.
// Windows has none of these to read: a COM port opens for one program at a time and the
// system does not say for which, so there the open itself says that a port is busy.

#include <optional>
#include <string>
#include <vector>

#include "connect/Probe.h"
#include "connect/SystemView.h"
#include "link/OpenError.h"

namespace zort {

// `result` ended in `state`: whatever a device answered before is no tracker's identity.
ProbeResult Ended(ProbeResult result, ProbeState state, std::string reason, int osError = 0);
std::string MissingReason(const std::string& port);

// Whatever keeps us from using the port before it is opened for the exchange; nullopt
// when it may be used.
std::optional<ProbeResult> RefuseBeforeOpen(const SystemView& system, const ProbeResult& base);

// The result when the exchange's own open failed.
ProbeResult OpenRefused(const SystemView& system, ProbeResult result, const OpenError& error);

// After every probe has closed its port: the processes that hold each serial line, and
// who or what likely holds a busy one.
void NameHolders(const SystemView& system, const std::vector<std::string>& ports,
                 std::vector<ProbeResult>& results);

}  // namespace zort
