#pragma once
// The doctor's checks of one port, as data: whoever shows them (the command line, a
// window) decides how. Each check is a pure function of what was found on the machine,
// so every answer, and every fix it gives, can be tried without the situation at hand.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifndef _WIN32
#include "connect/GroupDatabase.h"
#endif
#include "connect/Holders.h"
#include "connect/PortNode.h"
#include "connect/Probe.h"
#include "connect/SystemView.h"
#include "connect/UsbInfo.h"

namespace zort {

enum class CheckStatus { kOk, kProblem, kInfo };

// "ok", "problem", "info".
std::string_view StatusName(CheckStatus status);

struct CheckResult {
    std::string name;  // "port", "access", "holders", "handshake"
    std::string port;  // empty when the check is about no port in particular
    CheckStatus status = CheckStatus::kOk;
    std::string line;  // Russian, one sentence
    std::string fix;   // an exact command or text to use; only for a problem

    bool operator==(const CheckResult&) const = default;
};

// Where a udev rule for the tracker is put.
inline constexpr std::string_view kUdevRulePath = "/etc/udev/rules.d/99-zort-tracker.rules";

// A rule that makes ModemManager leave the USB device vid:pid alone.
std::string ModemManagerRule(const std::string& vid, const std::string& pid);

// (1) The port. `usbPorts`: the USB serial ports there are, for the advice when the port
// asked for is not there.
CheckResult CheckPresence(const std::string& port, NodeKind kind, const std::optional<UsbInfo>& usb,
                          const std::vector<std::string>& usbPorts);
// No port asked for and not one USB serial port on the machine.
CheckResult CheckNoUsbPorts();

#ifndef _WIN32
// (2) Access: who owns the device, and whether this login may open it. (A COM port has
// no owner group: Windows lets whoever is logged in open it.)
CheckResult CheckAccess(const std::string& port, const PortNode& node, const UserIdentity& user,
                        const std::vector<GroupEntry>& groups);
#endif

// What the holder check knows about a port.
struct PortUse {
    bool exclusive = false;       // the tty's exclusive flag is set
    bool locked = false;          // an flock() is held on it
    std::vector<int> lockerPids;  // who holds an flock() or the UUCP lock file, as far as seen
    std::vector<Holder> holders;
    bool scanComplete = true;            // every process's descriptors could be read
    std::vector<Holder> probersRunning;  // ModemManager, brltty anywhere on the machine
    std::optional<UsbInfo> usb;
};

// (3) One result per holder (a known prober, or one that holds the port exclusively or
// locked, is a problem; any other is information); a single result when there is none.
std::vector<CheckResult> CheckHolders(const std::string& port, const PortUse& use);

// (4) The handshake, from the probe's result.
CheckResult CheckHandshake(const ProbeResult& probe);

// Whether a process of this name probes serial ports on its own.
bool IsKnownProber(std::string_view name);
bool IsTerminalProgram(std::string_view name);

}  // namespace zort
