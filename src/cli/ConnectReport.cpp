#include "cli/ConnectReport.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>

namespace zort::cli {
namespace {

using Json = nlohmann::ordered_json;

// Aligns on characters, not bytes: paths may be Cyrillic.
size_t Width(const std::string& utf8) {
    return static_cast<size_t>(std::count_if(
        utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Padded(const std::string& text, size_t width) {
    const size_t have = Width(text);
    return text + std::string(width > have ? width - have : 0, ' ');
}

std::string ProbeDetails(const ProbeResult& r) {
    std::string text = r.state == ProbeState::kTracker
                           ? r.identity + ", ПО " + r.softwareVersion + ", IMEI " + r.imei
                           : r.reason;
    if (r.usb) {
        const std::string usb = DescribeUsb(*r.usb);
        text += usb.empty() ? " · USB" : " · USB " + usb;
    }
    // A busy port's reason already names who holds it.
    if (!r.holders.empty() && r.state != ProbeState::kBusy)
        text += " · открыт: " + DescribeHolders(r.holders);
    return text;
}

Json UsbJson(const UsbInfo& usb) {
    Json object = Json::object();
    const std::pair<const char*, const std::optional<std::string>*> fields[] = {
        {"vid", &usb.vid},
        {"pid", &usb.pid},
        {"manufacturer", &usb.manufacturer},
        {"product", &usb.product},
        {"serial", &usb.serial}};
    for (const auto& [key, value] : fields) {
        if (*value) object[key] = **value;
    }
    return object;
}

std::string StatusWord(CheckStatus status) {
    switch (status) {
        case CheckStatus::kOk:
            return "ок";
        case CheckStatus::kProblem:
            return "ПРОБЛЕМА";
        case CheckStatus::kInfo:
            return "сведения";
    }
    return "сведения";
}

}  // namespace

std::string FormatProbeText(const std::vector<ProbeResult>& results) {
    size_t portWidth = 0;
    for (const ProbeResult& r : results) portWidth = std::max(portWidth, Width(r.port));
    std::string text;
    for (const ProbeResult& r : results) {
        text += Padded(r.port, portWidth) + "  " + Padded(std::string(StateName(r.state)), 7) + "  " +
                ProbeDetails(r) + "\n";
    }
    return text;
}

std::string FormatProbeJson(const std::vector<ProbeResult>& results) {
    Json list = Json::array();
    for (const ProbeResult& r : results) {
        Json object;
        object["port"] = r.port;
        object["state"] = StateName(r.state);
        if (r.usb) object["usb"] = UsbJson(*r.usb);
        if (r.state == ProbeState::kTracker) {
            object["identity"] = r.identity;
            object["software_version"] = r.softwareVersion;
            object["imei"] = r.imei;
        }
        object["holders"] = Json::array();
        for (const Holder& h : r.holders) object["holders"].push_back({{"pid", h.pid}, {"name", h.name}});
        if (r.state != ProbeState::kTracker) object["reason"] = r.reason;
        list.push_back(std::move(object));
    }
    return list.dump(2) + "\n";
}

std::string FormatDoctorText(const std::vector<CheckResult>& results) {
    constexpr size_t kStatusWidth = 8;  // "ПРОБЛЕМА"
    const std::string indent(kStatusWidth + 2, ' ');
    std::string text;
    std::string port;
    for (const CheckResult& r : results) {
        if (r.port != port && !r.port.empty()) text += r.port + ":\n";
        port = r.port;
        text += "  " + Padded(StatusWord(r.status), kStatusWidth) + "  " + r.line + "\n";
        if (r.fix.empty()) continue;
        if (r.fix.find('\n') == std::string::npos) {
            text += "  " + indent + "исправить: " + r.fix + "\n";
            continue;
        }
        // A text to put in a file, line by line as it is to be written.
        text += "  " + indent + "исправить:\n";
        size_t from = 0;
        while (from < r.fix.size()) {
            const size_t end = std::min(r.fix.find('\n', from), r.fix.size());
            text += "  " + indent + "  " + r.fix.substr(from, end - from) + "\n";
            from = end + 1;
        }
    }
    return text;
}

std::string FormatDoctorJson(const std::vector<CheckResult>& results) {
    Json list = Json::array();
    for (const CheckResult& r : results) {
        Json object;
        object["check"] = r.name;
        if (!r.port.empty()) object["port"] = r.port;
        object["status"] = StatusName(r.status);
        object["line"] = r.line;
        if (!r.fix.empty()) object["fix"] = r.fix;
        list.push_back(std::move(object));
    }
    return list.dump(2) + "\n";
}

std::string UdevRulesFor(const std::vector<std::optional<UsbInfo>>& devices) {
    std::set<std::pair<std::string, std::string>> written;
    std::string rules;
    for (const auto& usb : devices) {
        if (!usb || !usb->vid || !usb->pid) continue;
        if (written.insert({*usb->vid, *usb->pid}).second) rules += ModemManagerRule(*usb->vid, *usb->pid);
    }
    return rules;
}

}  // namespace zort::cli
