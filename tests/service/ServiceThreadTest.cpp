// The service commands against the simulated tracker and its modem over a real
// pseudo-terminal: the exact AT texts on the wire, the log lines, and what the modem
// holds afterwards.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "ServiceTracker.h"
#include "service/ServiceThread.h"
#include "support/TempFolder.h"

namespace zort {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;
using test::PlanOf;
using test::ServiceTracker;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 31 + (i >> 8));
    return bytes;
}

std::string FreeLine(int64_t bytes) {
    return std::string(kFreeMemoryPrefix) + std::to_string(bytes) + kFreeMemorySuffix;
}

TEST(ServiceSwitches, EachIsOneFrameAndOneLine) {
    ServiceTracker service;
    const struct {
        int mode;
        uint8_t command;
        const char* line;
    } cases[] = {{kServiceStopModem, kCmdStopModem, kModemStopped},
                 {kServiceStartGnss, kCmdStartGnss, kGnssStarted},
                 {kServiceStopGnss, kCmdStopGnss, kGnssStopped}};
    for (const auto& c : cases) {
        const size_t before = service.Trace().size();
        EXPECT_TRUE(service.Run(c.mode)->succeeded);
        const auto trace = service.Trace();
        ASSERT_EQ(trace.size(), before + 1);
        EXPECT_EQ(trace.back().command, c.command);
        EXPECT_EQ(trace.back().id, 0u);
        EXPECT_TRUE(trace.back().payload.empty());
        EXPECT_EQ(service.sink.Lines().back(), c.line);
    }
    EXPECT_TRUE(service.sink.Messages().empty()) << "service results are log lines, not boxes";
    EXPECT_FALSE(service.context.port.IsOpen());
}

TEST(ServiceSwitches, AMissingAcknowledgementSaysNotDone) {
    ServiceTracker service(PlanOf({"drop@5#1", "drop@4#1", "drop@6#1"}));
    service.context.timings = test::FastTimings();
    service.Run(kServiceStopModem);
    service.Run(kServiceStartGnss);
    service.Run(kServiceStopGnss);
    EXPECT_EQ(service.sink.Lines(), (Lines{kModemNotStopped, kGnssNotStarted, kGnssNotStopped}));
}

TEST(ServiceStartModem, StartsAsksUntilOkAndSwitchesTheEchoOff) {
    ServiceTracker service;  // the tracker's own time-outs
    EXPECT_TRUE(service.Run(kServiceStartModem)->succeeded);
    const auto trace = service.Trace();
    ASSERT_EQ(trace.size(), 3u);
    EXPECT_EQ(trace[0].command, kCmdStartModem);
    EXPECT_EQ(service.ModemPayloads(), (Lines{"AT\r\n", "ATE0\r\n"}));
    EXPECT_EQ(service.sink.Lines(), (Lines{kModemStarting, kModemStarted, kModemConfigured}));
    EXPECT_FALSE(service.tracker.simulator.WithModem([](sim::ModemModel& m) { return m.Echo(); }));
}

TEST(ServiceStartModem, ASilentModemIsAskedTenTimesAndStillGetsATE0) {
    ServiceTracker service;
    service.context.timings = test::FastTimings();
    service.tracker.simulator.WithModem([](sim::ModemModel& m) {
        m.SetOptions({.silent = true});
        return 0;
    });
    EXPECT_FALSE(service.Run(kServiceStartModem)->succeeded);
    Lines expected(10, "AT\r\n");
    expected.push_back("ATE0\r\n");
    EXPECT_EQ(service.ModemPayloads(), expected);
    EXPECT_EQ(service.sink.Lines(), (Lines{kModemStarting}));
}

TEST(ServiceStartModem, NoAcknowledgementOfTheStartSendsNothingMore) {
    ServiceTracker service(PlanOf({"drop@3#1"}));
    service.context.timings = test::FastTimings();
    service.Run(kServiceStartModem);
    EXPECT_EQ(service.Trace().size(), 1u);
    EXPECT_EQ(service.sink.Lines(), (Lines{kModemStarting, kModemNotStarted}));
}

TEST(ServiceUpload, FilesAreChunkedBy256AndLandOnTheModemWhole) {
    ServiceTracker service;  // the tracker's own pauses and time-outs
    service.StartedModem();
    const test::TempFolder folder("zort-sounds");
    const auto empty = Pattern(0, 1), one = Pattern(256, 2), two = Pattern(257, 3), four = Pattern(1000, 4);
    const Lines paths = {folder.Write("E.AMR", empty), folder.Write("S256.AMR", one),
                         folder.Write("S257.AMR", two), folder.Write("A1.AMR", four)};
    const int64_t freeBefore =
        service.tracker.simulator.WithModem([](sim::ModemModel& m) { return m.FreeMemory(); });

    const auto run = service.Run(kServiceUploadFiles, [&](ServiceThread& w) { w.fileList = paths; });
    EXPECT_TRUE(run->succeeded);
    EXPECT_EQ(run->totalSize, 1513);

    const Lines expected = {
        "AT\r\n",
        "AT+FSDEL=C:\\E.AMR\r\n",
        "AT+FSDEL=C:\\S256.AMR\r\n",
        "AT+FSDEL=C:\\S257.AMR\r\n",
        "AT+FSDEL=C:\\A1.AMR\r\n",
        "AT+FSMEM\r\n",
        "AT\r\n",
        "AT+FSCREATE=C:\\E.AMR\r\n",
        "AT+FSCREATE=C:\\S256.AMR\r\n",
        "AT+FSCREATE=C:\\S257.AMR\r\n",
        "AT+FSCREATE=C:\\A1.AMR\r\n",
        "AT+FSWRITE=C:\\E.AMR,1,0,1000\r\n",
        "",
        "AT+FSWRITE=C:\\S256.AMR,1,256,1000\r\n",
        std::string(one.begin(), one.end()),
        "AT+FSWRITE=C:\\S257.AMR,1,256,1000\r\n",
        std::string(two.begin(), two.begin() + 256),
        "AT+FSWRITE=C:\\S257.AMR,1,1,1000\r\n",
        std::string(two.begin() + 256, two.end()),
        "AT+FSWRITE=C:\\A1.AMR,1,256,1000\r\n",
        std::string(four.begin(), four.begin() + 256),
        "AT+FSWRITE=C:\\A1.AMR,1,256,1000\r\n",
        std::string(four.begin() + 256, four.begin() + 512),
        "AT+FSWRITE=C:\\A1.AMR,1,256,1000\r\n",
        std::string(four.begin() + 512, four.begin() + 768),
        "AT+FSWRITE=C:\\A1.AMR,1,232,1000\r\n",
        std::string(four.begin() + 768, four.end()),
        "AT+FSMEM\r\n",
    };
    EXPECT_EQ(service.ModemPayloads(), expected);
    EXPECT_EQ(
        service.sink.Lines(),
        (Lines{FreeLine(freeBefore), "Запись файла E.AMR", "Запись файла S256.AMR", "Запись файла S257.AMR",
               "Запись файла A1.AMR", FreeLine(freeBefore - 1513), kFilesWritten}));
    const auto files = service.tracker.simulator.WithModem([](sim::ModemModel& m) { return m.Files(); });
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files.at("E.AMR"), empty);
    EXPECT_EQ(files.at("S256.AMR"), one);
    EXPECT_EQ(files.at("S257.AMR"), two);
    EXPECT_EQ(files.at("A1.AMR"), four);

    // A second upload replaces the files rather than appending to them.
    service.Run(kServiceUploadFiles, [&](ServiceThread& w) { w.fileList = paths; });
    EXPECT_EQ(service.tracker.simulator.WithModem([](sim::ModemModel& m) { return m.Files(); }).at("A1.AMR"),
              four);
}

TEST(ServiceUpload, AnEmptyListStillAsksForTheFreeMemoryTwice) {
    ServiceTracker service;
    service.StartedModem();
    service.context.timings = test::FastTimings();
    EXPECT_TRUE(service.Run(kServiceUploadFiles)->succeeded);
    EXPECT_EQ(service.ModemPayloads(), (Lines{"AT\r\n", "AT+FSMEM\r\n", "AT\r\n", "AT+FSMEM\r\n"}));
    EXPECT_EQ(service.sink.Lines(), (Lines{FreeLine(1048576), FreeLine(1048576), kFilesWritten}));
}

TEST(ServiceUpload, FilesThatExactlyFillTheFreeMemoryAreRefused) {
    ServiceTracker service;
    service.StartedModem();
    service.context.timings = test::FastTimings();
    const test::TempFolder folder("zort-sounds");
    const Lines paths = {folder.Write("A1.AMR", Pattern(600, 1)), folder.Write("A2.AMR", Pattern(400, 2))};
    service.tracker.simulator.WithModem([](sim::ModemModel& m) {
        m.SetFreeMemory(1000);
        return 0;
    });
    const auto run = service.Run(kServiceUploadFiles, [&](ServiceThread& w) { w.fileList = paths; });
    EXPECT_FALSE(run->succeeded);
    EXPECT_EQ(service.ModemPayloads(),
              (Lines{"AT\r\n", "AT+FSDEL=C:\\A1.AMR\r\n", "AT+FSDEL=C:\\A2.AMR\r\n", "AT+FSMEM\r\n"}));
    EXPECT_EQ(service.sink.Lines(), (Lines{FreeLine(1000), kNotEnoughMemory}));

    // One byte more room and it fits.
    service.tracker.simulator.WithModem([](sim::ModemModel& m) {
        m.SetFreeMemory(1001);
        return 0;
    });
    EXPECT_TRUE(service.Run(kServiceUploadFiles, [&](ServiceThread& w) { w.fileList = paths; })->succeeded);
}

TEST(ServiceUpload, NoFreeMemoryFigureMeansNothingIsWritten) {
    ServiceTracker service;
    service.StartedModem();
    service.context.timings = test::FastTimings();
    service.tracker.simulator.WithModem([](sim::ModemModel& m) {
        m.SetOptions({.errorToAll = true});
        return 0;
    });
    const test::TempFolder folder("zort-sounds");
    const Lines paths = {folder.Write("A1.AMR", Pattern(10, 1))};
    EXPECT_FALSE(service.Run(kServiceUploadFiles, [&](ServiceThread& w) { w.fileList = paths; })->succeeded);
    Lines expected = {"AT\r\n", "AT+FSDEL=C:\\A1.AMR\r\n"};
    expected.insert(expected.end(), 5, "AT+FSMEM\r\n");
    EXPECT_EQ(service.ModemPayloads(), expected);
    EXPECT_EQ(service.sink.Lines(), (Lines{std::string(kFreeMemoryUnknown) + ". Файлы не записаны"}));
}

TEST(ServiceUpload, WriteFailuresEndTheRunAndKeepWhatWasWritten) {
    const test::TempFolder folder("zort-sounds");
    const auto first = Pattern(300, 1);
    const Lines paths = {folder.Write("A1.AMR", first), folder.Write("A2.AMR", Pattern(10, 2))};
    // Command-8 frames of this list: AT, 2 x FSDEL, FSMEM, AT, 2 x FSCREATE (7), then
    // A1 in two chunks (frames 8 to 11), then A2's FSWRITE (12) and its data (13).
    const struct {
        std::vector<const char*> faults;
        bool noPrompt;
        const char* line;
    } cases[] = {
        {{"drop@8#12"}, false, kNoPromptAnswer},
        {{}, true, kNoPrompt},
        {{"drop@8#13"}, false, kNoWriteAnswer},
        {{"drop@8#13", "extra=6@8#13"}, false, kNoWriteConfirmation},  // six bytes, none an "OK"
    };
    for (const auto& c : cases) {
        sim::FaultPlan plan;
        for (const char* f : c.faults) plan.rules.push_back(test::Rule(f));
        ServiceTracker service(plan);
        service.StartedModem();
        service.context.timings = test::FastTimings();
        if (c.noPrompt) {
            service.tracker.simulator.WithModem([](sim::ModemModel& m) {
                m.SetOptions({.noPrompt = true});
                return 0;
            });
        }
        EXPECT_FALSE(
            service.Run(kServiceUploadFiles, [&](ServiceThread& w) { w.fileList = paths; })->succeeded);
        const Lines lines = service.sink.Lines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), c.line);
        if (!c.noPrompt) {
            EXPECT_EQ(service.tracker.simulator.WithModem([](sim::ModemModel& m) { return m.Files(); })
                          .at("A1.AMR"),
                      first)
                << c.line;
            EXPECT_NE(std::find(lines.begin(), lines.end(), "Запись файла A2.AMR"), lines.end());
        }
        EXPECT_EQ(service.ModemPayloads().back().rfind("AT+FSMEM", 0), std::string::npos)
            << "no second query";
    }
}

TEST(ServiceUpload, AFileThatCannotBeReadStopsTheRunBeforeAnythingIsSent) {
    const test::TempFolder folder("zort-sounds");
    const std::string good = folder.Write("A1.AMR", Pattern(10, 1));
    fs::create_directories(folder.path / "DIR.AMR");
    const struct {
        std::string bad;
        const char* reason;
    } cases[] = {{(folder.path / "GONE.AMR").string(), "файл не найден"},
                 {(folder.path / "DIR.AMR").string(), "это не файл"}};
    for (const auto& c : cases) {
        ServiceTracker service;
        service.StartedModem();
        const auto run = service.Run(kServiceUploadFiles, [&](ServiceThread& w) {
            w.fileList = {good, c.bad};
        });
        EXPECT_FALSE(run->succeeded);
        EXPECT_TRUE(run->inputRefused);
        EXPECT_TRUE(service.Trace().empty());
        EXPECT_EQ(service.sink.Lines(),
                  (Lines{"Не удалось открыть файл " + c.bad + ": " + c.reason + ". Файлы не записаны"}));
    }
}

TEST(ServiceTestEntry, WritesEntryOneAndBlanksItsName) {
    ServiceTracker service;  // the tracker's own time-outs
    service.StartedModem();
    EXPECT_TRUE(service.Run(kServiceCreateTestEntry)->succeeded);
    auto book = service.tracker.simulator.WithModem([](sim::ModemModel& m) { return m.PhoneBook(); });
    ASSERT_EQ(book.count(1), 1u);
    EXPECT_EQ(book.at(1).number, "00000");
    EXPECT_EQ(book.at(1).type, 145);
    EXPECT_EQ(book.at(1).text, "ZORT TEST");

    EXPECT_TRUE(service.Run(kServiceBlankTestEntry)->succeeded);
    book = service.tracker.simulator.WithModem([](sim::ModemModel& m) { return m.PhoneBook(); });
    ASSERT_EQ(book.count(1), 1u) << "blanked, not deleted";
    EXPECT_EQ(book.at(1).text, "");
    EXPECT_EQ(service.ModemPayloads(),
              (Lines{"AT+CPBW=1,\"00000\",145,\"ZORT TEST\"\r\n", "AT+CPBW=1,\"00000\",145,\"\"\r\n"}));
    EXPECT_EQ(service.sink.Lines(), (Lines{kTestEntryCreated, kTestEntryBlanked}));
}

TEST(ServiceTestEntry, ErrorsAndSilenceAreTold) {
    ServiceTracker service;
    service.StartedModem();
    service.context.timings = test::FastTimings();
    service.tracker.simulator.WithModem([](sim::ModemModel& m) {
        m.SetOptions({.errorToAll = true});
        return 0;
    });
    service.Run(kServiceCreateTestEntry);
    service.Run(kServiceBlankTestEntry);
    service.tracker.simulator.WithModem([](sim::ModemModel& m) {
        m.SetOptions({.silent = true});
        return 0;
    });
    service.Run(kServiceCreateTestEntry);
    EXPECT_EQ(service.sink.Lines(), (Lines{kTestEntryNotCreated, kTestEntryNotBlanked}))
        << "silence logs nothing";
}

TEST(ServiceSms, SendsTheImeiEndedByCtrlZ) {
    ServiceTracker service;  // the tracker's own time-outs and the 1.5 s pause
    service.StartedModem();
    const auto start = Clock::now();
    const auto run =
        service.Run(kServiceSendImei, [](ServiceThread& w) { w.phoneNumber = "+7 900 123-45-67"; });
    EXPECT_GE(ElapsedMs(start), 1500);
    EXPECT_TRUE(run->succeeded);
    EXPECT_EQ(run->imei, "861234050123456");
    EXPECT_EQ(service.ModemPayloads(), (Lines{"AT+GSN\r\n", "AT+CMGF=1\r\n", "AT+CSCS=\"GSM\"\r\n",
                                              "AT+CMGS=\"+7 900 123-45-67\"\r\n", "861234050123456\x1A"}));
    EXPECT_EQ(service.Trace().back().length, 16u);
    EXPECT_EQ(service.sink.Lines(), (Lines{kSmsSent}));
    const auto sms = service.tracker.simulator.WithModem([](sim::ModemModel& m) { return m.SentSms(); });
    ASSERT_EQ(sms.size(), 1u);
    EXPECT_EQ(sms[0].number, "+7 900 123-45-67");
    EXPECT_EQ(sms[0].body, "861234050123456");
}

TEST(ServiceSms, AnAnswerWithoutAWholeImeiSendsNoMessage) {
    for (const char* stored : {"12345", "", "8612340501234567"}) {
        ServiceTracker service;
        service.StartedModem();
        service.context.timings = test::FastTimings();
        service.tracker.simulator.WithModel([&](sim::TrackerModel& m) {
            m.SetParameterText(0x080807E0, stored);
            return 0;
        });
        const auto run =
            service.Run(kServiceSendImei, [](ServiceThread& w) { w.phoneNumber = "+79001234567"; });
        EXPECT_FALSE(run->succeeded);
        EXPECT_EQ(service.ModemPayloads(), (Lines{"AT+GSN\r\n"})) << stored;
        EXPECT_EQ(service.sink.Lines(), (Lines{kImeiUnknown})) << stored;
    }
}

TEST(ServiceSms, TheLongWaitsEndAtOnceWhenTheChannelGoes) {
    {
        ServiceTracker service(PlanOf({"drop@8#1"}));  // AT+GSN unanswered: a 1000 s wait
        service.StartedModem();
        auto worker = std::make_unique<ServiceThread>(service.context, service.sink);
        worker->mode = kServiceSendImei;
        worker->phoneNumber = "+79001234567";
        ASSERT_TRUE(worker->Start());
        // Cancelled while it waits for the answer to its first command.
        const auto sent = Clock::now() + 2s;
        while (service.ModemPayloads().empty() && Clock::now() < sent) std::this_thread::sleep_for(1ms);
        const auto start = Clock::now();
        service.context.port.Cancel();
        worker->Join();
        EXPECT_LT(ElapsedMs(start), 500);
        EXPECT_EQ(service.ModemPayloads(), (Lines{"AT+GSN\r\n"}));
        EXPECT_EQ(service.sink.Lines(), (Lines{kRunCancelled}));
    }
    {
        ServiceTracker service(PlanOf({"close@8#2"}));  // the cable is pulled at AT+CMGF
        service.StartedModem();
        const auto start = Clock::now();
        service.Run(kServiceSendImei, [](ServiceThread& w) { w.phoneNumber = "+79001234567"; });
        EXPECT_LT(ElapsedMs(start), 1000);
        EXPECT_EQ(service.sink.Lines(), (Lines{kLinkLost}));
    }
}

TEST(ServiceCall, DialsAndHangsUpWithoutWaiting) {
    ServiceTracker service;
    service.StartedModem();
    EXPECT_TRUE(
        service.Run(kServiceCall, [](ServiceThread& w) { w.phoneNumber = "+7 900 123-45-67"; })->succeeded);
    EXPECT_TRUE(service.Run(kServiceHangUp)->succeeded);
    // Each run closes the port right after its one frame; the frame must still go out.
    EXPECT_EQ(service.ModemPayloads(), (Lines{"ATD+7 900 123-45-67;\r\n", "ATH0\r\n"}));
    EXPECT_EQ(service.sink.Lines(), (Lines{kCalling, kCallCancelled}));
    const auto calls = service.tracker.simulator.WithModem([](sim::ModemModel& m) { return m.Calls(); });
    EXPECT_EQ(calls, (Lines{"+7 900 123-45-67"}));
    EXPECT_FALSE(service.tracker.simulator.WithModem([](sim::ModemModel& m) { return m.CallActive(); }));
}

TEST(ServiceInputs, HostileInputsAreRefusedBeforeAnyFrame) {
    const test::TempFolder folder("zort-sounds");
    const struct {
        int mode;
        std::string phone;
        std::string file;
    } cases[] = {
        {kServiceSendImei, "", ""},
        {kServiceCall, "", ""},
        {kServiceSendImei, "+7900\r\nATD112;", ""},
        {kServiceCall, "+7900\n", ""},
        {kServiceSendImei, "+7900\"", ""},
        {kServiceSendImei, "+7900\x1A", ""},
        {kServiceCall, "+7900\x1B", ""},
        {kServiceCall, std::string(10000, '9'), ""},
        {kServiceCall, "+7900ноль", ""},
        {kServiceUploadFiles, "", "A\r.AMR"},
        {kServiceUploadFiles, "", "A\n.AMR"},
        {kServiceUploadFiles, "", "A\".AMR"},
        {kServiceUploadFiles, "", "A\x1A.AMR"},
        {kServiceUploadFiles, "", "A\x1B.AMR"},
        {kServiceUploadFiles, "", std::string(250, 'A') + std::string(10000, 'B') + ".AMR"},
        {kServiceUploadFiles, "", "звонок.AMR"},
    };
    for (const auto& c : cases) {
        ServiceTracker service;
        service.StartedModem();
        const auto run = service.Run(c.mode, [&](ServiceThread& w) {
            w.phoneNumber = c.phone;
            if (!c.file.empty()) w.fileList = {(folder.path / c.file).string()};
        });
        EXPECT_TRUE(run->inputRefused);
        EXPECT_FALSE(run->succeeded);
        EXPECT_TRUE(service.Trace().empty()) << service.sink.Lines().front();
        ASSERT_EQ(service.sink.Lines().size(), 1u);
        EXPECT_EQ(service.sink.Lines()[0], ServiceThread::InputProblem(c.mode, c.phone, run->fileList));
    }
}

TEST(ServiceInputs, NoDeviceIsTheOneMessageBox) {
    test::LogRecordingSink sink;
    DeviceContext context;
    context.SetPortName("/dev/ttyZORT-missing");
    ServiceThread worker(context, sink);
    worker.mode = kServiceStartModem;
    ASSERT_TRUE(worker.Start());
    worker.Join();
    ASSERT_EQ(sink.Messages().size(), 1u);
    EXPECT_EQ(sink.Messages()[0], (std::pair<int, std::string>{kStatusError, kDeviceNotConnected}));
    EXPECT_TRUE(sink.Lines().empty());
}

}  // namespace
}  // namespace zort
