#include <algorithm>

#include "connect/ComPortName.h"
#include "connect/PortCandidates.h"
#include "connect/PortNode.h"

namespace zort {

std::vector<std::string> CandidatePorts(const SystemView& system, const CandidateOptions& options) {
    std::vector<std::string> ports = system.SerialPorts();
    for (const std::string& name : options.also) {
        if (options.presentOnly && InspectNode(system, name).kind == NodeKind::kMissing) continue;
        // "com5" names the listed COM5: the port is looked at once.
        const bool listed = std::any_of(ports.begin(), ports.end(),
                                        [&](const std::string& port) { return SamePortName(port, name); });
        if (!listed) ports.push_back(name);
    }
    return ports;
}

}  // namespace zort
