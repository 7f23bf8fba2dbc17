// The doctor's checks: each answer and fix from made-up findings, and whole runs over
// made-up /sys, /proc and /etc/group trees whose port is a real pseudo-terminal (on
// Windows, over a made-up list of COM ports).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "connect/Doctor.h"
#include "connect/FixCommands.h"
#include "link/OpenError.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/MadeUpTree.h"
#include "support/Ptys.h"
#endif

namespace zort {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::string kPort = "/dev/ttyACM0";
const std::string kCable =
    "подключите трекер кабелем для передачи данных (не кабелем только для зарядки) и включите трекер";

#ifndef _WIN32
TEST(DoctorChecks, Access) {
    const std::vector<GroupEntry> groups = ParseGroups("dialout:x:20:alice\ntty:x:5:\n");
    const UserIdentity alice{1000, {1000}, "alice"};
    const UserIdentity aliceAfterLogin{1000, {1000, 20}, "alice"};
    const UserIdentity bob{1001, {1001}, "bob"};
    const UserIdentity root{0, {0}, "root"};
    auto node = [](uid_t owner, gid_t group, mode_t mode) {
        PortNode n;
        n.kind = NodeKind::kSerialLine;
        n.owner = owner;
        n.group = group;
        n.mode = S_IFCHR | mode;
        return n;
    };
    const struct {
        const char* name;
        PortNode node;
        UserIdentity user;
        CheckStatus status;
        std::string line;
        std::string fix;
    } cases[] = {
        {"root", node(0, 20, 0660), root, CheckStatus::kOk, "доступ к порту есть (root)", ""},
        {"in the group", node(0, 20, 0660), aliceAfterLogin, CheckStatus::kOk,
         "доступ к порту есть: alice в группе «dialout»", ""},
        {"owner", node(1001, 20, 0600), bob, CheckStatus::kOk, "доступ к порту есть: порт принадлежит bob",
         ""},
        {"everybody", node(0, 20, 0666), bob, CheckStatus::kOk, "доступ к порту есть у всех пользователей",
         ""},
        {"added, not logged in again", node(0, 20, 0660), alice, CheckStatus::kProblem,
         "alice добавлен в группу «dialout», но этот вход в систему был раньше: выйдите из системы и войдите "
         "снова",
         "выйдите из системы и войдите снова (или перезагрузите компьютер)"},
        {"not added", node(0, 20, 0660), bob, CheckStatus::kProblem,
         "нет доступа к порту: портом владеет группа «dialout», а bob в ней не состоит; после команды "
         "выйдите из "
         "системы и войдите снова",
         "sudo usermod -aG dialout $USER"},
        {"group of unknown name", node(0, 77, 0660), bob, CheckStatus::kProblem,
         "нет доступа к порту: портом владеет группа «77», а bob в ней не состоит; после команды выйдите из "
         "системы и войдите снова",
         "sudo usermod -aG 77 $USER"},
        {"group may only write", node(0, 5, 0620), aliceAfterLogin, CheckStatus::kProblem,
         "порт /dev/ttyACM0 могут открыть только его владелец и root", "sudo chmod a+rw /dev/ttyACM0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CheckResult r = CheckAccess(kPort, c.node, c.user, groups);
        EXPECT_EQ(r.name, "access");
        EXPECT_EQ(r.port, kPort);
        EXPECT_EQ(StatusName(r.status), StatusName(c.status));
        EXPECT_EQ(r.line, c.line);
        EXPECT_EQ(r.fix, c.fix);
    }
}
#endif

TEST(DoctorChecks, Holders) {
    const UsbInfo zort{"0483", "5740", "ZORT", "Z410", std::nullopt};
    const Holder mm{812, "ModemManager"}, brltty{300, "brltty"}, minicom{4410, "minicom"}, gpsd{77, "gpsd"};
    auto use = [&](std::vector<Holder> holders, bool exclusive = false, std::vector<int> lockers = {}) {
        PortUse u;
        u.holders = std::move(holders);
        u.exclusive = exclusive;
        u.locked = !lockers.empty();
        u.lockerPids = std::move(lockers);
        u.usb = zort;
        return u;
    };
    const std::string rule =
        "# ZORT tracker: not a modem, ModemManager must not probe it\n"
        "ACTION==\"add|change\", SUBSYSTEMS==\"usb\", ATTRS{idVendor}==\"0483\", ATTRS{idProduct}==\"5740\", "
        "ENV{ID_MM_DEVICE_IGNORE}=\"1\"\n";
    EXPECT_EQ(ModemManagerRule("0483", "5740"), rule);

    const struct {
        const char* name;
        PortUse use;
        std::vector<CheckStatus> statuses;
        std::vector<std::string> fixes;
        std::string firstLine;  // a part of it
    } cases[] = {
        {"nobody", use({}), {CheckStatus::kOk}, {""}, "порт не занят другими программами"},
        {"ModemManager",
         use({mm}),
         {CheckStatus::kProblem},
         {rule},
         "ModemManager (PID 812) проверяет порт как модем"},
        {"brltty", use({brltty}), {CheckStatus::kProblem}, {"sudo apt remove brltty"}, "brltty (PID 300)"},
        {"a terminal just looking",
         use({minicom}),
         {CheckStatus::kInfo},
         {""},
         "порт открыт программой minicom (PID 4410), но не занят ею"},
        {"a terminal holding it",
         use({minicom}, true),
         {CheckStatus::kProblem},
         {"закройте minicom (PID 4410)"},
         "терминальная программа minicom (PID 4410) держит порт монопольно"},
        {"a locker and an onlooker",
         use({gpsd, minicom}, false, {4410}),
         {CheckStatus::kInfo, CheckStatus::kProblem},
         {"", "закройте minicom (PID 4410)"},
         "порт открыт программой gpsd (PID 77)"},
        {"taken by somebody unseen",
         use({}, true),
         {CheckStatus::kProblem},
         {"sudo fuser -v /dev/ttyACM0"},
         "порт занят монопольно другой программой"},
        {"locked by an unseen pid",
         use({gpsd}, false, {99}),
         {CheckStatus::kInfo, CheckStatus::kProblem},
         {"", "sudo fuser -v /dev/ttyACM0"},
         "gpsd"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<CheckResult> results = CheckHolders(kPort, c.use);
        ASSERT_EQ(results.size(), c.statuses.size());
        for (size_t k = 0; k < results.size(); ++k) {
            EXPECT_EQ(results[k].name, "holders");
            EXPECT_EQ(StatusName(results[k].status), StatusName(c.statuses[k])) << k;
            EXPECT_EQ(results[k].fix, c.fixes[k]) << k;
        }
        EXPECT_THAT(results[0].line, HasSubstr(c.firstLine));
    }

    PortUse unseen = use({}, true);
    unseen.scanComplete = false;
    unseen.probersRunning = {mm};
    const std::vector<CheckResult> guessed = CheckHolders(kPort, unseen);
    ASSERT_EQ(guessed.size(), 1u);
    EXPECT_EQ(guessed[0].fix, rule) << "ModemManager runs: the likely taker of a new USB port";
    EXPECT_EQ(CheckHolders(kPort, use({mm}))[0].fix, rule);
    PortUse noIds = use({mm});
    noIds.usb = UsbInfo{};
    EXPECT_EQ(CheckHolders(kPort, noIds)[0].fix, "sudo systemctl stop ModemManager");
}

TEST(DoctorChecks, PresenceAndHandshake) {
    const UsbInfo zort{"0483", "5740", "ZORT", "Z410", std::nullopt};
    EXPECT_EQ(CheckPresence(kPort, NodeKind::kSerialLine, zort, {kPort}),
              (CheckResult{"port", kPort, CheckStatus::kOk, "порт /dev/ttyACM0 есть, USB 0483:5740 ZORT Z410",
                           ""}));
    EXPECT_EQ(CheckPresence("/dev/pts/4", NodeKind::kSerialLine, std::nullopt, {}).line,
              "порт /dev/pts/4 есть");
    EXPECT_EQ(CheckPresence(kPort, NodeKind::kMissing, std::nullopt, {}).fix, kCable);
    const CheckResult other =
        CheckPresence(kPort, NodeKind::kMissing, std::nullopt, {"/dev/ttyUSB0", "/dev/ttyUSB1"});
    EXPECT_EQ(other.line, "порта /dev/ttyACM0 нет; подключены порты: /dev/ttyUSB0, /dev/ttyUSB1");
    EXPECT_EQ(other.fix, "--port /dev/ttyUSB0");
    EXPECT_EQ(CheckPresence("/tmp/x", NodeKind::kRegularFile, std::nullopt, {}).line,
              "/tmp/x не является последовательным портом: это обычный файл");

    ProbeResult tracker;
    tracker.port = kPort;
    tracker.state = ProbeState::kTracker;
    tracker.identity = "ЗОРТ Z410 №004217";
    tracker.softwareVersion = "Z410 2.14";
    tracker.imei = "861234050123456";
    EXPECT_EQ(CheckHandshake(tracker),
              (CheckResult{"handshake", kPort, CheckStatus::kOk,
                           "трекер отвечает: ЗОРТ Z410 №004217, ПО Z410 2.14, IMEI 861234050123456", ""}));
    ProbeResult silent;
    silent.port = kPort;
    silent.state = ProbeState::kSilent;
    silent.reason = "Порт /dev/ttyACM0 молчит: трекер не ответил за 350 мс";
    EXPECT_EQ(
        CheckHandshake(silent),
        (CheckResult{"handshake", kPort, CheckStatus::kProblem,
                     "трекер не отвечает: Порт /dev/ttyACM0 молчит: трекер не ответил за 350 мс", kCable}));
}

#ifndef _WIN32

// A machine whose one USB port, /dev/ttyACM0 of the made-up tree, is a real
// pseudo-terminal, so that its node, its exclusive flag and its locks are real.
struct DoctorMachine {
    DoctorMachine() {
        system.sysRoot = tree.Path("sys");
        system.procRoot = tree.Path("proc");
        system.devRoot = tree.Path("dev");
        system.groupFile = tree.Path("etc/group");
        system.lockDir = tree.Path("lock");
        system.user = {1000, {1000}, "alice"};
        port = tree.Path("dev/ttyACM0");
        tree.Write("sys/devices/usb1/1-1/idVendor", "0483\n");
        tree.Write("sys/devices/usb1/1-1/idProduct", "5740\n");
        tree.Dir("sys/devices/usb1/1-1/1-1:1.0");
        tree.Link("sys/class/tty/ttyACM0/device", tree.Path("sys/devices/usb1/1-1/1-1:1.0"));
        tree.Link("dev/ttyACM0", pty.path);
        tree.Write("proc/tty/drivers", "pty_slave /dev/pts 136 0-1048575 pty:slave\n");
        tree.Write("etc/group", "dialout:x:20:\n");
        EXPECT_EQ(chown(pty.path.c_str(), 0, 20), 0);
        EXPECT_EQ(chmod(pty.path.c_str(), 0660), 0);
        options.prober = [this](const std::vector<std::string>& ports) {
            probed = ports;
            std::vector<ProbeResult> results;
            for (const std::string& p : ports) {
                ProbeResult r = answer;
                r.port = p;
                results.push_back(r);
            }
            return results;
        };
        answer.state = ProbeState::kTracker;
        answer.identity = "ЗОРТ Z410 №004217";
        answer.softwareVersion = "Z410 2.14";
        answer.imei = "861234050123456";
    }
    std::vector<std::string> Names(const std::vector<CheckResult>& results) const {
        std::vector<std::string> names;
        for (const CheckResult& r : results)
            names.push_back(r.name + " " + std::string(StatusName(r.status)));
        return names;
    }
    test::MadeUpTree tree;
    test::LonePty pty;
    FixedSystemView system;
    DoctorOptions options;
    ProbeResult answer;
    std::vector<std::string> probed;
    std::string port;
};

TEST(Doctor, AHealthyPortPassesEveryCheckInOrder) {
    DoctorMachine m;
    m.system.user.gids.push_back(20);
    const std::vector<CheckResult> results = RunDoctor(m.system, m.options);
    EXPECT_THAT(m.Names(results), ElementsAre("port ok", "access ok", "holders ok", "handshake ok"));
    EXPECT_EQ(results[0].line, "порт " + m.port + " есть, USB 0483:5740");
    EXPECT_THAT(m.probed, ElementsAre(m.port));
    EXPECT_FALSE(AnyProblem(results));
}

TEST(Doctor, ModemManagerOnTheUsersPortWithoutTheGroup) {
    DoctorMachine m;
    m.tree.Write("proc/812/comm", "ModemManager\n");
    m.tree.Link("proc/812/fd/9", m.port);
    const std::vector<CheckResult> results = RunDoctor(m.system, m.options);
    EXPECT_THAT(m.Names(results),
                ElementsAre("port ok", "access problem", "holders problem", "handshake info"));
    EXPECT_EQ(results[1].fix, "sudo usermod -aG dialout $USER");
    EXPECT_EQ(results[2].fix, ModemManagerRule("0483", "5740"));
    EXPECT_TRUE(m.probed.empty()) << "no handshake on a port this login may not open";
    EXPECT_TRUE(AnyProblem(results));

    // What "Копировать команды" puts on the clipboard: the rule goes to its file in one
    // command, and a second device's rule joins it instead of replacing it.
    std::vector<CheckResult> twoDevices = results;
    twoDevices.push_back(results[2]);
    twoDevices.back().fix = ModemManagerRule("1a86", "7523");
    EXPECT_EQ(FixCommands(twoDevices),
              "sudo tee /etc/udev/rules.d/99-zort-tracker.rules > /dev/null <<'EOF'\n" +
                  ModemManagerRule("0483", "5740") +
                  ModemManagerRule("1a86", "7523").substr(ModemManagerRule("1a86", "7523").find('\n') + 1) +
                  "EOF\nsudo udevadm control --reload-rules && sudo udevadm trigger\n"
                  "sudo usermod -aG dialout $USER\n");
}

TEST(Doctor, ABusyPortsHandshakeFailurePointsAtTheHoldersFix) {
    DoctorMachine m;
    m.system.user.gids.push_back(20);
    const int other = ::open(m.pty.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_EQ(ioctl(other, TIOCEXCL), 0);
    m.tree.Write("proc/4410/comm", "minicom\n");
    m.tree.Link("proc/4410/fd/3", m.port);
    m.answer.state = ProbeState::kBusy;
    m.answer.reason = "Порт занят: другая программа открыла его монопольно";
    const std::vector<CheckResult> results = RunDoctor(m.system, m.options);
    (void)ioctl(other, TIOCNXCL);
    ::close(other);
    EXPECT_THAT(m.Names(results),
                ElementsAre("port ok", "access ok", "holders problem", "handshake problem"));
    EXPECT_EQ(results[2].fix, "закройте minicom (PID 4410)");
    EXPECT_EQ(results[3].fix, "закройте minicom (PID 4410)");
    EXPECT_EQ(FixCommands(results), "# закройте minicom (PID 4410)\n")
        << "advice is no command, and said once";
    EXPECT_EQ(FixCommands({results[0], results[1]}), "");
}

TEST(Doctor, NoPortsAtAllOrNotTheOneAskedFor) {
    DoctorMachine m;
    m.options.port = m.tree.Path("dev/ttyUSB0");
    std::vector<CheckResult> results = RunDoctor(m.system, m.options);
    ASSERT_EQ(results.size(), 1u) << "a port that is not there gets no further checks";
    EXPECT_EQ(results[0].fix, "--port " + m.port);

    std::filesystem::remove_all(m.tree.Path("sys/class/tty/ttyACM0"));
    m.options.port.clear();
    results = RunDoctor(m.system, m.options);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0], (CheckResult{"port", "", CheckStatus::kProblem,
                                       "USB-последовательных портов нет: трекер не виден системе", kCable}));
}

#else

// A machine that lists COM3 and COM5, with a tracker behind each that answers as told.
struct WindowsMachine {
    WindowsMachine() {
        system.serialPorts = {"COM3", "COM5"};
        options.prober = [this](const std::vector<std::string>& ports) {
            probed = ports;
            std::vector<ProbeResult> results;
            for (const std::string& p : ports) {
                ProbeResult r = answer;
                r.port = p;
                results.push_back(r);
            }
            return results;
        };
        answer.state = ProbeState::kTracker;
        answer.identity = "ЗОРТ Z410 №004217";
        answer.softwareVersion = "Z410 2.14";
        answer.imei = "861234050123456";
    }
    static std::vector<std::string> Names(const std::vector<CheckResult>& results) {
        std::vector<std::string> names;
        for (const CheckResult& r : results)
            names.push_back(r.port + " " + r.name + " " + std::string(StatusName(r.status)));
        return names;
    }
    FixedSystemView system;
    DoctorOptions options;
    ProbeResult answer;
    std::vector<std::string> probed;
};

// Windows gives a COM port no owner group and does not say who holds one: nothing is said
// about either, and no fix is a Linux command.
bool SaysNothingOfLinux(const std::vector<CheckResult>& results) {
    for (const CheckResult& r : results) {
        for (const char* word : {"sudo", "udev", "dialout", "групп", "PID", "ModemManager", "/dev/"}) {
            if (r.line.find(word) != std::string::npos || r.fix.find(word) != std::string::npos) return false;
        }
    }
    return true;
}

TEST(Doctor, OnWindowsAPortIsCheckedForPresenceAndHandshake) {
    WindowsMachine m;
    std::vector<CheckResult> results = RunDoctor(m.system, m.options);
    EXPECT_THAT(WindowsMachine::Names(results),
                ElementsAre("COM3 port ok", "COM3 handshake ok", "COM5 port ok", "COM5 handshake ok"));
    EXPECT_EQ(results[0].line, "порт COM3 есть");
    EXPECT_THAT(m.probed, ElementsAre("COM3", "COM5"));

    m.options.port = "com5";
    results = RunDoctor(m.system, m.options);
    EXPECT_THAT(WindowsMachine::Names(results), ElementsAre("com5 port ok", "com5 handshake ok"))
        << "a COM port's name in any case";
    EXPECT_TRUE(SaysNothingOfLinux(results));
}

TEST(Doctor, OnWindowsABusyPortIsSaidBusyAndNobodyIsNamed) {
    WindowsMachine m;
    m.options.port = "COM5";
    m.answer.state = ProbeState::kBusy;
    m.answer.reason = OpenError{OpenFailure::kBusy, 5, "COM5", {}}.Describe();
    const std::vector<CheckResult> results = RunDoctor(m.system, m.options);
    EXPECT_THAT(WindowsMachine::Names(results), ElementsAre("COM5 port ok", "COM5 handshake problem"));
    EXPECT_EQ(results[1].line, "трекер не отвечает: " + m.answer.reason);
    EXPECT_THAT(results[1].line, HasSubstr("занят другой программой"));
    EXPECT_EQ(FixCommands(results), "");
    EXPECT_TRUE(SaysNothingOfLinux(results));
}

TEST(Doctor, OnWindowsAPortNotThereNamesTheListedOnes) {
    WindowsMachine m;
    const struct {
        std::string port;
        std::string line;
        std::string fix;
    } cases[] = {
        {"COM199", "порта COM199 нет; подключены порты: COM3, COM5", "--port COM3"},
        {"/dev/ttyACM99", "порта /dev/ttyACM99 нет; подключены порты: COM3, COM5", "--port COM3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        m.options.port = c.port;
        const std::vector<CheckResult> results = RunDoctor(m.system, m.options);
        ASSERT_EQ(results.size(), 1u) << "a port that is not there gets no further checks";
        EXPECT_EQ(results[0].line, c.line);
        EXPECT_EQ(results[0].fix, c.fix);
    }
    m.system.serialPorts.clear();
    m.options.port.clear();
    const std::vector<CheckResult> none = RunDoctor(m.system, m.options);
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0], (CheckResult{"port", "", CheckStatus::kProblem,
                                    "USB-последовательных портов нет: трекер не виден системе", kCable}));
    EXPECT_TRUE(m.probed.empty());
}

#endif

}  // namespace
}  // namespace zort
