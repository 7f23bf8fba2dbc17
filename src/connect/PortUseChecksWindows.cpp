#include "connect/PortUseChecks.h"

namespace zort {

void AddUseChecks(const SystemView&, std::vector<PortFindings>& findings) {
    for (PortFindings& f : findings) f.probe = f.checks.front().status == CheckStatus::kOk;
}

}  // namespace zort
