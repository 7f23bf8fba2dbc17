#pragma once
// The doctor's checks between a port's presence and its handshake: whether this login
// may open it and which programs use it. On Linux the device's owner and group, the
// group file, the lock files and /proc say so. Windows gives a COM port no owner group
// and does not say who holds one, so there these checks are not made: a busy port shows
// in the handshake, in the words of the failed open.

#include <string>
#include <vector>

#include "connect/DoctorChecks.h"
#include "connect/PortNode.h"
#include "connect/SystemView.h"

namespace zort {

struct PortFindings {
    std::string port;
    PortNode node;
    std::vector<CheckResult> checks;  // the presence check first
    bool probe = false;               // its handshake is tried
};

// Adds the checks to every port whose presence check passed, and says which of them get
// a handshake.
void AddUseChecks(const SystemView& system, std::vector<PortFindings>& findings);

}  // namespace zort
