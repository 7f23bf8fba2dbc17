#pragma once
// Which ports a search for trackers looks at. A tracker arrives over USB (ttyACM,
// ttyUSB); the machine's own UARTs (ttyS) answer nothing useful and on most PCs are
// phantoms, so they are looked at only when asked. Windows lists its COM ports without
// saying cheaply which are on USB: there every port it lists is looked at.

#include <string>
#include <string_view>
#include <vector>

#include "connect/SystemView.h"

namespace zort {

struct CandidateOptions {
    bool all = false;               // every serial port the kernel has, not only USB ones (Linux)
    std::vector<std::string> also;  // paths the user names (a pseudo-terminal, a symlink)
    // Named paths only while they exist: a watcher wants trackers as they come and go,
    // while a search reports why a named one did not answer.
    bool presentOnly = false;
};

#ifndef _WIN32
bool IsUsbSerialName(std::string_view name);
#endif

// Paths under the view's device folder in natural order, USB ports first (on Windows the
// listed COM ports); then the named paths not already listed, in the order given.
std::vector<std::string> CandidatePorts(const SystemView& system, const CandidateOptions& options = {});

}  // namespace zort
