// The receiver update against the simulated tracker and its receiver, over a real
// pseudo-terminal.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "firmware/GPSUpdateThread.h"
#include "support/TempFolder.h"
#include "support/TrackerWithWorker.h"

namespace zort {
namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;
using test::PlanOf;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

const std::vector<std::string> kSuccessLog = {
    "Переход в режим программирования...",
    "Переключение скорости UART 115200...",
    "Подготовка GPS модуля...",
    "Запись загрузчика...",
    "Передача управления загрузчику...",
    "Запись прошивки...",
    "Прошивка GPS модуля завершена",
};

class Sink : public test::RecordingSink {
  public:
    Sink() = default;
    explicit Sink(DeviceContext& context) : context(&context) {}
    void WorkerEnded() override {
        portOpenAtEnd = context->port.IsOpen();
        ++ended;
    }
    std::vector<std::string> Log() const { return Prefixed("log "); }
    std::vector<std::string> Progress() const { return Prefixed("progress "); }

    std::atomic<int> ended{0};
    std::atomic<bool> portOpenAtEnd{true};
    DeviceContext* context = nullptr;

  private:
    std::vector<std::string> Prefixed(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& c : Calls()) {
            if (c.rfind(prefix, 0) == 0) out.push_back(c.substr(prefix.size()));
        }
        return out;
    }
};

Bytes Pattern(size_t length, int seed) {
    Bytes b(length);
    for (size_t i = 0; i < length; ++i) b[i] = static_cast<uint8_t>(i * seed + (i >> 8) + 3);
    return b;
}

// Short waits and pauses, and a loader and a firmware file of the test's own.
struct ReceiverTracker : test::TrackerWithWorker<Sink> {
    explicit ReceiverTracker(sim::FaultPlan plan = {}) : TrackerWithWorker(std::move(plan)) {
        sink.context = &context;
        LinkTimings& t = context.timings;
        t.gnssSwitchReplyMs = 500;
        t.gnssSyncReplyMs = 20;
        t.gnssReplyMs = 500;
        t.gnssSwitchPauseMs = 5;
        // Long enough for the simulator to have read an unanswered frame before the next
        // send purges the line.
        t.gnssPassPauseMs = 50;
        t.gnssChecksumPauseMs = 10;
        // The loader: 11 22 .. AA first, to see the byte order on the wire, and more
        // bytes than are sent.
        loader = Pattern(kGnssLoaderLength + 100, 7);
        for (int i = 0; i < 10; ++i) loader[i] = static_cast<uint8_t>(0x11 * (i + 1));
        firmware = Pattern(5000, 13);
        files.Write("loader.bin", loader);
        files.Write("firmware.bin", firmware);
        Gnss([this](sim::GnssBootModel& b) { b.SetLineCloser([this] { tracker.transport.CloseLine(); }); });
    }
    template <typename F>
    auto Gnss(F&& f) -> decltype(f(std::declval<sim::GnssBootModel&>())) {
        return tracker.simulator.WithGnss([&](sim::GnssReceiverModel& g) { return f(g.Boot()); });
    }
    void Fault(const std::string& text) {
        sim::GnssBootFault fault;
        std::string error;
        ASSERT_TRUE(sim::GnssBootFault::Parse(text, fault, error)) << error;
        Gnss([&](sim::GnssBootModel& b) { b.AddFault(fault); });
    }
    void SetFirmware(const Bytes& bytes) {
        firmware = bytes;
        files.Write("firmware.bin", firmware);
    }
    void Run() {
        const GPSUpdateThread& worker = TrackerWithWorker::Run<GPSUpdateThread>([this](GPSUpdateThread& w) {
            w.loaderPath = loaderPath;
            w.firmwarePath = firmwarePath;
        });
        succeeded = worker.succeeded;
        failure = worker.failure;
        syncAttempts = worker.syncAttempts;
        blocksWritten = worker.blocksWritten;
        // The last frame of a success gets no answer: the worker may be done before the
        // simulator has read it.
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (succeeded && Clock::now() < deadline &&
               tracker.simulator.Trace().back().command != kCmdSetGnssBaud) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    // Every payload passed to the receiver, in order.
    std::vector<Bytes> Passed() const {
        std::vector<Bytes> out;
        for (const auto& f : tracker.simulator.Trace()) {
            if (f.command == kCmdGnssPassThrough) out.push_back(f.payload);
        }
        return out;
    }
    int CountPassed(const Bytes& payload) const {
        const auto p = Passed();
        return static_cast<int>(std::count(p.begin(), p.end(), payload));
    }
    void ExpectEndedClosed() {
        EXPECT_EQ(sink.ended.load(), 1);
        EXPECT_FALSE(sink.portOpenAtEnd.load()) << "the channel is closed before the window is told";
        EXPECT_FALSE(context.port.IsOpen());
        EXPECT_TRUE(sink.Messages().empty()) << "only a missing device raises a message box";
    }

    test::TempFolder files{"gnss"};
    const std::string loaderPath = files.File("loader.bin");
    const std::string firmwarePath = files.File("firmware.bin");
    Bytes loader;
    Bytes firmware;
    bool succeeded = false;
    std::string failure;
    int syncAttempts = 0;
    int blocksWritten = 0;
};

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}
Bytes Be32(uint32_t v) {
    return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
            static_cast<uint8_t>(v)};
}

TEST(GPSUpdate, FiveThousandBytesGoAsThreeSummedBlocksAfterTheLoader) {
    ReceiverTracker b;
    b.Run();
    ASSERT_TRUE(b.succeeded) << b.failure;
    EXPECT_THAT(b.sink.Log(), ElementsAreArray(kSuccessLog));
    b.ExpectEndedClosed();

    const auto progress = b.sink.Progress();
    ASSERT_EQ(progress.size(), 1190u + 3 + 1);
    EXPECT_EQ(progress[0], "0/11892");
    EXPECT_EQ(progress[1189], "11890/11892") << "each chunk reports where it started";
    EXPECT_THAT(std::vector<std::string>(progress.end() - 4, progress.end()),
                ElementsAre("0/5000", "2048/5000", "4096/5000", "0/5000"));

    const auto trace = b.tracker.simulator.Trace();
    ASSERT_GE(trace.size(), 3u);
    EXPECT_EQ(trace[0].command, kCmdStopGnss);
    EXPECT_EQ(trace[1].command, kCmdStartGnss);
    EXPECT_EQ(trace.back().command, kCmdSetGnssBaud);
    EXPECT_EQ(trace.back().id, 9600u) << "the last frame puts the link back, unanswered";

    const auto p = b.Passed();
    ASSERT_EQ(p.size(), 8u + 4 + 3 + 1190 + 3 + 2 + 4 + 2 + 3 + 2);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(p[i], Text("$PMTK180*3B\r\n"));
    for (int i = 5; i < 8; ++i) EXPECT_EQ(p[i], Text("$PMTK251,115200*1F\r\n"));
    EXPECT_EQ(std::vector<Bytes>(p.begin() + 8, p.begin() + 15),
              (std::vector<Bytes>{{0xA0}, {0x0A}, {0x50}, {0x05}, {0xA1}, Be32(0x0C00), Be32(0x173A)}));
    EXPECT_EQ(p[15], (Bytes{0x22, 0x11, 0x44, 0x33, 0x66, 0x55, 0x88, 0x77, 0xAA, 0x99}));
    EXPECT_EQ(p[15 + 1189].size(), 2u) << "the last chunk holds the loader's last word";
    size_t i = 15 + 1190;
    EXPECT_EQ(std::vector<Bytes>(p.begin() + static_cast<long>(i), p.begin() + static_cast<long>(i + 11)),
              (std::vector<Bytes>{{0xA4},
                                  Be32(0x0C00),
                                  Be32(0x173A),
                                  {0xA8},
                                  Be32(0x0C00),
                                  {0xD3},
                                  {0x01},
                                  Be32(0),
                                  Be32(0x1387),
                                  {0xD5},
                                  Be32(2048)}));
    i += 11;
    size_t offset = 0;
    for (size_t n : {2048u, 2048u, 904u}) {
        const Bytes& block = p[i++];
        ASSERT_EQ(block.size(), n + 2);
        EXPECT_TRUE(
            std::equal(block.begin(), block.end() - 2, b.firmware.begin() + static_cast<long>(offset)));
        uint32_t sum = 0;
        for (size_t k = 0; k < n; ++k) sum += b.firmware[offset + k];
        EXPECT_EQ(block[n], static_cast<uint8_t>(sum >> 8));
        EXPECT_EQ(block[n + 1], static_cast<uint8_t>(sum));
        offset += n;
    }
    EXPECT_EQ(p[i], Bytes{0xD9});
    EXPECT_EQ(p[i + 1], Bytes{0xD9});

    b.Gnss([&](sim::GnssBootModel& m) {
        EXPECT_EQ(m.LoaderBytes(), Bytes(b.loader.begin(), b.loader.begin() + kGnssLoaderLength));
        EXPECT_EQ(m.Image(), b.firmware);
        EXPECT_TRUE(m.BadSums().empty());
        EXPECT_TRUE(m.Restarted());
    });
    EXPECT_EQ(b.tracker.simulator.WithModel([](sim::TrackerModel& m) { return m.GnssBaud(); }), 9600u);
    EXPECT_EQ(b.syncAttempts, 1);
    EXPECT_EQ(b.blocksWritten, 3);
}

TEST(GPSUpdate, ABlockOfErasedBytesCarriesF800) {
    ReceiverTracker b;
    b.SetFirmware(Bytes(2048, 0xFF));
    b.Run();
    ASSERT_TRUE(b.succeeded) << b.failure;
    const auto p = b.Passed();
    EXPECT_EQ(b.CountPassed(Be32(0x07FF)), 1) << "end address of a 2048-byte image";
    const auto block = std::find_if(p.begin(), p.end(), [](const Bytes& x) { return x.size() == 2050; });
    ASSERT_NE(block, p.end());
    EXPECT_EQ((*block)[2048], 0xF8);
    EXPECT_EQ((*block)[2049], 0x00);
    EXPECT_THAT(b.sink.Progress().back(), "0/2048");
}

// The product's own pauses and time-outs: 36 unanswered attempts of 100 ms each.
TEST(GPSUpdate, AReceiverSlowToSynchroniseIsWaitedForWithTheRealTimings) {
    ReceiverTracker b;
    b.context.timings = LinkTimings{};
    b.Gnss([](sim::GnssBootModel& m) { m.SetSyncAfter(36); });
    const auto start = Clock::now();
    b.Run();
    const auto elapsed = Clock::now() - start;
    ASSERT_TRUE(b.succeeded) << b.failure;
    EXPECT_EQ(b.syncAttempts, 37);
    EXPECT_EQ(b.CountPassed({0xA0}), 37);
    // 36 × 100 ms, and the fixed pauses: 2 × 50, 8 × 200, 1000, 5 × 200, 2 × 200; less
    // a little, since a wait's own clock and this one need not tick together.
    EXPECT_GE(elapsed, std::chrono::milliseconds(3600 + 4100 - 100));
    b.ExpectEndedClosed();
}

// Answers slower than a synchronisation attempt waits: several attempts go out before
// the first answer arrives, and the answers to the others come in front of the
// handshake's first answer.
TEST(GPSUpdate, LateSynchronisationAnswersAreNotTakenForTheHandshake) {
    // A relay that takes 100 ms each way, for the bytes that matter here (the rest
    // would make the loader's 1190 chunks take two minutes).
    sim::FaultPlan plan;
    for (const char* slow : {"delay=100@9:a0#1+", "delay=100@9:0a#1"}) {
        sim::FaultRule rule;
        std::string error;
        ASSERT_TRUE(sim::FaultRule::Parse(slow, rule, error)) << error;
        plan.rules.push_back(rule);
    }
    ReceiverTracker b(plan);
    b.Run();
    ASSERT_TRUE(b.succeeded) << b.failure;
    EXPECT_GT(b.syncAttempts, 2);
    EXPECT_TRUE(b.Gnss([&](sim::GnssBootModel& m) { return m.Image() == b.firmware; }));
    b.ExpectEndedClosed();
}

TEST(GPSUpdate, AReceiverThatNeverSynchronisesIsGivenUpAfter100Attempts) {
    ReceiverTracker b;
    b.Fault("sync#1+:silent");
    b.Run();
    EXPECT_FALSE(b.succeeded);
    EXPECT_EQ(b.sink.Log().back(), "GPS модуль не отвечает");
    EXPECT_EQ(b.failure, "GPS модуль не отвечает");
    EXPECT_EQ(b.CountPassed({0xA0}), 100);
    EXPECT_EQ(b.Passed().back(), Bytes{0xA0}) << "nothing after the last attempt";
    b.ExpectEndedClosed();
}

struct Case {
    const char* fault;  // receiver fault, or a tracker fault rule when it has an '@'
    const char* text;   // the last log line
};

void RunCase(const Case& c) {
    SCOPED_TRACE(c.fault);
    const bool trackerFault = std::string(c.fault).find('@') != std::string::npos;
    ReceiverTracker b(trackerFault ? PlanOf({c.fault}) : sim::FaultPlan{});
    if (!trackerFault) b.Fault(c.fault);
    b.Run();
    EXPECT_FALSE(b.succeeded);
    EXPECT_EQ(b.failure, c.text);
    const auto log = b.sink.Log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), c.text) << "one line: the step's own";
    EXPECT_EQ(std::count(log.begin(), log.end(), "Прошивка GPS модуля завершена"), 0);
    b.ExpectEndedClosed();
}

TEST(GPSUpdate, TheTrackersOwnStepsFailWithTheirTexts) {
    for (const Case& c : {Case{"drop@6#1", "GPS/ГЛОНАСС модуль не остановлен"},
                          Case{"drop@4#1", "GPS/ГЛОНАСС модуль не запущен"},
                          Case{"drop@7#1", "Ошибка на этапе переключения скорости"}}) {
        RunCase(c);
    }
}

TEST(GPSUpdate, ASilentBootRomStopsTheUpdateAtItsStep) {
    for (const Case& c :
         {Case{"0a:silent", "Ошибка на этапе 0x0A"}, Case{"50:silent", "Ошибка на этапе 0x50"},
          Case{"05:silent", "Ошибка на этапе 0x05"}, Case{"a1:silent", "Ошибка на этапе 0xA1"},
          Case{"a1-addr:silent", "Ошибка на этапе передачи адреса"},
          Case{"a1-size:silent", "Ошибка на этапе передачи размера загрузчика"},
          Case{"a1-data#7:silent", "Ошибка во время записи загрузчика"},
          Case{"a1-data#900:close", "Ошибка во время записи загрузчика"}}) {
        RunCase(c);
    }
}

TEST(GPSUpdate, ASilentChecksumJumpOrLoaderStopsTheUpdateAtItsStep) {
    for (const Case& c : {Case{"a4:silent", "Ошибка на этапе A4"},
                          Case{"a4-addr:silent", "Ошибка на этапе передачи адреса (Checksum)"},
                          Case{"a4-size:silent", "Ошибка на этапе передачи размера загрузчика"},
                          Case{"a8:silent", "Ошибка на этапе передачи управления загрузчику"},
                          Case{"a8-addr:silent", "Ошибка на этапе передачи управления(адрес)"},
                          Case{"block#2:silent", "Время ожидания ответа от МК истекло"}}) {
        RunCase(c);
    }
}

TEST(GPSUpdate, MissingAnswersToTheLoadersSetUpOnlyDelay) {
    ReceiverTracker b;
    b.Fault("d3:silent");
    b.Fault("d5:silent");
    const auto start = Clock::now();
    b.Run();
    EXPECT_TRUE(b.succeeded) << b.failure;
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(2 * b.context.timings.gnssReplyMs));
    b.Gnss([&](sim::GnssBootModel& m) { EXPECT_EQ(m.Image(), b.firmware); });
}

TEST(GPSUpdate, AWrongEchoOrSumNeverLetsTheLoaderRun) {
    struct Wrong {
        const char* fault;
        const char* text;
        const char* why;
        int jumpsSent = 0;  // A8 frames: only when A8's own echo is the wrong one
    };
    for (const Wrong& w : {
             Wrong{"0a:wrong", "Ошибка на этапе 0x0A",
                   "Неверный ответ GPS модуля: ожидалось F5, получено 0A"},
             Wrong{"a1:wrong", "Ошибка на этапе 0xA1", "ожидалось A1, получено 5E"},
             Wrong{"a1-addr:wrong", "Ошибка на этапе передачи адреса",
                   "ожидалось 00 00 0C 00, получено FF 00 0C 00"},
             Wrong{"a1-data#600:wrong", "Ошибка во время записи загрузчика", "Неверный ответ GPS модуля"},
             Wrong{"a1-data#3:checksum", "Ошибка на этапе передачи размера загрузчика",
                   "Контрольная сумма загрузчика"},
             Wrong{"a4-addr:wrong", "Ошибка на этапе передачи адреса (Checksum)",
                   "Неверный ответ GPS модуля"},
             Wrong{"a4-size:wrong", "Ошибка на этапе передачи размера загрузчика", "ожидалось 00 00 17 3A"},
             Wrong{"a4-size:checksum", "Ошибка на этапе передачи размера загрузчика",
                   "Контрольная сумма загрузчика"},
             Wrong{"a8:wrong", "Ошибка на этапе передачи управления загрузчику", "ожидалось A8, получено 57",
                   1},
         }) {
        SCOPED_TRACE(w.fault);
        ReceiverTracker b;
        b.Fault(w.fault);
        b.Run();
        EXPECT_FALSE(b.succeeded);
        const auto log = b.sink.Log();
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[log.size() - 2], w.text);
        EXPECT_THAT(log.back(), HasSubstr(w.why));
        EXPECT_EQ(b.CountPassed({0xA8}), w.jumpsSent);
        const auto p = b.Passed();
        EXPECT_TRUE(std::find(p.begin(), p.end(), Bytes{0xA8}) >= p.end() - 1) << "no address after A8";
        EXPECT_FALSE(b.Gnss([](sim::GnssBootModel& m) { return m.LoaderStarted(); }));
        b.ExpectEndedClosed();
    }
}

TEST(GPSUpdate, AWrongAddressEchoAfterTheJumpStopsBeforeTheFlashIsTouched) {
    ReceiverTracker b;
    b.Fault("a8-addr:wrong");
    b.Run();
    const auto log = b.sink.Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "Ошибка на этапе передачи управления(адрес)");
    EXPECT_THAT(log.back(), HasSubstr("ожидалось 00 00 0C 00, получено FF 00 0C 00"));
    EXPECT_EQ(b.CountPassed({0xD3}), 0);
    b.ExpectEndedClosed();
}

TEST(GPSUpdate, UnusableFilesAreRefusedBeforeTheFirstFrame) {
    ReceiverTracker b;
    const std::string shortLoader = b.files.Write("short-loader.bin", Pattern(kGnssLoaderLength - 1, 3));
    const std::string emptyFirmware = b.files.Write("empty-firmware.bin", "");
    struct Files {
        std::string loader;
        std::string firmware;
        const char* text;
    };
    for (const Files& f :
         {Files{shortLoader, b.firmwarePath, "Ошибка открытия файла загрузчика"},
          Files{::testing::TempDir(), b.firmwarePath, "Ошибка открытия файла загрузчика"},
          Files{"/nonexistent/loader.bin", b.firmwarePath, "Ошибка открытия файла загрузчика"},
          Files{b.loaderPath, emptyFirmware, "Ошибка открытия файла прошивки"},
          Files{b.loaderPath, ::testing::TempDir(), "Ошибка открытия файла прошивки"}}) {
        SCOPED_TRACE(f.loader + " " + f.firmware);
        Sink sink(b.context);
        GPSUpdateThread worker(b.context, sink);
        worker.loaderPath = f.loader;
        worker.firmwarePath = f.firmware;
        ASSERT_TRUE(worker.Start());
        worker.Join();
        const auto log = sink.Log();
        ASSERT_EQ(log.size(), 2u) << "the step, then why";
        EXPECT_EQ(log[0], f.text);
        EXPECT_EQ(worker.detail, log[1]);
        EXPECT_EQ(sink.ended.load(), 1);
        EXPECT_FALSE(b.context.port.IsOpen());
    }
    EXPECT_EQ(b.tracker.simulator.FramesReceived(), 0);
}

TEST(GPSUpdate, RepeatingAFailedUpdateRecoversTheReceiver) {
    ReceiverTracker b;
    b.Fault("a8-addr#1:silent");
    b.Run();
    EXPECT_EQ(b.failure, "Ошибка на этапе передачи управления(адрес)");
    // Left in its loader, with the tracker's line at 115200.
    b.Gnss([](sim::GnssBootModel& m) { EXPECT_EQ(m.PhaseName(), "loader"); });
    EXPECT_EQ(b.tracker.simulator.WithModel([](sim::TrackerModel& m) { return m.GnssBaud(); }), 115200u);

    b.Run();
    ASSERT_TRUE(b.succeeded) << b.failure;
    b.Gnss([&](sim::GnssBootModel& m) { EXPECT_EQ(m.Image(), b.firmware); });
    EXPECT_EQ(b.sink.ended.load(), 2);
}

TEST(GPSUpdate, ClosingTheProgramEndsTheRunWithoutSittingOutItsPauses) {
    ReceiverTracker b;
    b.context.timings = LinkTimings{};
    GPSUpdateThread worker(b.context, b.sink);
    worker.loaderPath = b.loaderPath;
    worker.firmwarePath = b.firmwarePath;
    ASSERT_TRUE(worker.Start());
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (b.sink.Log().empty() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_FALSE(b.sink.Log().empty());
    const auto start = Clock::now();
    b.context.port.Cancel();
    worker.Join();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500)) << "eight pauses of 200 ms were ahead";
    EXPECT_EQ(worker.failure, "Ошибка на этапе переключения скорости");
    b.ExpectEndedClosed();
    b.context.port.ResetCancel();
}

}  // namespace
}  // namespace zort
