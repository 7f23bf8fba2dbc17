// Finding the tracker from the command line: `ports --probe`, `--port auto` and
// `doctor`, run as the real zortcfg against simulated trackers and ports where nobody
// answers, that someone holds, that are not there or are no port at all. The machine
// has no USB serial ports: the pseudo-terminals are named with --also.

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>

#include "CliProcess.h"
#include "cli/ConnectReport.h"
#include "connect/DoctorChecks.h"
#include "link/CommandFrame.h"
#include "link/PortList.h"
#include "settings/SettingTable.h"
#include "support/MadeUpTree.h"
#include "support/PortHolder.h"
#include "support/Ptys.h"
#include "support/SimulatedTracker.h"
#include "support/TempFolder.h"

namespace zort {
namespace {

using test::CliResult;
using test::LonePty;
using test::PortHolder;
using test::RunZortcfg;
using test::SimulatedTracker;
using Json = nlohmann::json;

const std::string kIdentity = "ЗОРТ Z410 №004217";
const std::string kImei = "861234050123456";
const std::string kCable =
    "подключите трекер кабелем для передачи данных (не кабелем только для зарядки) и включите трекер";
// Where a doctor's line and its fix start.
const std::string kLine = "  ";
const std::string kFix = std::string(12, ' ') + "исправить: ";

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

size_t Frames(const sim::TrackerSimulator& simulator, int command) {
    size_t n = 0;
    for (const auto& f : simulator.Trace()) n += f.command == command ? 1 : 0;
    return n;
}

std::vector<std::string> Keys(const Json& object) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : object.items()) keys.push_back(key);
    std::sort(keys.begin(), keys.end());
    return keys;
}

// Runs `args` as nobody, with the port made unreadable to anyone outside its group.
CliResult AsNobody(const std::string& port, const std::vector<std::string>& args) {
    const passwd* nobody = getpwnam("nobody");
    EXPECT_NE(nobody, nullptr);
    EXPECT_EQ(chmod(port.c_str(), 0660), 0);
    return RunZortcfg(args, test::AsUser(nobody->pw_uid, nobody->pw_gid));
}

std::string GroupOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0);
    const group* owner = getgrgid(st.st_gid);
    return owner != nullptr ? owner->gr_name : std::to_string(st.st_gid);
}

class CliConnect : public test::TempFolderTest {};

// A simulated tracker that the child sees as /dev/ttyACM0 of a USB device: made-up
// /sys and /dev trees over the real ones, in a mount namespace of the child's own.
class UsbTracker {
  public:
    UsbTracker() {
        const std::string device = "sys/devices/pci0000:00/usb1/1-1";
        tree.Write(device + "/idVendor", "0483\n");
        tree.Write(device + "/idProduct", "5740\n");
        tree.Write(device + "/manufacturer", "ZORT\n");
        tree.Write(device + "/product", "Z410 Tracker\n");
        tree.Dir(device + "/1-1:1.0/tty/ttyACM0");
        // Relative, as sysfs's own links: the tree is looked at from /sys.
        tree.Link("sys/class/tty/ttyACM0/device", "../../../devices/pci0000:00/usb1/1-1/1-1:1.0");
        tree.Write("dev/ttyACM0", "");
        options.mounts = {{tracker.Path(), tree.Path("dev/ttyACM0")},
                          {tree.Path("sys"), "/sys"},
                          {tree.Path("dev"), "/dev"}};
    }

    CliResult Run(const std::vector<std::string>& args) const { return RunZortcfg(args, options); }

    SimulatedTracker tracker;
    test::MadeUpTree tree;
    test::CliOptions options;
};

TEST_F(CliConnect, ProbeGivesEveryPortItsStateAndTouchesOnlyTheTracker) {
    SimulatedTracker tracker, held;
    LonePty silent;
    PortHolder minicom(held.Path(), "minicom", true);
    ASSERT_TRUE(minicom.holding);
    const std::string file = Write("settings.cfg", "");
    const std::string absent = File("ttyUSB-gone");
    const struct {
        std::string port;
        std::string state;
        std::string reason;  // "" for a tracker
        std::vector<std::string> keys;
    } cases[] = {
        {tracker.Path(), "tracker", "", {"holders", "identity", "imei", "port", "software_version", "state"}},
        {silent.path,
         "silent",
         "Порт " + silent.path + " молчит: трекер не ответил за 350 мс",
         {"holders", "port", "reason", "state"}},
        {held.Path(),
         "busy",
         "Порт " + held.Path() + " занят: другая программа открыла его монопольно (minicom (PID " +
             std::to_string(minicom.pid) + "))",
         {"holders", "port", "reason", "state"}},
        {absent,
         "missing",
         "Порт " + absent + " не найден: устройство не подключено или имя порта неверно",
         {"holders", "port", "reason", "state"}},
        {file,
         "error",
         file + " не является последовательным портом: это обычный файл",
         {"holders", "port", "reason", "state"}},
    };
    std::vector<std::string> args = {"ports", "--probe", "--json"};
    for (const auto& c : cases) args.insert(args.end(), {"--also", c.port});
    const CliResult r = RunZortcfg(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const Json list = Json::parse(r.out);
    ASSERT_EQ(list.size(), std::size(cases)) << r.out;
    for (size_t k = 0; k < std::size(cases); ++k) {
        SCOPED_TRACE(cases[k].state);
        const Json& port = list[k];
        EXPECT_EQ(port["port"], cases[k].port);
        EXPECT_EQ(port["state"], cases[k].state);
        EXPECT_EQ(Keys(port), cases[k].keys) << "no usb: a pseudo-terminal";
        if (!cases[k].reason.empty()) EXPECT_EQ(port["reason"], cases[k].reason);
    }
    EXPECT_EQ(list[0]["identity"], kIdentity);
    EXPECT_EQ(list[0]["software_version"], "Z410 2.14");
    EXPECT_EQ(list[0]["imei"], kImei);
    EXPECT_EQ(list[0]["holders"], Json::array()) << "the simulator on the master side is the device";
    EXPECT_EQ(list[2]["holders"],
              Json::parse(R"([{"pid": )" + std::to_string(minicom.pid) + R"(, "name": "minicom"}])"));

    EXPECT_EQ(tracker.simulator.Trace().size(), 3u) << "three reads, nothing written";
    EXPECT_EQ(held.simulator.FramesReceived(), 0) << "a port held exclusively is not used";
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
}

TEST_F(CliConnect, ProbeInPlainTextIsOneAlignedLinePerPort) {
    SimulatedTracker tracker;
    LonePty silent;
    const CliResult r = RunZortcfg({"ports", "--probe", "--also", tracker.Path(), "--also", silent.path});
    ASSERT_EQ(r.status, 0) << r.err;
    const size_t width = std::max(tracker.Path().size(), silent.path.size());
    auto padded = [&](const std::string& port) { return port + std::string(width - port.size(), ' '); };
    EXPECT_EQ(r.out, padded(tracker.Path()) + "  tracker  " + kIdentity + ", ПО Z410 2.14, IMEI " + kImei +
                         "\n" + padded(silent.path) + "  silent   Порт " + silent.path +
                         " молчит: трекер не ответил за 350 мс\n");
}

TEST_F(CliConnect, PortsWithoutProbeKeepsItsListAndItsOptionsNeedTheProbe) {
    const CliResult plain = RunZortcfg({"ports"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    std::string expected;
    for (const std::string& port : ListSerialPorts()) expected += port + "\n";
    EXPECT_EQ(plain.out, expected);
    for (const char* option : {"--json", "--all"}) {
        const CliResult r = RunZortcfg({"ports", option});
        EXPECT_EQ(r.status, 2) << option;
        EXPECT_TRUE(Has(r.err, "--probe")) << r.err;
    }
}

// Run as root, the test drops to nobody in the child to see what a user without the
// port's group sees.
TEST_F(CliConnect, AUserOutsideThePortsGroupIsDeniedAndToldWhichGroup) {
    if (getuid() != 0) GTEST_SKIP() << "needs root to become another user";
    LonePty port;
    const std::string group = GroupOf(port.path);
    const CliResult probe = AsNobody(port.path, {"ports", "--probe", "--json", "--also", port.path});
    ASSERT_EQ(probe.status, 0) << probe.err;
    const Json list = Json::parse(probe.out);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]["state"], "denied");
    EXPECT_EQ(list[0]["reason"], "Нет доступа к порту " + port.path + ": добавьте пользователя в группу «" +
                                     group + "» и войдите в систему заново");

    const CliResult doctor = AsNobody(port.path, {"doctor", "--port", port.path});
    EXPECT_EQ(doctor.status, 1) << doctor.out << doctor.err;
    EXPECT_TRUE(Has(doctor.out, kLine + "ПРОБЛЕМА  нет доступа к порту: портом владеет группа «" + group +
                                    "», а nobody в ней не состоит"))
        << doctor.out;
    EXPECT_TRUE(Has(doctor.out, kFix + "sudo usermod -aG " + group + " $USER\n")) << doctor.out;
    EXPECT_TRUE(Has(doctor.out, "сведения  не проверялся: нет доступа к порту\n")) << doctor.out;
}

TEST_F(CliConnect, PortAutoUsesTheOneTrackerThatAnswers) {
    SimulatedTracker tracker;
    LonePty silent;
    const CliResult read =
        RunZortcfg({"read", "--port", "auto", "--also", silent.path, "--also", tracker.Path()});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.err, "Найден трекер: " + tracker.Path() + " — " + kIdentity + ", IMEI " + kImei + "\n");
    EXPECT_TRUE(Has(read.out, "IMEI:               " + kImei + "\n")) << read.out;
    EXPECT_EQ(Frames(tracker.simulator, kCmdReadParameter), 3u + 31u) << "the probe's reads, then the read";

    // One path per --also: the firmware file after it stays the command's argument.
    Write("fw.fmw", std::string("ZORT-FMW-HEADER") + "0123456789");
    const CliResult flash = RunZortcfg({"flash", "--port", "auto", "--also", tracker.Path(), File("fw.fmw")});
    EXPECT_EQ(flash.status, 0) << flash.err;
    EXPECT_EQ(Frames(tracker.simulator, kCmdWriteFirmwareBlock), 1u);
}

TEST_F(CliConnect, PortAutoNeverGuessesAndNothingIsWritten) {
    SimulatedTracker first, second;
    first.simulator.WithModel([](sim::TrackerModel& m) {
        m.SetParameterText(SettingOf(slot::kImei).id, "861234050999999");
        return 0;
    });
    LonePty silent;
    const std::vector<std::string> write = {"write", "--defaults", "--yes", "--port"};
    struct Case {
        const char* name;
        std::vector<std::string> port;
        int status;
        std::string err;
    } cases[] = {
        {"none",
         {"auto", "--also", silent.path},
         1,
         "Устройство не подключено\nТрекер не ответил ни на одном порту:\n  Порт " + silent.path +
             " молчит: трекер не ответил за 350 мс\nЧто мешает подключению, покажет команда: zortcfg doctor "
             "--also " +
             silent.path + "\n"},
        {"two",
         {"auto", "--also", first.Path(), "--also", silent.path, "--also", second.Path()},
         2,
         "Подключено несколько трекеров: укажите нужный в --port\n  " + first.Path() + " — " + kIdentity +
             ", IMEI 861234050999999\n  " + second.Path() + " — " + kIdentity + ", IMEI " + kImei + "\n"},
        {"also with a named port",
         {first.Path(), "--also", second.Path()},
         2,
         "--also действует только вместе с --port auto\nПорт указан явно: " + first.Path() + "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = write;
        args.insert(args.end(), c.port.begin(), c.port.end());
        const CliResult r = RunZortcfg(args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(Frames(first.simulator, kCmdWriteParameter), 0u);
    EXPECT_EQ(Frames(second.simulator, kCmdWriteParameter), 0u);
}

TEST_F(CliConnect, DoctorOfAHealthyTrackerPassesEveryCheck) {
    SimulatedTracker tracker;
    const CliResult r = RunZortcfg({"doctor", "--port", tracker.Path()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, tracker.Path() + ":\n" +                                 //
                         "  ок        порт " + tracker.Path() + " есть\n" +   //
                         "  ок        доступ к порту есть (root)\n" +         //
                         "  ок        порт не занят другими программами\n" +  //
                         "  ок        трекер отвечает: " + kIdentity + ", ПО Z410 2.14, IMEI " + kImei +
                         "\n");
    EXPECT_EQ(r.err, "");

    const CliResult json = RunZortcfg({"doctor", "--json", "--also", tracker.Path()});
    EXPECT_EQ(json.status, 0) << json.err;
    const Json checks = Json::parse(json.out);
    ASSERT_EQ(checks.size(), 4u);
    const char* names[] = {"port", "access", "holders", "handshake"};
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(checks[k]["check"], names[k]);
        EXPECT_EQ(checks[k]["port"], tracker.Path());
        EXPECT_EQ(checks[k]["status"], "ok");
        EXPECT_EQ(Keys(checks[k]), (std::vector<std::string>{"check", "line", "port", "status"}));
    }
}

TEST_F(CliConnect, DoctorNamesEachProblemWithItsFix) {
    const std::string file = Write("settings.cfg", "");
    struct Case {
        const char* name;
        std::string holder;  // a program holding the tracker's port; "" for none
        bool exclusive;
        std::function<std::string(const std::string&, int)> port;  // from the tracker's path and the holder
        int status;
        std::vector<std::string> lines;
    };
    LonePty silent;
    const Case cases[] = {
        {"silent",
         "",
         false,
         [&](const std::string&, int) { return silent.path; },
         1,
         {kLine + "ПРОБЛЕМА  трекер не отвечает: Порт " + silent.path +
          " молчит: трекер не ответил за 350 мс\n" + kFix + kCable + "\n"}},
        {"terminal program",
         "minicom",
         true,
         [](const std::string& p, int) { return p; },
         1,
         {"ПРОБЛЕМА  терминальная программа minicom (PID {pid}) держит порт монопольно\n" + kFix +
              "закройте minicom (PID {pid})\n",
          "ПРОБЛЕМА  трекер не отвечает: Порт {port} занят: другая программа открыла его монопольно"}},
        {"modem manager",
         "ModemManager",
         false,
         [](const std::string& p, int) { return p; },
         1,
         {"ПРОБЛЕМА  ModemManager (PID {pid}) проверяет порт как модем и мешает трекеру",
          kFix + "sudo systemctl stop ModemManager\n", "ок        трекер отвечает: " + kIdentity}},
        {"harmless holder",
         "cat",
         false,
         [](const std::string& p, int) { return p; },
         0,
         {"сведения  порт открыт программой cat (PID {pid}), но не занят ею\n", "ок        трекер отвечает"}},
        {"no such port",
         "",
         false,
         [&](const std::string&, int) { return File("ttyACM9"); },
         1,
         {"ПРОБЛЕМА  порта " + File("ttyACM9") + " нет, USB-последовательных портов нет\n" + kFix + kCable}},
        {"a file",
         "",
         false,
         [&](const std::string&, int) { return file; },
         1,
         {"ПРОБЛЕМА  " + file + " не является последовательным портом: это обычный файл\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedTracker tracker;
        std::unique_ptr<PortHolder> holder;
        if (!c.holder.empty()) {
            holder = std::make_unique<PortHolder>(tracker.Path(), c.holder, c.exclusive);
            ASSERT_TRUE(holder->holding);
        }
        const std::string port = c.port(tracker.Path(), holder ? holder->pid : 0);
        const CliResult r = RunZortcfg({"doctor", "--port", port});
        EXPECT_EQ(r.status, c.status) << r.out << r.err;
        for (std::string line : c.lines) {
            for (const auto& [key, value] :
                 {std::pair<std::string, std::string>{"{pid}", std::to_string(holder ? holder->pid : 0)},
                  {"{port}", port}}) {
                for (size_t at; (at = line.find(key)) != std::string::npos;)
                    line.replace(at, key.size(), value);
            }
            EXPECT_TRUE(Has(r.out, line)) << line << "\n---\n" << r.out;
        }
        if (c.status == 1) EXPECT_EQ(r.err, "Найдены помехи подключению: исправьте их, как указано выше\n");
        EXPECT_EQ(Frames(tracker.simulator, kCmdWriteParameter), 0u);
    }
}

TEST_F(CliConnect, DoctorRefusesBadUsageAndARuleForNoUsbDevice) {
    SimulatedTracker tracker;
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"doctor", "--port", tracker.Path(), "--also", tracker.Path()},
         "--also действует только вместе с --port auto"},
        {{"doctor", "--bogus"}, "--bogus"},
        {{"doctor", "--port", tracker.Path(), "--udev-rule", File("99-zort.rules")},
         "Правило udev не записано: ни у одного проверенного порта нет идентификаторов USB (vid:pid)"},
    };
    for (const auto& c : cases) {
        const CliResult r = RunZortcfg(c.args);
        EXPECT_EQ(r.status, 2) << c.err;
        EXPECT_TRUE(Has(r.err, c.err)) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(File("99-zort.rules")));
    EXPECT_FALSE(std::filesystem::exists(File("99-zort.rules.tmp")));
}

TEST_F(CliConnect, AUsbTrackerIsFoundUnnamedAndCarriesItsUsbIdentity) {
    if (getuid() != 0) GTEST_SKIP() << "needs root for a mount namespace";
    UsbTracker usb;
    const CliResult json = usb.Run({"ports", "--probe", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const Json list = Json::parse(json.out);
    ASSERT_EQ(list.size(), 1u) << json.out;
    EXPECT_EQ(list[0]["port"], "/dev/ttyACM0");
    EXPECT_EQ(list[0]["state"], "tracker");
    EXPECT_EQ(list[0]["usb"], Json::parse(R"({"vid": "0483", "pid": "5740", "manufacturer": "ZORT",
                                             "product": "Z410 Tracker"})"))
        << "no serial number in sysfs, none in the document";

    // Another tracker under the same name in another mount namespace (a container, a
    // sandbox), held open meanwhile, is not this one's holder.
    UsbTracker other;
    std::thread elsewhere([&other] { other.Run({"nmea", "--port", "/dev/ttyACM0", "--seconds", "2"}); });
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const CliResult text = usb.Run({"ports", "--probe"});
    elsewhere.join();
    EXPECT_EQ(text.out, "/dev/ttyACM0  tracker  " + kIdentity + ", ПО Z410 2.14, IMEI " + kImei +
                            " · USB 0483:5740 ZORT Z410 Tracker\n");

    const CliResult read = usb.Run({"read", "--port", "auto", "--json", "-"});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(Json::parse(read.out)["imei"], kImei) << "stdout stays a document";
    EXPECT_TRUE(Has(read.err, "Найден трекер: /dev/ttyACM0 — " + kIdentity)) << read.err;
}

TEST_F(CliConnect, DoctorGivesTheModemManagerRuleForTheUsbDeviceAndWritesIt) {
    if (getuid() != 0) GTEST_SKIP() << "needs root for a mount namespace";
    UsbTracker usb;
    const std::string rule = ModemManagerRule("0483", "5740");
    std::string ruleLines;
    for (size_t from = 0, end; from < rule.size(); from = end + 1) {
        end = rule.find('\n', from);
        ruleLines += std::string(14, ' ') + rule.substr(from, end - from) + "\n";
    }
    {
        PortHolder modemManager(usb.tracker.Path(), "ModemManager", false);
        ASSERT_TRUE(modemManager.holding);
        const CliResult r = usb.Run({"doctor"});
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_TRUE(Has(r.out, "ПРОБЛЕМА  ModemManager (PID " + std::to_string(modemManager.pid) +
                                   ") проверяет порт как модем и мешает трекеру; правило udev в файле " +
                                   std::string(kUdevRulePath)))
            << r.out;
        EXPECT_TRUE(Has(r.out, std::string(12, ' ') + "исправить:\n" + ruleLines)) << r.out;
        EXPECT_TRUE(Has(r.out, "Записать правило udev: sudo zortcfg doctor --udev-rule " +
                                   std::string(kUdevRulePath) + "\n"))
            << r.out;

        const CliResult written = usb.Run({"doctor", "--udev-rule", File("99-zort.rules")});
        EXPECT_EQ(written.status, 1) << "the problem is there until the rule is loaded";
        EXPECT_EQ(Read("99-zort.rules"), rule);
        EXPECT_TRUE(Has(written.out, "Правило udev записано в " + File("99-zort.rules"))) << written.out;
    }
    // Written also when nothing is wrong now: ModemManager looks only for a while after a plug.
    const CliResult quiet = usb.Run({"doctor", "--json", "--udev-rule", File("again.rules")});
    EXPECT_EQ(quiet.status, 0) << quiet.out << quiet.err;
    EXPECT_EQ(Json::parse(quiet.out).size(), 4u) << "the note goes to stderr, not into the document";
    EXPECT_TRUE(Has(quiet.err, "Правило udev записано в " + File("again.rules"))) << quiet.err;
    EXPECT_EQ(Read("again.rules"), rule);

    // One rule per kind of device, however many of it are plugged in.
    const UsbInfo tracker{"0483", "5740", {}, {}, {}};
    const UsbInfo adapter{"1a86", "7523", {}, {}, {}};
    const UsbInfo noProduct{"0483", std::nullopt, {}, {}, {}};
    EXPECT_EQ(cli::UdevRulesFor({tracker, std::nullopt, noProduct, adapter, tracker}),
              rule + ModemManagerRule("1a86", "7523"));
}

}  // namespace
}  // namespace zort
