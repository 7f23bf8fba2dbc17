// zortcfg against the simulated tracker on a pseudo-terminal: what reaches the wire,
// what the tracker keeps, what the user reads and the exit status a script sees.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>

#include "CliProcess.h"
#include "link/Cp1251.h"
#include "settings/ExchangeTable.h"
#include "support/SimulatedTracker.h"
#include "support/TempFolder.h"

namespace zort {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::PlanOf;
using test::RunZortcfg;
using test::SimulatedTracker;

constexpr uint32_t kOwnerId = 0x08080460;
constexpr uint32_t kPinId = 0x08080480;
constexpr uint32_t kTimeZoneId = 0x08080580;
constexpr uint32_t kWialonPasswordId = 0x08080120;
constexpr uint32_t kImeiId = 0x080807E0;

std::vector<sim::FrameRecord> Frames(const sim::TrackerSimulator& simulator, int command) {
    std::vector<sim::FrameRecord> frames;
    for (auto& f : simulator.Trace()) {
        if (f.command == command) frames.push_back(f);
    }
    return frames;
}

std::string Param(sim::TrackerSimulator& simulator, uint32_t id) {
    return Cp1251ToUtf8(simulator.WithModel([&](sim::TrackerModel& m) { return m.ParameterText(id); }));
}

void SetParam(sim::TrackerSimulator& simulator, uint32_t id, const std::string& utf8) {
    simulator.WithModel([&](sim::TrackerModel& m) {
        m.SetParameterText(id, Utf8ToCp1251(utf8));
        return 0;
    });
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CliDevice : public test::TempFolderTest {};

TEST_F(CliDevice, ReadPrintsTheSummaryAndTheDeviceInformation) {
    SimulatedTracker tracker;
    const CliResult r = RunZortcfg({"read", "--port", tracker.Path()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "Период времени охраны №1               c 23:00 до 07:00\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "c 10:00 до 17:00"));
    EXPECT_TRUE(Has(r.out, "IMEI:               861234050123456\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "ЗОРТ Z410 №004217"));
    EXPECT_EQ(r.err, "") << "no progress bar when stderr is not a terminal";

    // The 30 items in exchange order, then the extra read of the marker.
    const auto reads = Frames(tracker.simulator, kCmdReadParameter);
    ASSERT_EQ(reads.size(), 31u);
    for (size_t k = 0; k < kExchangeTable.size(); ++k) EXPECT_EQ(reads[k].id, kExchangeTable[k].id) << k;
    EXPECT_EQ(reads[30].id, kFollowUpReadId);
    EXPECT_EQ(tracker.simulator.Trace().size(), 31u) << "a read writes nothing";
}

TEST_F(CliDevice, ReadJsonWrittenToAnotherTrackerCarriesEveryWrittenItem) {
    SimulatedTracker source;
    SetParam(source.simulator, kOwnerId, "+79001234567");
    SetParam(source.simulator, kTimeZoneId, "-5");
    SetParam(source.simulator, kWialonPasswordId, "пароль");
    SetParam(source.simulator, 0x08080620, "0815200000000000");
    const CliResult read = RunZortcfg({"read", "--port", source.Path(), "--json", File("s.json")});
    ASSERT_EQ(read.status, 0) << read.err;

    // To stdout the document stands alone; the table goes to stderr.
    const CliResult piped = RunZortcfg({"read", "--port", source.Path(), "--json", "-"});
    ASSERT_EQ(piped.status, 0) << piped.err;
    const auto document = nlohmann::json::parse(piped.out);
    EXPECT_EQ(document.size(), 30u);
    EXPECT_EQ(document["device_identity"], "ЗОРТ Z410 №004217");
    EXPECT_EQ(document["wialon_password"], "пароль");
    EXPECT_TRUE(Has(piped.err, "c 08:15 до 20:00"));

    SimulatedTracker target;
    const CliResult write = RunZortcfg({"write", "--port", target.Path(), "--json", File("s.json")});
    ASSERT_EQ(write.status, 0) << write.err;
    EXPECT_TRUE(Has(write.out, "Настройки успешно записаны"));
    const auto writes = Frames(target.simulator, kCmdWriteParameter);
    ASSERT_EQ(writes.size(), 25u);
    for (size_t k = 0; k < writes.size(); ++k) {
        EXPECT_EQ(writes[k].id, kExchangeTable[k].id);
        EXPECT_EQ(writes[k].length, 32u);
        EXPECT_EQ(Param(target.simulator, writes[k].id), Param(source.simulator, writes[k].id)) << k;
    }
    EXPECT_EQ(Param(target.simulator, kWialonPasswordId), "пароль");
}

// Before a write the tracker's settings are read, what changes is listed on stderr and
// the old settings are kept as a backup; a dry run lists and nothing more. Without a
// backup nothing is written.
TEST_F(CliDevice, AWriteKeepsWhatTheTrackerHeldAndSaysWhatChanges) {
    const char* suiteHome = ::getenv("XDG_DATA_HOME");
    const std::string suiteHomeValue = suiteHome ? suiteHome : "";
    ::setenv("XDG_DATA_HOME", File("data").c_str(), 1);
    const std::string suiteState = ::getenv("XDG_STATE_HOME") ? ::getenv("XDG_STATE_HOME") : "";
    ::setenv("XDG_STATE_HOME", File("state").c_str(), 1);
    SimulatedTracker tracker;
    SetParam(tracker.simulator, kOwnerId, "+79001234567");
    ASSERT_EQ(RunZortcfg({"read", "--port", tracker.Path(), "--json", File("now.json")}).status, 0);
    const std::vector<std::string> write = {"write",
                                            "--port",
                                            tracker.Path(),
                                            "--json",
                                            File("now.json"),
                                            "--set",
                                            "owner_phone=+79161234567",
                                            "--set",
                                            "time_zone=-5"};
    std::vector<std::string> dry = write;
    dry.push_back("--dry-run");
    const CliResult preview = RunZortcfg(dry);
    ASSERT_EQ(preview.status, 0) << preview.err;
    EXPECT_EQ(preview.out,
              "Изменится:\n  Номер телефона владельца: +79001234567 → +79161234567\n"
              "  Часовой пояс: 3 → -5\n");
    EXPECT_TRUE(Frames(tracker.simulator, kCmdWriteParameter).empty());
    EXPECT_FALSE(fs::exists(File("data"))) << "a dry run keeps no backup";

    const CliResult written = RunZortcfg(write);
    ASSERT_EQ(written.status, 0) << written.err;
    // The session log has the read before the write and the write, one line each.
    const std::string log = Read("state/zort-configurator/log");
    const std::string session = "  " + tracker.Path() + "  IMEI 861234050123456  ";
    EXPECT_TRUE(Has(log, session + "чтение настроек  успешно  ")) << log;
    EXPECT_TRUE(Has(log, session + "запись настроек  Настройки успешно записаны  ")) << log;
    ::setenv("XDG_STATE_HOME", suiteState.c_str(), 1);
    EXPECT_TRUE(Has(written.err, "Изменится:\n  Номер телефона владельца: +79001234567 → +79161234567\n"));
    const fs::path folder = File("data/zort-configurator/backups/861234050123456");
    ASSERT_TRUE(fs::is_directory(folder)) << written.err;
    const fs::path backup = fs::directory_iterator(folder)->path();
    EXPECT_TRUE(Has(written.err, "Резервная копия настроек: " + backup.string())) << written.err;
    const auto kept = nlohmann::json::parse(std::ifstream(backup));
    EXPECT_EQ(kept["owner_phone"], "+79001234567") << "the settings before the write";
    EXPECT_EQ(kept["time_zone"], "3");
    EXPECT_EQ(kept["port"], tracker.Path());
    EXPECT_EQ(kept["reason"], "запись настроек");
    EXPECT_EQ(Param(tracker.simulator, kOwnerId), "+79161234567");

    std::vector<std::string> unkept = write;
    unkept.push_back("--no-backup");
    unkept.push_back("--verbose");
    const CliResult noBackup = RunZortcfg(unkept);
    EXPECT_EQ(noBackup.status, 0) << noBackup.err;
    EXPECT_TRUE(Has(noBackup.err, "Изменений нет")) << noBackup.err;
    EXPECT_TRUE(Has(noBackup.err, "Резервная копия настроек не сохраняется (--no-backup)"));
    EXPECT_TRUE(Has(noBackup.err, session + "запись настроек  Настройки успешно записаны  ")) << "--verbose";
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);

    // The backup brings the tracker back, and the state it replaces is kept in turn.
    const CliResult restored =
        RunZortcfg({"restore", "--port", tracker.Path(), backup.string(), "--verbose"});
    ASSERT_EQ(restored.status, 0) << restored.err;
    EXPECT_TRUE(Has(restored.err, "Номер телефона владельца: +79161234567 → +79001234567")) << restored.err;
    EXPECT_TRUE(Has(restored.err, session + "восстановление настроек  Настройки успешно записаны  "))
        << restored.err;
    EXPECT_EQ(Param(tracker.simulator, kOwnerId), "+79001234567");
    EXPECT_EQ(Param(tracker.simulator, kTimeZoneId), "3");
    const CliResult listed = RunZortcfg({"backups", "--json"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    const auto backups = nlohmann::json::parse(listed.out);
    ASSERT_EQ(backups.size(), 2u);
    EXPECT_EQ(backups[0]["reason"], "восстановление") << "newest first";
    EXPECT_EQ(backups[0]["imei"], "861234050123456");
    EXPECT_EQ(nlohmann::json::parse(std::ifstream(backups[0]["file"].get<std::string>()))["owner_phone"],
              "+79161234567");
    EXPECT_EQ(RunZortcfg({"backups", "--imei", "869999999999999"}).out, "Резервных копий нет\n");

    // Another tracker's backup is written only when asked for by name.
    SimulatedTracker stranger;
    SetParam(stranger.simulator, kImeiId, "869999999999999");
    const CliResult refusedRestore = RunZortcfg({"restore", "--port", stranger.Path(), backup.string()});
    EXPECT_EQ(refusedRestore.status, 2);
    EXPECT_TRUE(Has(refusedRestore.err,
                    "Резервная копия другого устройства\nкопия: IMEI 861234050123456, "
                    "подключено: IMEI 869999999999999"))
        << refusedRestore.err;
    EXPECT_TRUE(Frames(stranger.simulator, kCmdWriteParameter).empty());
    EXPECT_EQ(RunZortcfg({"restore", "--port", stranger.Path(), backup.string(), "--other-device"}).status,
              0);
    EXPECT_EQ(Param(stranger.simulator, kOwnerId), "+79001234567");
    Write("torn.json", "{\"owner_phone\": ");
    EXPECT_EQ(RunZortcfg({"restore", "--port", stranger.Path(), File("torn.json")}).status, 2);

    // Backups cannot be kept: nothing reaches the tracker but the read.
    Write("blocked", "a file where the folder should be");
    ::setenv("XDG_DATA_HOME", File("blocked").c_str(), 1);
    SimulatedTracker other;
    std::vector<std::string> blocked = write;
    blocked[2] = other.Path();
    const CliResult refused = RunZortcfg(blocked);
    ::setenv("XDG_DATA_HOME", suiteHomeValue.c_str(), 1);
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(Has(refused.err, "Резервная копия настроек не сохранена")) << refused.err;
    EXPECT_TRUE(Has(refused.err, "В устройство ничего не записано")) << refused.err;
    EXPECT_TRUE(Frames(other.simulator, kCmdWriteParameter).empty());
}

TEST_F(CliDevice, EmptyOwnerIsRefusedWithoutYesAndWrittenAsNoNumberWithIt) {
    SimulatedTracker tracker;
    const CliResult refused = RunZortcfg({"write", "--port", tracker.Path(), "--defaults"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(Has(refused.err, "Вы не указали номер телефона владельца\nЗаписать настройки без него?\n"));
    EXPECT_TRUE(Has(refused.err, "--yes"));
    EXPECT_TRUE(tracker.simulator.Trace().empty()) << "nothing may reach the tracker";

    SetParam(tracker.simulator, kOwnerId, "+79990000000");
    const CliResult accepted = RunZortcfg({"write", "--port", tracker.Path(), "--defaults", "--yes"});
    ASSERT_EQ(accepted.status, 0) << accepted.err;
    EXPECT_TRUE(Has(accepted.out, "Записать настройки без него?\nДа (--yes)\n"));
    EXPECT_TRUE(Has(accepted.out, "Настройки успешно записаны"));
    EXPECT_EQ(Frames(tracker.simulator, kCmdWriteParameter).size(), 25u);
    EXPECT_EQ(Param(tracker.simulator, kOwnerId), "00000");
    EXPECT_EQ(Param(tracker.simulator, kPinId), "1234");
}

TEST_F(CliDevice, InputThePagesWouldRefuseIsRefusedBeforeAnyFrame) {
    SimulatedTracker tracker;
    Write("unknown.json", R"({"pin": "1234", "pinn": "1"})");
    Write("number.json", R"({"pin": 1234, "imei": null})");
    Write("array.json", R"(["pin"])");
    Write("broken.json", R"({"pin": )");
    Write("long.json", R"({"server_host": "a-host-name-of-32-characters.org"})");
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {{"--json", File("unknown.json")}, {"Ошибка в файле настроек", "«pinn»: неизвестный ключ"}},
        {{"--json", File("number.json")}, {"«pin»: значение должно быть строкой", "«imei»: значение должно"}},
        {{"--json", File("array.json")}, {"одним объектом JSON"}},
        {{"--json", File("broken.json")}, {"это не документ JSON"}},
        {{"--json", File("long.json")}, {"«server_host»: текст длиннее 31 символа"}},
        {{"--json", File("missing.json")}, {"Ошибка открытия файла", "missing.json"}},
        {{"--defaults", "--set", "time_zone=15", "--set", "contact_time=2460"},
         {"Недопустимые значения настроек", "«time_zone»: «15»", "«contact_time»: «2460»"}},
        {{"--defaults", "--set", "owner_phone=+7900", "--set", "pin=12"},
         {"PIN-код устройства должен состоять из четырех цифр"}},
        {{"--defaults", "--set", "owner_phone=+7900", "--set", "server_port=", "--set", "guard_mode=1"},
         {"Вы не указали адрес сервера или порт."}},
        {{"--defaults", "--set", "owner_phone=8 900"}, {"только цифры"}},
        {{"--defaults", "--json", File("unknown.json")}, {"--defaults"}},
        {{}, {"Exactly 1"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"write", "--port", tracker.Path()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult r = RunZortcfg(args);
        EXPECT_EQ(r.status, 2) << c.expected.front() << "\n" << r.err;
        for (const std::string& e : c.expected) EXPECT_TRUE(Has(r.err, e)) << e << "\n" << r.err;
    }
    EXPECT_TRUE(tracker.simulator.Trace().empty());
}

// `set` changes what it names and nothing else, and reads it back; a name or text no page
// takes is refused, the name before the tracker is asked anything.
TEST_F(CliDevice, SetChangesOnlyTheNamedSettingsAndReadsThemBack) {
    SimulatedTracker tracker;
    SetParam(tracker.simulator, kOwnerId, "+79001234567");
    SetParam(tracker.simulator, kTimeZoneId, "-2");
    const CliResult changed = RunZortcfg({"set", "--port", tracker.Path(), "time_zone=5", "pin=4321"});
    ASSERT_EQ(changed.status, 0) << changed.err;
    EXPECT_TRUE(Has(changed.err, "Изменится:\n  PIN-код: 1234 → 4321\n  Часовой пояс: -2 → 5\n"))
        << changed.err;
    EXPECT_TRUE(Has(changed.out, "Проверка: устройство сохранило все записанные значения")) << changed.out;
    EXPECT_EQ(Param(tracker.simulator, kTimeZoneId), "5");
    EXPECT_EQ(Param(tracker.simulator, kOwnerId), "+79001234567");
    EXPECT_EQ(Frames(tracker.simulator, kCmdReadParameter).size(), 2 * 31u) << "read, then read back";

    const size_t frames = tracker.simulator.Trace().size();
    const CliResult unknown = RunZortcfg({"set", "--port", tracker.Path(), "colour=red"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(Has(unknown.err, "«colour»: неизвестный ключ")) << unknown.err;
    EXPECT_EQ(tracker.simulator.Trace().size(), frames) << "a wrong name is refused before any frame";
    const CliResult refused = RunZortcfg({"set", "--port", tracker.Path(), "server_port=abc"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(Has(refused.err, "«Порт сервера мониторинга» должен быть числом")) << refused.err;
    EXPECT_EQ(Frames(tracker.simulator, kCmdWriteParameter).size(), 25u) << "only the first set wrote";
}

// Four trackers side by side, one of which is pulled out half-way through its write: the healthy three hold
// the profile and their rows, read back; the fourth says why in its line and its report row, and its backup
// is kept. Bad tables and an unwritable report are refused before any tracker hears a frame.
TEST_F(CliDevice, AFleetRunSetsEveryHealthyTrackerAndTheFaultyOneSaysWhy) {
    constexpr uint32_t kServerPortId = 0x080800C0;
    const std::string suiteHome = ::getenv("XDG_DATA_HOME") ? ::getenv("XDG_DATA_HOME") : "";
    ::setenv("XDG_DATA_HOME", File("data").c_str(), 1);
    std::vector<std::unique_ptr<SimulatedTracker>> trackers;
    std::vector<std::string> ports;
    for (int k = 0; k < 4; ++k) {
        trackers.push_back(
            std::make_unique<SimulatedTracker>(k == 3 ? PlanOf({"close@2#10"}) : sim::FaultPlan{}));
        SetParam(trackers.back()->simulator, kImeiId, "86123405000000" + std::to_string(k));
        ports.insert(ports.end(), {"--port", trackers.back()->Path()});
    }
    Write("profile.json", R"({"server_port": "20332", "time_zone": "5", "owner_phone": "+79000000000"})");
    // As a Russian-locale spreadsheet saves it: BOM, ';', CRLF, a quoted cell.
    Write(
        "devices.csv",
        "\xEF\xBB\xBFimei;owner_phone\r\n861234050000000;\"+79161110000\"\r\n861234050000001;+79162220000\r\n"
        "861234050000003;+79164440000\r\n");
    std::vector<std::string> run = {"provision",         "--profile", File("profile.json"), "--devices",
                                    File("devices.csv"), "--report",  File("report.csv")};
    run.insert(run.end(), ports.begin(), ports.end());
    const CliResult fleet = RunZortcfg(run);
    EXPECT_EQ(fleet.status, 1) << fleet.err;
    for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(Has(fleet.out, "86123405000000" + std::to_string(k) + " Z410 готово за ")) << fleet.out;
        EXPECT_EQ(Param(trackers[k]->simulator, kServerPortId), "20332") << k;
        EXPECT_EQ(Param(trackers[k]->simulator, kTimeZoneId), "5") << k;
    }
    EXPECT_EQ(Param(trackers[0]->simulator, kOwnerId), "+79161110000");
    EXPECT_EQ(Param(trackers[1]->simulator, kOwnerId), "+79162220000");
    EXPECT_EQ(Param(trackers[2]->simulator, kOwnerId), "+79000000000")
        << "not in the table: the profile alone";
    EXPECT_TRUE(Has(fleet.out, "861234050000003 Z410: Ошибка во время записи параметров")) << fleet.out;
    EXPECT_TRUE(Has(fleet.err, "Не настроено трекеров: 1 из 4")) << fleet.err;

    const std::string report = Read("report.csv");
    EXPECT_EQ(report.rfind("\xEF\xBB\xBFtime,port,imei,", 0), 0u) << report;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 5) << report;
    EXPECT_TRUE(Has(report, ",failed,Ошибка во время записи параметров,")) << report;
    EXPECT_TRUE(Has(report, "Порт сервера мониторинга: 23351 → 20332")) << report;
    for (int k = 0; k < 4; ++k) {
        EXPECT_TRUE(
            fs::is_directory(File("data/zort-configurator/backups/86123405000000" + std::to_string(k))))
            << "every tracker's settings were kept before its write, the faulty one's too";
    }

    // With --devices-only a tracker missing from the table is left as it is; one at a time.
    const CliResult only = RunZortcfg({"provision", "--profile", File("profile.json"), "--devices",
                                       File("devices.csv"), "--devices-only", "--jobs", "1", "--port",
                                       trackers[2]->Path(), "--port", trackers[0]->Path()});
    EXPECT_EQ(only.status, 1);
    EXPECT_TRUE(Has(only.out,
                    "861234050000002 Z410: нет в таблице устройств: ничего не записано\n"
                    "861234050000000 Z410 готово за "))
        << only.out;

    // Refused before any tracker is touched, naming the file, the line and the field.
    std::vector<size_t> frames;
    for (const auto& t : trackers) frames.push_back(t->simulator.Trace().size());
    Write("twice.csv", "imei,pin\n861234050000000,1111\n861234050000000,2222\n");
    Write("bad-pin.csv", "imei,pin\n861234050000000,12\n");
    Write("bad.json", R"({"server_port": "70000"})");
    struct Refusal {
        std::vector<std::string> args;
        std::string expected;
    };
    const Refusal refusals[] = {
        {{"--profile", File("profile.json"), "--devices", File("twice.csv")}, "861234050000000"},
        {{"--profile", File("profile.json"), "--devices", File("bad-pin.csv")},
         "строка 2 (IMEI 861234050000000)"},
        {{"--profile", File("bad.json")}, "Порт сервера мониторинга"},
        {{"--profile", File("profile.json"), "--report", File("no/such/folder/r.csv")}, "Файл отчёта"},
    };
    for (const Refusal& r : refusals) {
        std::vector<std::string> args = {"provision"};
        args.insert(args.end(), r.args.begin(), r.args.end());
        args.insert(args.end(), ports.begin(), ports.end());
        const CliResult refused = RunZortcfg(args);
        EXPECT_EQ(refused.status, 2) << r.expected << "\n" << refused.err;
        EXPECT_TRUE(Has(refused.err, r.expected)) << refused.err;
    }
    for (size_t k = 0; k < trackers.size(); ++k)
        EXPECT_EQ(trackers[k]->simulator.Trace().size(), frames[k]) << k;
    ::setenv("XDG_DATA_HOME", suiteHome.c_str(), 1);
}

// With a firmware, only a tracker on another version gets it, after its settings, and
// is then asked its version again; a firmware file that fails its checks is refused first.
TEST_F(CliDevice, AFleetRunUpdatesTheFirmwareOfTrackersOnAnotherVersion) {
    constexpr uint32_t kVersionId = 0x080807A0;
    SimulatedTracker current;
    SimulatedTracker older;
    SetParam(current.simulator, kVersionId, "Z410 2.20");
    SetParam(current.simulator, kImeiId, "861234050000010");
    older.simulator.WithModel([](sim::TrackerModel& m) {
        m.SetVersionAfterFlash("Z410 2.20");
        return 0;
    });
    Write("profile.json", R"({"owner_phone": "+79161234567"})");
    Write("fw.fmw", std::string(15, 'H') + std::string(1500, '\x5A'));
    Write("empty.fmw", std::string(15, 'H'));
    const auto provision = [&](const std::string& firmware) {
        return RunZortcfg({"provision", "--profile", File("profile.json"), "--firmware", File(firmware),
                           "--firmware-version", "Z410 2.20", "--port", current.Path(), "--port",
                           older.Path()});
    };
    const CliResult refused = provision("empty.fmw");
    EXPECT_EQ(refused.status, 2) << refused.err;
    EXPECT_TRUE(Has(refused.err, "Файл прошивки")) << refused.err;
    EXPECT_TRUE(older.simulator.Trace().empty());

    const CliResult updated = provision("fw.fmw");
    EXPECT_EQ(updated.status, 0) << updated.out << updated.err;
    EXPECT_TRUE(Has(updated.out, "861234050123456 Z410 готово за ")) << updated.out;
    EXPECT_EQ(older.simulator.WithModel([](sim::TrackerModel& m) { return m.FlashBlocks(); }), 3);
    EXPECT_EQ(current.simulator.WithModel([](sim::TrackerModel& m) { return m.FlashErases(); }), 0);
    EXPECT_EQ(Param(older.simulator, kVersionId), "Z410 2.20");
}

// A tracker that takes every write, acknowledges it, and then forgets the PIN and the
// time zone: the acknowledgement alone proves nothing.
TEST_F(CliDevice, VerifyNamesEveryFieldTheTrackerDidNotKeep) {
    sim::TrackerSimulator simulator;
    sim::PtyTransport transport(simulator);
    transport.OnFramesHandled([&] {
        simulator.WithModel([](sim::TrackerModel& m) {
            m.SetParameterText(kPinId, "1234");
            m.SetParameterText(kTimeZoneId, "3");
            return 0;
        });
    });
    std::string error;
    ASSERT_TRUE(transport.Start(error)) << error;
    const std::vector<std::string> write = {"write",        "--port",   transport.SlavePath(),
                                            "--defaults",   "--set",    "owner_phone=+79001234567",
                                            "--set",        "pin=4321", "--set",
                                            "time_zone=-5", "--verify"};
    const CliResult r = RunZortcfg(write);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.out, "Настройки успешно записаны"));
    EXPECT_TRUE(Has(r.err,
                    "Устройство не сохранило записанные значения\n"
                    "«pin»: записано «4321», прочитано «1234»\n"
                    "«time_zone»: записано «-5», прочитано «3»\n"))
        << r.err;
    EXPECT_FALSE(Has(r.err, "owner_phone"));
    EXPECT_EQ(Frames(simulator, kCmdWriteParameter).size(), 25u);
    EXPECT_EQ(Frames(simulator, kCmdReadParameter).size(), 2 * 31u)
        << "the read before the write, then the check";

    SimulatedTracker healthy;
    std::vector<std::string> again = write;
    again[2] = healthy.Path();
    const CliResult ok = RunZortcfg(again);
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_TRUE(Has(ok.out, "Проверка: устройство сохранило все записанные значения"));
}

TEST_F(CliDevice, MissingReadReplyFailsAfterTheTrackersFourSeconds) {
    SimulatedTracker tracker(PlanOf({"drop@1#5"}));
    const CliResult r = RunZortcfg({"read", "--port", tracker.Path(), "--json", File("never.json")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Ошибка во время чтения параметров\n");
    EXPECT_GE(r.seconds, 4.0);
    EXPECT_LT(r.seconds, 8.0);
    EXPECT_EQ(r.out, "") << "no summary of a partial read";
    EXPECT_FALSE(fs::exists(File("never.json")));
    EXPECT_EQ(tracker.simulator.Trace().size(), 5u);
}

TEST_F(CliDevice, LostLinesAndMissingAcknowledgementsEndTheOperation) {
    // A pulled cable fails at once, not after the time-out.
    SimulatedTracker pulled(PlanOf({"close@1#3"}));
    const CliResult read = RunZortcfg({"read", "--port", pulled.Path()});
    EXPECT_EQ(read.status, 1);
    EXPECT_TRUE(Has(read.err, "Ошибка во время чтения параметров"));
    EXPECT_LT(read.seconds, 2.0);

    // The seventh acknowledgement never comes: the line goes instead, which ends the
    // wait at once rather than after the tracker's four seconds.
    SimulatedTracker cut(PlanOf({"close@2#7"}));
    const CliResult write = RunZortcfg({"write", "--port", cut.Path(), "--defaults", "--yes"});
    EXPECT_EQ(write.status, 1);
    EXPECT_TRUE(Has(write.err, "Ошибка во время записи параметров"));
    EXPECT_FALSE(Has(write.out, "Настройки успешно записаны"));
    EXPECT_EQ(Frames(cut.simulator, kCmdWriteParameter).size(), 7u);

    const CliResult absent = RunZortcfg({"read", "--port", File("no-such-port")});
    EXPECT_EQ(absent.status, 1);
    EXPECT_EQ(absent.err.substr(0, absent.err.find('\n')), "Устройство не подключено");
    EXPECT_TRUE(Has(absent.err, "\nПорт " + File("no-such-port") + " не найден")) << absent.err;
}

std::string FirmwareFile(size_t imageLength) {
    std::string bytes = "ZORT-FMW-HEADER";  // 15 bytes, never sent
    for (size_t i = 0; i < imageLength; ++i) bytes.push_back(static_cast<char>((i * 7 + 3) & 0xFF));
    return bytes;
}

TEST_F(CliDevice, FlashSendsTheImageInBlocksAtTheFlashAddresses) {
    SimulatedTracker tracker;
    const std::string file = FirmwareFile(1000);
    Write("fw.fmw", file);
    const CliResult r = RunZortcfg({"flash", "--port", tracker.Path(), File("fw.fmw")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Прошивка успешно обновлена\n");

    const auto trace = tracker.simulator.Trace();
    ASSERT_EQ(trace.size(), 3u);
    EXPECT_EQ(trace[0].command, kCmdPrepareFirmware);
    EXPECT_EQ(trace[1].command, kCmdWriteFirmwareBlock);
    EXPECT_EQ(trace[1].id, 0x08006400u);
    EXPECT_EQ(trace[1].length, 512u);
    EXPECT_EQ(trace[2].id, 0x08006600u);
    EXPECT_EQ(trace[2].length, 488u);
    const auto flash = tracker.simulator.WithModel([](sim::TrackerModel& m) { return m.FlashImage(); });
    EXPECT_EQ(std::string(flash.begin(), flash.end()), file.substr(15));
}

TEST_F(CliDevice, FirmwareFilesWithoutAnImageAreRefusedBeforeTheTrackerIsTouched) {
    SimulatedTracker tracker;
    Write("header-only.fmw", FirmwareFile(0));
    fs::create_directory(File("folder.fmw"));
    for (const char* name : {"header-only.fmw", "folder.fmw", "missing.fmw"}) {
        const CliResult r = RunZortcfg({"flash", "--port", tracker.Path(), File(name)});
        EXPECT_EQ(r.status, 2) << name;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "Ошибка открытия файла прошивки") << r.err;
        EXPECT_TRUE(Has(r.err, File(name))) << r.err;
    }
    EXPECT_TRUE(tracker.simulator.Trace().empty());

    // A name without the extension gets it, as in the window's file dialog.
    Write("named.fmw", FirmwareFile(10));
    EXPECT_EQ(RunZortcfg({"flash", "--port", tracker.Path(), File("named")}).status, 0);

    // No acknowledgement of the second block: the line goes instead of the tracker's
    // ten-second wait.
    SimulatedTracker cut(PlanOf({"close@11#2"}));
    Write("big.fmw", FirmwareFile(2000));
    const CliResult r = RunZortcfg({"flash", "--port", cut.Path(), File("big.fmw")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Ошибка во время записи прошивки\n");
    EXPECT_EQ(Frames(cut.simulator, kCmdWriteFirmwareBlock).size(), 2u) << "nothing after the lost block";
}

TEST_F(CliDevice, ProgressBarOnlyOnATerminal) {
    SimulatedTracker tracker({}, 9600);
    const CliResult r = RunZortcfg({"read", "--port", tracker.Path()}, test::StderrTerminal());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.err, "Чтение настроек... [")) << r.err;
    EXPECT_TRUE(Has(r.err, "%  осталось 0:0")) << r.err;
    EXPECT_TRUE(Has(r.err, "\r\033[K")) << "the bar is erased before the table";
    EXPECT_FALSE(Has(r.out, "осталось"));
}

}  // namespace
}  // namespace zort

namespace zort {
namespace {

TEST_F(CliDevice, GnssFlashLogsEveryStepAndTheReceiverHoldsTheImage) {
    SimulatedTracker tracker;
    std::string loader(11892, '\0'), firmware(5000, '\0');
    for (size_t i = 0; i < loader.size(); ++i) loader[i] = static_cast<char>(i * 7);
    for (size_t i = 0; i < firmware.size(); ++i) firmware[i] = static_cast<char>(i * 13 + 1);
    Write("loader.bin", loader);
    Write("gnss.bin", firmware);
    const CliResult r = RunZortcfg({"gnss-flash", "--port", tracker.Path(), "--loader", File("loader.bin"),
                                    "--firmware", File("gnss.bin")});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(Has(r.out, "Запись загрузчика...\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "Прошивка GPS модуля завершена\n")) << r.out;
    const auto image = tracker.simulator.WithGnss([](auto& g) { return g.Boot().Image(); });
    EXPECT_EQ(std::string(image.begin(), image.end()), firmware);

    // A short loader never reaches the tracker.
    Write("short.bin", loader.substr(0, 100));
    SimulatedTracker untouched;
    const CliResult bad = RunZortcfg({"gnss-flash", "--port", untouched.Path(), "--loader", File("short.bin"),
                                      "--firmware", File("gnss.bin")});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err.substr(0, bad.err.find('\n')), "Ошибка открытия файла загрузчика") << bad.err;
    EXPECT_TRUE(untouched.simulator.Trace().empty());
}

}  // namespace
}  // namespace zort
