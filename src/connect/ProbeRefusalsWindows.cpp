#include "connect/PortNode.h"
#include "connect/ProbeRefusals.h"

namespace zort {

std::optional<ProbeResult> RefuseBeforeOpen(const SystemView& system, const ProbeResult& base) {
    const std::string& port = base.port;
    const PortNode node = InspectNode(system, port);
    if (node.kind == NodeKind::kMissing)
        return Ended(base, ProbeState::kMissing, MissingReason(port), node.osError);
    if (node.kind != NodeKind::kSerialLine)
        return Ended(base, ProbeState::kError, NotSerialReason(port, node.kind));
    return std::nullopt;
}

// The link's own words: Windows says no more than that the port is held, and by nobody
// in particular.
ProbeResult OpenRefused(const SystemView&, ProbeResult result, const OpenError& error) {
    switch (error.reason) {
        case OpenFailure::kNoDevice:
            return Ended(std::move(result), ProbeState::kMissing, error.Describe(), error.osError);
        case OpenFailure::kPermissionDenied:
            return Ended(std::move(result), ProbeState::kDenied, error.Describe(), error.osError);
        case OpenFailure::kBusy:
            return Ended(std::move(result), ProbeState::kBusy, error.Describe(), error.osError);
        default:
            return Ended(std::move(result), ProbeState::kError, error.Describe(), error.osError);
    }
}

void NameHolders(const SystemView&, const std::vector<std::string>&, std::vector<ProbeResult>&) {}

}  // namespace zort
