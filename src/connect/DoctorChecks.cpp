#include "connect/DoctorChecks.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <array>

namespace zort {
namespace {

constexpr std::string_view kModemManager = "ModemManager";
constexpr std::string_view kBrltty = "brltty";

constexpr std::array<std::string_view, 12> kTerminalPrograms = {
    "minicom", "picocom", "screen",   "tio",      "cu",       "putty",
    "gtkterm", "cutecom", "moserial", "microcom", "miniterm", "CoolTerm"};

const std::string kCableAdvice =
    "подключите трекер кабелем для передачи данных (не кабелем только для зарядки) и включите трекер";

CheckResult Result(std::string name, const std::string& port, CheckStatus status, std::string line,
                   std::string fix = {}) {
    return {std::move(name), port, status, std::move(line), std::move(fix)};
}

std::string Join(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& p : parts) text += (text.empty() ? "" : ", ") + p;
    return text;
}

#ifndef _WIN32
std::string GroupName(const std::vector<GroupEntry>& groups, gid_t gid) {
    const auto group = GroupById(groups, gid);
    return group ? group->name : std::to_string(gid);
}
#endif

bool Holds(const std::vector<int>& pids, int pid) {
    return std::find(pids.begin(), pids.end(), pid) != pids.end();
}

// The fix for ModemManager: a rule for the device when its ids are known, otherwise
// stopping the service (it comes back at the next start).
std::string ModemManagerFix(const std::optional<UsbInfo>& usb) {
    if (usb && usb->vid && usb->pid) return ModemManagerRule(*usb->vid, *usb->pid);
    return "sudo systemctl stop ModemManager";
}

CheckResult HolderResult(const std::string& port, const Holder& h, const PortUse& use) {
    const std::string who = h.name + " (PID " + std::to_string(h.pid) + ")";
    if (h.name == kModemManager) {
        return Result("holders", port, CheckStatus::kProblem,
                      who + " проверяет порт как модем и мешает трекеру; правило udev в файле " +
                          std::string(kUdevRulePath) +
                          " запретит ему это (затем: sudo udevadm control --reload-rules "
                          "&& sudo udevadm trigger)",
                      ModemManagerFix(use.usb));
    }
    if (h.name == kBrltty) {
        return Result("holders", port, CheckStatus::kProblem,
                      who + " (программа для дисплеев Брайля) захватывает USB-последовательные порты",
                      "sudo apt remove brltty");
    }
    const bool blocking = use.exclusive || Holds(use.lockerPids, h.pid);
    if (!blocking) {
        return Result("holders", port, CheckStatus::kInfo,
                      "порт открыт программой " + who + ", но не занят ею");
    }
    const std::string how = use.exclusive ? "монопольно" : "с блокировкой";
    const std::string kind = IsTerminalProgram(h.name) ? "терминальная программа " : "программа ";
    return Result("holders", port, CheckStatus::kProblem, kind + who + " держит порт " + how,
                  "закройте " + h.name + " (PID " + std::to_string(h.pid) + ")");
}

// The port is taken but nobody taking it could be seen: another user's process.
CheckResult UnseenHolder(const std::string& port, const PortUse& use) {
    const std::string how = use.exclusive ? "монопольно" : "с блокировкой";
    const auto mm = std::find_if(use.probersRunning.begin(), use.probersRunning.end(),
                                 [](const Holder& h) { return h.name == kModemManager; });
    if (mm != use.probersRunning.end() && use.usb) {
        return Result("holders", port, CheckStatus::kProblem,
                      "порт занят " + how + "; запущен ModemManager (PID " + std::to_string(mm->pid) +
                          "), который проверяет новые порты как модемы; правило udev в файле " +
                          std::string(kUdevRulePath) + " запретит ему это",
                      ModemManagerFix(use.usb));
    }
    std::string line = "порт занят " + how + " другой программой";
    if (!use.lockerPids.empty()) {
        std::vector<std::string> pids;
        for (int pid : use.lockerPids) pids.push_back(std::to_string(pid));
        line += " (PID " + Join(pids) + ")";
    }
    if (!use.scanComplete) line += "; чтобы назвать её, запустите проверку от root";
    return Result("holders", port, CheckStatus::kProblem, line, "sudo fuser -v " + port);
}

}  // namespace

std::string_view StatusName(CheckStatus status) {
    switch (status) {
        case CheckStatus::kOk:
            return "ok";
        case CheckStatus::kProblem:
            return "problem";
        case CheckStatus::kInfo:
            return "info";
    }
    return "info";
}

bool IsKnownProber(std::string_view name) {
    return name == kModemManager || name == kBrltty;
}

bool IsTerminalProgram(std::string_view name) {
    return std::find(kTerminalPrograms.begin(), kTerminalPrograms.end(), name) != kTerminalPrograms.end();
}

std::string ModemManagerRule(const std::string& vid, const std::string& pid) {
    return "# ZORT tracker: not a modem, ModemManager must not probe it\n"
           "ACTION==\"add|change\", SUBSYSTEMS==\"usb\", ATTRS{idVendor}==\"" +
           vid + "\", ATTRS{idProduct}==\"" + pid + "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"\n";
}

CheckResult CheckNoUsbPorts() {
    return Result("port", "", CheckStatus::kProblem,
                  "USB-последовательных портов нет: трекер не виден системе", kCableAdvice);
}

CheckResult CheckPresence(const std::string& port, NodeKind kind, const std::optional<UsbInfo>& usb,
                          const std::vector<std::string>& usbPorts) {
    if (kind == NodeKind::kMissing) {
        if (usbPorts.empty()) {
            return Result("port", port, CheckStatus::kProblem,
                          "порта " + port + " нет, USB-последовательных портов нет", kCableAdvice);
        }
        return Result("port", port, CheckStatus::kProblem,
                      "порта " + port + " нет; подключены порты: " + Join(usbPorts),
                      "--port " + usbPorts.front());
    }
    if (kind == NodeKind::kInaccessible) {
        return Result("port", port, CheckStatus::kProblem, "путь " + port + " недоступен пользователю",
                      "sudo ls -l " + port);
    }
    if (kind != NodeKind::kSerialLine) {
        return Result("port", port, CheckStatus::kProblem, NotSerialReason(port, kind),
                      usbPorts.empty() ? kCableAdvice : "--port " + usbPorts.front());
    }
    std::string line = "порт " + port + " есть";
    if (usb) {
        const std::string described = DescribeUsb(*usb);
        line += described.empty() ? ", USB" : ", USB " + described;
    }
    return Result("port", port, CheckStatus::kOk, line);
}

#ifndef _WIN32
CheckResult CheckAccess(const std::string& port, const PortNode& node, const UserIdentity& user,
                        const std::vector<GroupEntry>& groups) {
    const std::string group = GroupName(groups, node.group);
    const std::string login = user.login.empty() ? std::to_string(user.uid) : user.login;
    const bool sessionHasGroup = std::find(user.gids.begin(), user.gids.end(), node.group) != user.gids.end();
    if (user.uid == 0) return Result("access", port, CheckStatus::kOk, "доступ к порту есть (root)");
    if (node.owner == user.uid && (node.mode & S_IRUSR) && (node.mode & S_IWUSR))
        return Result("access", port, CheckStatus::kOk, "доступ к порту есть: порт принадлежит " + login);
    if (sessionHasGroup && (node.mode & S_IRGRP) && (node.mode & S_IWGRP)) {
        return Result("access", port, CheckStatus::kOk,
                      "доступ к порту есть: " + login + " в группе «" + group + "»");
    }
    if ((node.mode & S_IROTH) && (node.mode & S_IWOTH))
        return Result("access", port, CheckStatus::kOk, "доступ к порту есть у всех пользователей");
    if (!(node.mode & S_IRGRP) || !(node.mode & S_IWGRP)) {
        // Group membership would not help: only the owner may read and write.
        return Result("access", port, CheckStatus::kProblem,
                      "порт " + port + " могут открыть только его владелец и root",
                      "sudo chmod a+rw " + port);
    }
    const auto entry = GroupById(groups, node.group);
    const bool member =
        entry && std::find(entry->members.begin(), entry->members.end(), user.login) != entry->members.end();
    if (member) {
        return Result("access", port, CheckStatus::kProblem,
                      login + " добавлен в группу «" + group +
                          "», но этот вход в систему был раньше: выйдите из системы и войдите снова",
                      "выйдите из системы и войдите снова (или перезагрузите компьютер)");
    }
    return Result("access", port, CheckStatus::kProblem,
                  "нет доступа к порту: портом владеет группа «" + group + "», а " + login +
                      " в ней не состоит; после команды выйдите из системы и войдите снова",
                  "sudo usermod -aG " + group + " $USER");
}
#endif

std::vector<CheckResult> CheckHolders(const std::string& port, const PortUse& use) {
    std::vector<CheckResult> results;
    for (const Holder& h : use.holders) results.push_back(HolderResult(port, h, use));
    const bool anyBlocking = std::any_of(results.begin(), results.end(), [](const CheckResult& r) {
        return r.status == CheckStatus::kProblem;
    });
    if ((use.exclusive || use.locked) && !anyBlocking) results.push_back(UnseenHolder(port, use));
    if (results.empty())
        results.push_back(Result("holders", port, CheckStatus::kOk, "порт не занят другими программами"));
    return results;
}

CheckResult CheckHandshake(const ProbeResult& probe) {
    if (probe.state == ProbeState::kTracker) {
        return Result(
            "handshake", probe.port, CheckStatus::kOk,
            "трекер отвечает: " + probe.identity + ", ПО " + probe.softwareVersion + ", IMEI " + probe.imei);
    }
    std::string fix;
    if (probe.state == ProbeState::kSilent || probe.state == ProbeState::kMissing) fix = kCableAdvice;
    return Result("handshake", probe.port, CheckStatus::kProblem, "трекер не отвечает: " + probe.reason, fix);
}

}  // namespace zort
