#pragma once
// The processes that have a port open, from the descriptor links of /proc/<pid>/fd.
// The process on the master side of a pseudo-terminal is the device behind it, not a
// holder of the port. Windows does not tell which process holds a COM port (not without
// an administrator's tools): there a busy port is only known to be busy.

#include <string>
#include <string_view>
#include <vector>

#include "connect/SystemView.h"

namespace zort {

struct Holder {
    int pid = 0;
    std::string name;  // /proc/<pid>/comm

    bool operator==(const Holder&) const = default;
};

#ifndef _WIN32

struct HolderScan {
    std::vector<std::vector<Holder>> perPort;  // in the order of the ports asked about
    // False when some process's descriptors could not be read (another user's process
    // for anyone but root): a port may have holders nobody saw.
    bool complete = true;
};

// One pass over /proc for all `ports`; holders in pid order.
HolderScan FindHolders(const SystemView& system, const std::vector<std::string>& ports);

// Running processes whose name is one of `names` (needs no rights over them).
std::vector<Holder> ProcessesNamed(const SystemView& system, const std::vector<std::string_view>& names);

#endif

// "ModemManager (PID 812), minicom (PID 4410)".
std::string DescribeHolders(const std::vector<Holder>& holders);

}  // namespace zort
