#include "connect/PortLocks.h"
#include "connect/PortUseChecks.h"

namespace zort {
namespace {

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

}  // namespace

void AddUseChecks(const SystemView& system, std::vector<PortFindings>& findings) {
    const std::vector<GroupEntry> groups = ReadGroups(system);
    const UserIdentity user = system.User();
    std::vector<std::string> ports;
    for (PortFindings& f : findings) {
        ports.push_back(f.port);
        if (f.checks.front().status != CheckStatus::kOk) continue;
        f.checks.push_back(CheckAccess(f.port, f.node, user, groups));
        f.probe = f.checks.back().status == CheckStatus::kOk;
    }

    const HolderScan scan = FindHolders(system, ports);
    const std::vector<Holder> probers = ProcessesNamed(system, {"ModemManager", "brltty"});
    for (size_t k = 0; k < findings.size(); ++k) {
        PortFindings& f = findings[k];
        if (f.checks.front().status != CheckStatus::kOk) continue;
        const PortUse use = UseOf(system, f, scan.perPort[k], scan.complete, probers);
        for (CheckResult& r : CheckHolders(f.port, use)) f.checks.push_back(std::move(r));
    }
}

}  // namespace zort
