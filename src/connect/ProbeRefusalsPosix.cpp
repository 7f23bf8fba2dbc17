#include <cerrno>
#include <cstring>

#include "connect/GroupDatabase.h"
#include "connect/Holders.h"
#include "connect/PortLocks.h"
#include "connect/PortNode.h"
#include "connect/ProbeRefusals.h"

namespace zort {
namespace {

std::string DeniedReason(const SystemView& system, const std::string& port) {
    const PortNode node = InspectNode(system, port);
    const auto group = GroupById(ReadGroups(system), node.group);
    return "Нет доступа к порту " + port + ": добавьте пользователя в группу «" +
           (group ? group->name : std::string("dialout")) + "» и войдите в систему заново";
}

// The result for an open() that failed, by its errno.
ProbeResult OpenFailed(const SystemView& system, ProbeResult result, int err) {
    const std::string port = result.port;  // `result` is moved from while the reason is built
    switch (err) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return Ended(std::move(result), ProbeState::kMissing, MissingReason(port), err);
        case EACCES:
        case EPERM:
            return Ended(std::move(result), ProbeState::kDenied, DeniedReason(system, port), err);
        case EBUSY:
            return Ended(std::move(result), ProbeState::kBusy,
                         "Порт " + port + " занят: другая программа открыла его монопольно", err);
        default:
            return Ended(std::move(result), ProbeState::kError,
                         "Не удалось открыть порт " + port + ": " + std::strerror(err), err);
    }
}

}  // namespace

std::optional<ProbeResult> RefuseBeforeOpen(const SystemView& system, const ProbeResult& base) {
    const std::string& port = base.port;
    const PortNode node = InspectNode(system, port);
    if (node.kind == NodeKind::kMissing)
        return Ended(base, ProbeState::kMissing, MissingReason(port), node.osError);
    if (node.kind == NodeKind::kInaccessible) return OpenFailed(system, base, node.osError);
    if (node.kind != NodeKind::kSerialLine)
        return Ended(base, ProbeState::kError, NotSerialReason(port, node.kind));
    if (const int pid = UucpLocker(system, port)) {
        return Ended(base, ProbeState::kBusy,
                     "Порт " + port + " занят: его заняла программа с PID " + std::to_string(pid) +
                         " (файл " + UucpLockPath(system, port) + ")");
    }
    const UseCheck use = CheckInUse(port);
    if (use.openError != 0) return OpenFailed(system, base, use.openError);
    if (use.exclusive) {
        return Ended(base, ProbeState::kBusy,
                     "Порт " + port + " занят: другая программа открыла его монопольно");
    }
    if (use.locked) {
        return Ended(base, ProbeState::kBusy, "Порт " + port + " занят: другая программа заблокировала его");
    }
    return std::nullopt;
}

ProbeResult OpenRefused(const SystemView& system, ProbeResult result, const OpenError& error) {
    const std::string port = result.port;  // `result` is moved from while the reason is built
    // Something claimed the port since it was looked at, or it went away.
    switch (error.reason) {
        case OpenFailure::kNoDevice:
        case OpenFailure::kPermissionDenied:
            return OpenFailed(system, std::move(result), error.osError);
        case OpenFailure::kBusy:
            return Ended(std::move(result), ProbeState::kBusy,
                         "Порт " + port + " занят: его только что открыла другая программа", error.osError);
        default:
            return Ended(std::move(result), ProbeState::kError, error.Describe(), error.osError);
    }
}

namespace {

// Names who holds a busy port, or the usual suspect when nobody can be seen.
void ExplainBusy(ProbeResult& result) {
    if (!result.holders.empty()) {
        result.reason += " (" + DescribeHolders(result.holders) + ")";
    } else if (result.usb) {
        result.reason +=
            " (новое устройство в течение нескольких секунд может проверять ModemManager — "
            "повторите попытку)";
    }
}

}  // namespace

void NameHolders(const SystemView& system, const std::vector<std::string>& ports,
                 std::vector<ProbeResult>& results) {
    // Only serial lines: who has /dev/null or a file open says nothing about a tracker.
    std::vector<size_t> lines;
    std::vector<std::string> linePorts;
    for (size_t k = 0; k < ports.size(); ++k) {
        if (InspectNode(system, ports[k]).kind != NodeKind::kSerialLine) continue;
        lines.push_back(k);
        linePorts.push_back(ports[k]);
    }
    const HolderScan scan = FindHolders(system, linePorts);
    for (size_t n = 0; n < lines.size(); ++n) results[lines[n]].holders = scan.perPort[n];
    for (ProbeResult& r : results) {
        if (r.state == ProbeState::kBusy) ExplainBusy(r);
    }
}

}  // namespace zort
