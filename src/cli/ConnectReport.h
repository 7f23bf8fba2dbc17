#pragma once
// How zortcfg shows what the probe and the doctor found: aligned lines for a person,
// JSON for a script. The JSON keys are part of the command line's public contract.

#include <optional>
#include <string>
#include <vector>

#include "connect/DoctorChecks.h"
#include "connect/Probe.h"

namespace zort::cli {

// One line per port: the path, the state, then the tracker or the reason.
std::string FormatProbeText(const std::vector<ProbeResult>& results);
// A list of objects: port, state, usb, identity, software_version, imei (for a
// tracker), holders, reason (for the other states); keys that do not apply are absent.
std::string FormatProbeJson(const std::vector<ProbeResult>& results);

// One line per check with its result; a problem's fix on the lines below it.
std::string FormatDoctorText(const std::vector<CheckResult>& results);
// A list of objects: check, port (absent for no port in particular), status, line, fix
// (for a problem with one).
std::string FormatDoctorJson(const std::vector<CheckResult>& results);

// The udev rules that keep ModemManager away from the USB devices behind `ports`, one
// per vendor:product; empty when no port has both ids.
std::string UdevRulesFor(const std::vector<std::optional<UsbInfo>>& devices);

}  // namespace zort::cli
