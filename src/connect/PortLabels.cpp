#include "connect/PortLabels.h"

namespace zort {
namespace {

constexpr std::string_view kDash = " — ";
constexpr std::string_view kDot = " · ";

// What the port is, from the USB descriptors when it is on USB.
std::string Device(const ProbeResult& r) {
    if (!r.usb) return {};
    if (r.usb->product) return *r.usb->product;
    if (r.usb->vid && r.usb->pid) return "USB " + *r.usb->vid + ":" + *r.usb->pid;
    return "USB";
}

std::string StateSuffix(ProbeState state) {
    switch (state) {
        case ProbeState::kTracker:
            return {};
        case ProbeState::kSilent:
            return "(не отвечает)";
        case ProbeState::kBusy:
            return "(занят)";
        case ProbeState::kDenied:
            return "(нет доступа)";
        case ProbeState::kMissing:
            return "(отключен)";
        case ProbeState::kError:
            return "(ошибка)";
    }
    return {};
}

}  // namespace

std::string PortLabel(const ProbeResult& r, std::string_view demoPort) {
    if (!demoPort.empty() && r.port == demoPort) return std::string(kDemoTrackerLabel);
    if (r.state == ProbeState::kTracker) {
        std::string label = r.port + std::string(kDash) + r.identity;
        if (!r.imei.empty()) label += std::string(kDot) + "IMEI " + r.imei;
        return label;
    }
    const std::string device = Device(r);
    return r.port + (device.empty() ? " " : std::string(kDash) + device + " ") + StateSuffix(r.state);
}

std::string ConnectionStatus(const ProbeResult& r) {
    switch (r.state) {
        case ProbeState::kTracker: {
            std::string status = "Подключено: " + r.identity;
            if (!r.softwareVersion.empty()) status += std::string(kDot) + "ПО " + r.softwareVersion;
            if (!r.imei.empty()) status += std::string(kDot) + "IMEI " + r.imei;
            return status;
        }
        case ProbeState::kSilent:
            return "Трекер не найден";
        case ProbeState::kBusy:
            if (r.holders.empty()) return "Порт занят другой программой";
            return "Порт занят: " + r.holders.front().name + " (pid " +
                   std::to_string(r.holders.front().pid) + ")";
        case ProbeState::kDenied:
            return "Нет доступа к порту";
        case ProbeState::kMissing:
            return "Устройство отключено";
        case ProbeState::kError:
            return r.reason;
    }
    return r.reason;
}

std::optional<std::string> AutomaticChoice(const std::vector<ProbeResult>& results,
                                           std::string_view demoPort) {
    std::vector<const ProbeResult*> trackers;
    bool demoAnswered = false;
    for (const ProbeResult& r : results) {
        if (r.state != ProbeState::kTracker) continue;
        if (!demoPort.empty() && r.port == demoPort) {
            demoAnswered = true;
        } else {
            trackers.push_back(&r);
        }
    }
    if (trackers.size() == 1) return trackers.front()->port;
    if (trackers.empty() && demoAnswered) return std::string(demoPort);
    return std::nullopt;
}

}  // namespace zort
