// zortcfg service and zortcfg nmea as a script runs them, against the simulated tracker.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "cli/CliProcess.h"
#include "service/ServiceThread.h"
#include "support/SimulatedTracker.h"
#include "support/TempFolder.h"

namespace zort {
namespace {

namespace fs = std::filesystem;
using test::RunZortcfg;
using test::SimulatedTracker;

void PowerModem(SimulatedTracker& tracker) {
    tracker.simulator.WithModel([](sim::TrackerModel& m) {
        m.SetModemOn(true);
        return 0;
    });
}

std::vector<std::string> ModemPayloads(SimulatedTracker& tracker) {
    std::vector<std::string> out;
    for (const sim::FrameRecord& r : tracker.simulator.Trace()) {
        if (r.command == kCmdModemPassThrough) out.emplace_back(r.payload.begin(), r.payload.end());
    }
    return out;
}

TEST(ServiceCli, ModemStartPrintsTheLogLines) {
    SimulatedTracker tracker;
    const auto r = RunZortcfg({"service", "--port", tracker.Path(), "gsm-start"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Запуск модема...\nМодем запущен\nМодем сконфигурирован\n");
    EXPECT_EQ(r.err, "");
}

TEST(ServiceCli, UploadTakesTheAmrFilesOfTheFolderByName) {
    SimulatedTracker tracker;
    PowerModem(tracker);
    const test::TempFolder dir("zortcfg-upload");
    dir.Write("b.amr", "BBBB");
    dir.Write("A.AMR", "AA");
    dir.Write("notes.txt", "not a sound");

    const auto r = RunZortcfg({"service", "--port", tracker.Path(), "upload", dir.path.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Запись файла A.AMR\nЗапись файла b.amr\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Файлы успешно записаны\n"), std::string::npos) << r.out;
    const auto files = tracker.simulator.WithModem([](sim::ModemModel& m) { return m.Files(); });
    EXPECT_EQ(files.at("A.AMR"), (std::vector<uint8_t>{'A', 'A'}));
    EXPECT_EQ(files.at("b.amr"), (std::vector<uint8_t>{'B', 'B', 'B', 'B'}));
}

TEST(ServiceCli, BadInputIsRefusedWithStatusTwoBeforeAnyFrame) {
    SimulatedTracker tracker;
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    const Case cases[] = {
        {{"sms", ""}, kNoPhoneForSms},
        {{"call", "+7900\r\nATH"}, "0x0D"},
        {{"sms"}, "нужен номер телефона"},
        {{"hangup", "+7900"}, "не принимает аргументов"},
        {{"upload", "/nonexistent/zort"}, "Папка не найдена"},
        {{"reboot"}, "reboot"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"service", "--port", tracker.Path()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto r = RunZortcfg(args);
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    EXPECT_TRUE(tracker.simulator.Trace().empty());
}

TEST(ServiceCli, AModemThatDoesNotAnswerFailsWithStatusOne) {
    SimulatedTracker tracker;
    tracker.simulator.WithModem([](sim::ModemModel& m) {
        m.SetOptions({.errorToAll = true});
        return 0;
    });
    PowerModem(tracker);
    const auto r = RunZortcfg({"service", "--port", tracker.Path(), "sim-create"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, std::string(kTestEntryNotCreated) + "\n");
    EXPECT_NE(r.err.find(kTestEntryNotCreated), std::string::npos);
    EXPECT_EQ(ModemPayloads(tracker),
              (std::vector<std::string>{"AT+CPBW=1,\"00000\",145,\"ZORT TEST\"\r\n"}));
}

TEST(ServiceCli, NmeaRelaysTheStreamForTheGivenSeconds) {
    SimulatedTracker tracker;
    tracker.simulator.WithGnss([](sim::GnssReceiverModel& g) {
        g.SetBurstPeriod(std::chrono::milliseconds(250));
        return 0;
    });
    tracker.simulator.WithModel([](sim::TrackerModel& m) {
        m.SetGnssOn(true);
        return 0;
    });
    const auto r = RunZortcfg({"nmea", "--port", tracker.Path(), "--seconds", "3"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_GE(r.seconds, 3.0);
    EXPECT_LT(r.seconds, 5.0);
    EXPECT_EQ(r.out.rfind("$GNGGA,", 0), 0u) << r.out.substr(0, 80);
    EXPECT_NE(r.out.find("$GNRMC,"), std::string::npos);
    // What was shown is an unbroken part of what the receiver sent.
    const std::string sent =
        tracker.simulator.WithGnss([](sim::GnssReceiverModel& g) { return g.SentStream(); });
    EXPECT_NE(sent.find(r.out), std::string::npos);
}

TEST(ServiceCli, NmeaAndStatusWithoutADeviceFailWithStatusOne) {
    for (const char* command : {"nmea", "status"}) {
        const auto r = RunZortcfg({command, "--port", "/dev/ttyZORT-missing", "--seconds", "5"});
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_NE(r.err.find(kDeviceNotConnected), std::string::npos) << r.err;
        EXPECT_LT(r.seconds, 2.0) << command << " ends at once, not after the five seconds";
    }
}

std::vector<uint8_t> SwitchFrames(SimulatedTracker& tracker) {
    std::vector<uint8_t> out;
    for (const sim::FrameRecord& r : tracker.simulator.Trace()) {
        if (r.command >= kCmdStartModem && r.command <= kCmdStopGnss) out.push_back(r.command);
    }
    return out;
}

TEST(ServiceCli, StatusSwitchesOnWhatIsOffReportsSkyAndNetworkAndSwitchesItOffAgain) {
    SimulatedTracker tracker;
    const auto r = RunZortcfg({"status", "--port", tracker.Path(), "--seconds", "2", "--json", "--balance"});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json j = nlohmann::json::parse(r.out);
    const nlohmann::json& gnss = j["gnss"];
    EXPECT_EQ(gnss["fix"], "3d");
    EXPECT_NEAR(gnss["latitude"].get<double>(), 55.75, 0.01);
    EXPECT_NEAR(gnss["longitude"].get<double>(), 37.63, 0.01);
    EXPECT_EQ(gnss["utc"].get<std::string>().rfind("2024-03-15T12:00:0", 0), 0u) << gnss["utc"];
    int used = 0;
    std::set<std::string> systems;
    for (const nlohmann::json& s : gnss["satellites"]) {
        systems.insert(s["system"].get<std::string>());
        used += s["used"].get<bool>() ? 1 : 0;
        if (s["used"].get<bool>()) {
            EXPECT_GE(s["snr"].get<int>(), 20) << s;
        }
    }
    EXPECT_EQ(systems, (std::set<std::string>{"GPS", "GLONASS"}));
    EXPECT_EQ(used, gnss["satellites_used"].get<int>());
    EXPECT_EQ(gnss["satellites"].size(), gnss["satellites_in_view"].get<size_t>());
    EXPECT_EQ(j["gsm"], nlohmann::json::parse(R"({"modem_answers": true, "signal_dbm": -71, "bars": 4,
        "registration": "home", "operator": "ZORT MOBILE", "sim": "ready", "iccid": "89701012345678901234",
        "balance": "Баланс: 123,45 р."})"));
    // The run's lines are on stderr in the service commands' words; stdout is the document alone.
    for (const char* line : {kModemStarted, kGnssStarted, kModemStopped, kGnssStopped}) {
        EXPECT_NE(r.err.find(line), std::string::npos) << line << "\n" << r.err;
    }
    EXPECT_EQ(SwitchFrames(tracker),
              (std::vector<uint8_t>{kCmdStartModem, kCmdStartGnss, kCmdStopModem, kCmdStopGnss}));
    EXPECT_FALSE(tracker.simulator.WithModel([](sim::TrackerModel& m) { return m.ModemOn() || m.GnssOn(); }));
    const auto codes = tracker.simulator.WithModem([](sim::ModemModel& m) { return m.UssdCodes(); });
    EXPECT_EQ(codes, (std::vector<std::string>{"*100#"})) << "the factory code 00000 asks the usual *100#";
}

TEST(ServiceCli, StatusLeavesOnWhatWasOnAndSaysNoDataForWhatTheTrackerCannotTell) {
    SimulatedTracker tracker;
    PowerModem(tracker);
    tracker.simulator.WithModel([](sim::TrackerModel& m) {
        m.SetGnssOn(true);
        return 0;
    });
    tracker.simulator.WithGnss([](sim::GnssReceiverModel& g) {
        g.Nmea().SetFix(false);
        return 0;
    });
    tracker.simulator.WithModem([](sim::ModemModel& m) {
        sim::ModemModel::Options o;
        o.noSim = true;
        m.SetOptions(o);
        return 0;
    });
    const auto r = RunZortcfg({"status", "--port", tracker.Path(), "--seconds", "1", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["gnss"]["fix"], "none");
    EXPECT_TRUE(j["gnss"]["latitude"].is_null());
    EXPECT_EQ(j["gnss"]["satellites_used"], 0);
    EXPECT_GT(j["gnss"]["satellites_in_view"].get<int>(), 0) << "the sky is seen without a fix";
    EXPECT_EQ(j["gsm"]["sim"], "absent");
    EXPECT_TRUE(j["gsm"]["iccid"].is_null());
    EXPECT_EQ(j["gsm"]["registration"], "not_registered");
    EXPECT_EQ(j["gsm"]["signal_dbm"], -71) << "a modem without a card still hears the network";
    EXPECT_TRUE(SwitchFrames(tracker).empty());
    EXPECT_TRUE(tracker.simulator.WithModel([](sim::TrackerModel& m) { return m.ModemOn() && m.GnssOn(); }));
    EXPECT_EQ(r.err, "");

    const auto text = RunZortcfg({"status", "--port", tracker.Path(), "--seconds", "1"});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("решение нет"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("SIM-карта: нет SIM-карты"), std::string::npos) << text.out;
}

}  // namespace
}  // namespace zort
