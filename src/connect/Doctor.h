#pragma once
// The doctor: why can't the program talk to the tracker? For one port, or for every USB
// serial port when none is named, it checks in order that the port is there, that this
// login may open it, which other programs have it open, and whether a tracker answers.
// Windows tells neither of the middle two: there a port's checks are its presence and
// its handshake.

#include <functional>
#include <string>
#include <vector>

#include "connect/DoctorChecks.h"
#include "connect/Probe.h"
#include "connect/SystemView.h"

namespace zort {

struct DoctorOptions {
    std::string port;               // empty: every USB serial port there is, and `also`
    std::vector<std::string> also;  // paths the user names besides them (a pseudo-terminal)
    ProbeOptions probe;
    // Runs the handshakes; ProbePorts when not set.
    std::function<std::vector<ProbeResult>(const std::vector<std::string>&)> prober;
};

// The results port by port, each port's checks in order: port, access, holders (one or
// more), handshake (port and handshake on Windows). A port that is not there gets no
// further checks.
std::vector<CheckResult> RunDoctor(const SystemView& system, const DoctorOptions& options = {});

bool AnyProblem(const std::vector<CheckResult>& results);

}  // namespace zort
