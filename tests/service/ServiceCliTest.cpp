// zortcfg service and zortcfg nmea as a script runs them, against the simulated tracker.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

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
    EXPECT_EQ(r.out.rfind("$GP", 0), 0u) << r.out.substr(0, 80);
    EXPECT_NE(r.out.find("$GPRMC,"), std::string::npos);
    // What was shown is an unbroken part of what the receiver sent.
    const std::string sent =
        tracker.simulator.WithGnss([](sim::GnssReceiverModel& g) { return g.SentStream(); });
    EXPECT_NE(sent.find(r.out), std::string::npos);
}

TEST(ServiceCli, NmeaWithoutADeviceFailsWithStatusOne) {
    const auto r = RunZortcfg({"nmea", "--port", "/dev/ttyZORT-missing", "--seconds", "5"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(kDeviceNotConnected), std::string::npos) << r.err;
    EXPECT_LT(r.seconds, 2.0) << "ends at once, not after the five seconds";
}

}  // namespace
}  // namespace zort
