#include "connect/Doctor.h"

#include <algorithm>

#include "connect/PortCandidates.h"
#include "connect/PortUseChecks.h"

namespace zort {
namespace {

// What to do when the handshake fails for a reason an earlier check already fixes.
std::string EarlierFix(const std::vector<CheckResult>& checks) {
    for (const CheckResult& c : checks) {
        if (c.status == CheckStatus::kProblem && !c.fix.empty()) return c.fix;
    }
    return {};
}

}  // namespace

std::vector<CheckResult> RunDoctor(const SystemView& system, const DoctorOptions& options) {
    const std::vector<std::string> usbPorts = CandidatePorts(system);
    const std::vector<std::string> ports =
        options.port.empty() ? CandidatePorts(system, {false, options.also}) : std::vector{options.port};
    if (ports.empty()) return {CheckNoUsbPorts()};

    std::vector<PortFindings> findings;
    for (const std::string& port : ports) {
        PortFindings f{port, InspectNode(system, port), {}, false};
        f.checks.push_back(CheckPresence(port, f.node.kind, FindUsbInfo(system, port), usbPorts));
        findings.push_back(std::move(f));
    }
    AddUseChecks(system, findings);
    std::vector<std::string> probed;
    for (const PortFindings& f : findings) {
        if (f.probe) probed.push_back(f.port);
    }

    const std::vector<ProbeResult> answers =
        options.prober ? options.prober(probed) : ProbePorts(system, probed, options.probe);
    std::vector<CheckResult> results;
    for (PortFindings& f : findings) {
        const auto answer = std::find_if(answers.begin(), answers.end(),
                                         [&](const ProbeResult& a) { return a.port == f.port; });
        if (answer != answers.end()) {
            CheckResult handshake = CheckHandshake(*answer);
            if (handshake.status == CheckStatus::kProblem && answer->state != ProbeState::kSilent) {
                const std::string earlier = EarlierFix(f.checks);
                if (!earlier.empty()) handshake.fix = earlier;
            }
            f.checks.push_back(std::move(handshake));
        } else if (f.checks.front().status == CheckStatus::kOk) {
            f.checks.push_back(
                {"handshake", f.port, CheckStatus::kInfo, "не проверялся: нет доступа к порту", {}});
        }
        for (CheckResult& r : f.checks) results.push_back(std::move(r));
    }
    return results;
}

bool AnyProblem(const std::vector<CheckResult>& results) {
    return std::any_of(results.begin(), results.end(),
                       [](const CheckResult& r) { return r.status == CheckStatus::kProblem; });
}

}  // namespace zort
