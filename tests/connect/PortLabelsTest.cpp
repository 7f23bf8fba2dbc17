// What the port box and the status line say about probed ports, and which port a search
// selects by itself.

#include <gtest/gtest.h>

#include "connect/PortLabels.h"

namespace zort {
namespace {

ProbeResult Tracker(const std::string& port) {
    ProbeResult r;
    r.port = port;
    r.state = ProbeState::kTracker;
    r.identity = "ЗОРТ Z410 №004217";
    r.softwareVersion = "Z410 2.14";
    r.imei = "861234050123456";
    return r;
}

ProbeResult Other(const std::string& port, ProbeState state) {
    ProbeResult r;
    r.port = port;
    r.state = state;
    r.reason = "причина";
    return r;
}

TEST(PortLabels, EachStateReadsAsATechnicianExpects) {
    ProbeResult cp2102 = Other("/dev/ttyUSB0", ProbeState::kSilent);
    cp2102.usb = UsbInfo{"10c4", "ea60", "Silicon Labs", "CP2102 USB to UART", std::nullopt};
    ProbeResult unnamedUsb = Other("/dev/ttyACM1", ProbeState::kDenied);
    unnamedUsb.usb = UsbInfo{"1234", "5678", std::nullopt, std::nullopt, std::nullopt};
    ProbeResult held = Other("/dev/ttyACM2", ProbeState::kBusy);
    held.holders = {{812, "ModemManager"}, {900, "minicom"}};

    const struct {
        ProbeResult result;
        std::string label;
        std::string status;
    } cases[] = {
        {Tracker("/dev/ttyACM0"), "/dev/ttyACM0 — ЗОРТ Z410 №004217 · IMEI 861234050123456",
         "Подключено: ЗОРТ Z410 №004217 · ПО Z410 2.14 · IMEI 861234050123456"},
        {cp2102, "/dev/ttyUSB0 — CP2102 USB to UART (не отвечает)", "Трекер не найден"},
        {unnamedUsb, "/dev/ttyACM1 — USB 1234:5678 (нет доступа)", "Нет доступа к порту"},
        {held, "/dev/ttyACM2 (занят)", "Порт занят: ModemManager (pid 812)"},
        {Other("/dev/ttyACM3", ProbeState::kBusy), "/dev/ttyACM3 (занят)", "Порт занят другой программой"},
        {Other("/dev/ttyACM4", ProbeState::kMissing), "/dev/ttyACM4 (отключен)", "Устройство отключено"},
        {Other("/tmp/file", ProbeState::kError), "/tmp/file (ошибка)", "причина"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PortLabel(c.result), c.label);
        EXPECT_EQ(ConnectionStatus(c.result), c.status) << c.label;
    }
    EXPECT_EQ(PortLabel(Tracker("/dev/pts/3"), "/dev/pts/3"), "Демо-трекер (встроенный)");
}

TEST(PortLabels, ASearchSelectsTheOneTrackerOrTheDemoAndNeverGuesses) {
    const std::string demo = "/dev/pts/3";
    const ProbeResult silent = Other("/dev/ttyS0", ProbeState::kSilent);
    const struct {
        std::vector<ProbeResult> results;
        std::optional<std::string> chosen;
    } cases[] = {
        {{silent, Tracker("/dev/ttyACM0")}, "/dev/ttyACM0"},
        {{Tracker(demo), Tracker("/dev/ttyACM0")}, "/dev/ttyACM0"},
        {{silent, Tracker(demo)}, demo},
        {{silent, Other(demo, ProbeState::kSilent)}, std::nullopt},
        {{Tracker("/dev/ttyACM0"), Tracker("/dev/ttyACM1"), Tracker(demo)}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(AutomaticChoice(c.results, demo), c.chosen);
    EXPECT_EQ(AutomaticChoice({Tracker(demo)}), demo) << "without a demo, a pty tracker is a tracker";
}

}  // namespace
}  // namespace zort
