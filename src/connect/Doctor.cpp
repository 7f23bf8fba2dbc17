#include "connect/Doctor.h"

#include <algorithm>

#include "connect/PortCandidates.h"
#include "connect/PortLocks.h"

namespace zort {
namespace {

struct PortFindings {
    std::string port;
    PortNode node;
    std::vector<CheckResult> checks;
    bool probe = false;  // its handshake is tried
};

PortUse UseOf(const SystemView& system, const PortFindings& f, std::vector<Holder> holders, bool complete,
              const std::vector<Holder>& probers) {
    PortUse use;
    use.holders = std::move(holders);
    use.scanComplete = complete;
    use.probersRunning = probers;
    use.usb = FindUsbInfo(system, f.port);
    // Only a terminal is opened to ask; a login without access learns nothing here.
    if (f.node.kind == NodeKind::kSerialLine) {
        const UseCheck check = CheckInUse(f.port);
        use.exclusive = check.exclusive;
        use.locked = check.locked;
    }
    use.lockerPids = FlockHolders(system, f.node.dev, f.node.ino);
    if (const int pid = UucpLocker(system, f.port)) {
        use.locked = true;
        use.lockerPids.push_back(pid);
    }
    return use;
}

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
    const std::vector<GroupEntry> groups = ReadGroups(system);
    const UserIdentity user = system.User();
    for (const std::string& port : ports) {
        PortFindings f{port, InspectNode(system, port), {}, false};
        f.checks.push_back(CheckPresence(port, f.node.kind, FindUsbInfo(system, port), usbPorts));
        if (f.checks.back().status == CheckStatus::kOk) {
            f.checks.push_back(CheckAccess(port, f.node, user, groups));
            f.probe = f.checks.back().status == CheckStatus::kOk;
        }
        findings.push_back(std::move(f));
    }

    const HolderScan scan = FindHolders(system, ports);
    const std::vector<Holder> probers = ProcessesNamed(system, {"ModemManager", "brltty"});
    std::vector<std::string> probed;
    for (size_t k = 0; k < findings.size(); ++k) {
        PortFindings& f = findings[k];
        if (f.checks.front().status != CheckStatus::kOk) continue;
        const PortUse use = UseOf(system, f, scan.perPort[k], scan.complete, probers);
        for (CheckResult& r : CheckHolders(f.port, use)) f.checks.push_back(std::move(r));
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
