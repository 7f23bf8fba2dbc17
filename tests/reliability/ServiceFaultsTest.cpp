// The service commands, each request of each mode, against every fault; and the NMEA
// relay, which asks nothing, against a silent, a garbled, a flooding and a lost line.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "FaultMatrix.h"
#include "link/CommandFrame.h"
#include "service/NmeaRelay.h"
#include "service/ServiceThread.h"

namespace zort::reliability {
namespace {

using std::chrono::milliseconds;

constexpr const char* kPhone = "+79001234567";
constexpr const char* kImei = "861234050123456";  // what the simulated tracker stores
constexpr size_t kSoundSize = 300;                // two chunks: 256 and 44
constexpr int64_t kModemFree = 1048576;           // a fresh modem's drive C:

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

std::string Free(int64_t bytes) {
    return std::string(kFreeMemoryPrefix) + std::to_string(bytes) + kFreeMemorySuffix;
}

class ServiceRun : public Operation {
  public:
    enum class Modem { kOff, kStarted };

    ServiceRun(std::string name, int mode, Modem modem, Lines healthy, std::vector<Request> rows)
        : name(std::move(name)),
          mode(mode),
          modem(modem),
          healthy(std::move(healthy)),
          rows(std::move(rows)) {}

    std::string Name() const override { return name; }
    Lines Healthy() const override { return healthy; }
    bool EndsUnanswered() const override {
        return mode == kServiceSendImei || mode == kServiceCall || mode == kServiceHangUp;
    }
    std::vector<Request> Requests() const override { return rows; }
    void Prepare(Tracker& tracker) override { Recover(tracker); }

    // Power-cycles the modem: a file write or a message left waiting for data ends there.
    void Recover(Tracker& tracker) override {
        tracker.simulator.WithModel([&](sim::TrackerModel& m) {
            m.SetModemOn(false);
            if (modem == Modem::kStarted) m.SetModemOn(true);
            return 0;
        });
        if (modem == Modem::kStarted) {
            tracker.simulator.WithModem([](sim::ModemModel& m) { return m.OnPayload(Bytes("ATE0\r\n")); });
        }
    }

    std::unique_ptr<Worker> Create(DeviceContext& context, WorkerSink& sink) override {
        auto worker = std::make_unique<ServiceThread>(context, sink);
        worker->mode = mode;
        worker->phoneNumber = kPhone;
        worker->fileList = files;
        return worker;
    }

    void CheckData(DeviceContext&, Tracker& tracker, const Sink&, const Request*, Fault) override {
        if (check) check(tracker);
    }

    std::vector<std::string> files;
    std::function<void(Tracker&)> check;

  private:
    std::string name;
    int mode;
    Modem modem;
    Lines healthy;
    std::vector<Request> rows;
};

// Rows of the service tables. A switch is a tracker command answered by one byte.
Request Switch(const char* name, int command, Lines notDone, Lines closed) {
    Request r = Ask(name, command, 1, 1);
    r.missing = std::move(notDone);
    r.closed = std::move(closed);
    return r;
}

}  // namespace

std::unique_ptr<Operation> ReceiverOffRun() {
    return std::make_unique<ServiceRun>(
        "receiver off", kServiceStopGnss, ServiceRun::Modem::kOff, Lines{kGnssStopped},
        std::vector<Request>{
            Switch("stop receiver", kCmdStopGnss, {kGnssNotStopped}, {kGnssNotStopped, kLinkLost})});
}

namespace {

class ServiceMatrix : public ::testing::Test {
  protected:
    // A modem command, counted among the command-8 frames of its run.
    static Request At(const std::string& name, int nth, int replyBytes) {
        return Ask(name, kCmdModemPassThrough, nth, replyBytes);
    }
};

TEST_F(ServiceMatrix, StartModem) {
    Request start = Switch("start command", kCmdStartModem, {kModemStarting, kModemNotStarted},
                           {kModemStarting, kModemNotStarted, kLinkLost});
    Request at = At("AT", 1, 9);                   // echo still on: "AT\r" and the result
    at.closed = Lines{kModemStarting, kLinkLost};  // otherwise asked again
    Request echoOff = At("ATE0", 2, 11);
    echoOff.missing = Lines{kModemStarting, kModemStarted};
    echoOff.closed = Lines{kModemStarting, kModemStarted, kLinkLost};
    ServiceRun op("start modem", kServiceStartModem, ServiceRun::Modem::kOff,
                  {kModemStarting, kModemStarted, kModemConfigured}, {start, at, echoOff});
    RunMatrix(op);
}

TEST_F(ServiceMatrix, Switches) {
    ServiceRun stopModem(
        "stop modem", kServiceStopModem, ServiceRun::Modem::kStarted, {kModemStopped},
        {Switch("stop modem", kCmdStopModem, {kModemNotStopped}, {kModemNotStopped, kLinkLost})});
    ServiceRun startGnss(
        "start receiver", kServiceStartGnss, ServiceRun::Modem::kOff, {kGnssStarted},
        {Switch("start receiver", kCmdStartGnss, {kGnssNotStarted}, {kGnssNotStarted, kLinkLost})});
    RunMatrix(stopModem);
    RunMatrix(startGnss);
    RunMatrix(*ReceiverOffRun());
}

TEST_F(ServiceMatrix, UploadSoundFile) {
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::path(::testing::TempDir()) / ("zort-faults-sounds-" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::vector<uint8_t> sound(kSoundSize);
    for (size_t i = 0; i < sound.size(); ++i) sound[i] = static_cast<uint8_t>(i * 29 + 3);
    std::ofstream((folder / "A1.AMR").string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(sound.data()), static_cast<std::streamsize>(sound.size()));

    const std::string writing = std::string(kWritingFile) + "A1.AMR";
    std::vector<Request> rows;
    // Until the free space is known, answers are only paused for, never read.
    const Lines before = {};
    const Lines afterFree = {Free(kModemFree)};
    int n = 0;
    for (const auto& [text, reply, linesBefore] :
         {std::tuple{"AT", 6, before}, std::tuple{"AT+FSDEL=C:\\A1.AMR", 9, before},
          std::tuple{"AT+FSMEM", 31, before}, std::tuple{"AT (again)", 6, afterFree},
          std::tuple{"AT+FSCREATE=C:\\A1.AMR", 6, afterFree}}) {
        Request r = At(text, ++n, reply);
        r.closed = linesBefore;
        r.closed->push_back(kLinkLost);
        rows.push_back(r);
    }
    for (int chunk : {256, 44}) {
        Request prompt = At("AT+FSWRITE " + std::to_string(chunk), ++n, 4);
        prompt.missing = Lines{Free(kModemFree), writing, kNoPromptAnswer};
        prompt.closed = Lines{Free(kModemFree), writing, kNoPromptAnswer, kLinkLost};
        Request data = At(std::to_string(chunk) + " bytes of sound", ++n, 6);
        data.missing = Lines{Free(kModemFree), writing, kNoWriteAnswer};
        data.closed = Lines{Free(kModemFree), writing, kNoWriteAnswer, kLinkLost};
        rows.push_back(prompt);
        rows.push_back(data);
    }
    Request freeAfter = At("AT+FSMEM (after)", ++n, 31);  // asked again when missing
    freeAfter.closed = Lines{Free(kModemFree), writing, kLinkLost};
    rows.push_back(freeAfter);

    ServiceRun op("upload", kServiceUploadFiles, ServiceRun::Modem::kStarted,
                  {Free(kModemFree), writing, Free(kModemFree - kSoundSize), kFilesWritten}, rows);
    op.files = {(folder / "A1.AMR").string()};
    op.check = [&](Tracker& tracker) {
        tracker.simulator.WithModem([&](sim::ModemModel& m) {
            const auto file = m.Files().find("A1.AMR");
            EXPECT_TRUE(file != m.Files().end() && file->second == sound) << "the modem holds another file";
            return 0;
        });
    };
    RunMatrix(op);
    fs::remove_all(folder);
}

TEST_F(ServiceMatrix, TestPhoneBookEntry) {
    for (const auto& [mode, done, text] :
         {std::tuple{kServiceCreateTestEntry, kTestEntryCreated, "create test entry"},
          std::tuple{kServiceBlankTestEntry, kTestEntryBlanked, "blank test entry"}}) {
        Request write = At("AT+CPBW", 1, 6);
        write.missing = Lines{};  // neither "OK" nor "ERR": nothing to say
        write.closed = Lines{kLinkLost};
        ServiceRun op(text, mode, ServiceRun::Modem::kStarted, {done}, {write});
        RunMatrix(op);
    }
}

TEST_F(ServiceMatrix, SmsWithImei) {
    Request imei = At("AT+GSN", 1, 25);
    imei.missing = Lines{kImeiUnknown};
    std::vector<Request> rows = {imei, At("AT+CMGF=1", 2, 6), At("AT+CSCS", 3, 6), At("AT+CMGS", 4, 4)};
    for (Request& r : rows) r.closed = Lines{kLinkLost};  // the other answers go unread
    Request text = At("IMEI and Ctrl-Z", 5, 0);           // nothing awaited: the run is done
    rows.push_back(text);
    ServiceRun op("SMS", kServiceSendImei, ServiceRun::Modem::kStarted, {kSmsSent}, rows);
    op.check = [](Tracker& tracker) {
        tracker.simulator.WithModem([](sim::ModemModel& m) {
            EXPECT_TRUE(!m.SentSms().empty() && m.SentSms().back().body == kImei &&
                        m.SentSms().back().number == kPhone);
            return 0;
        });
    };
    RunMatrix(op);
}

TEST_F(ServiceMatrix, CallAndHangUp) {
    // Nothing is awaited: the line may go, the run has said what it did.
    ServiceRun call("call", kServiceCall, ServiceRun::Modem::kStarted, {kCalling}, {At("ATD", 1, 0)});
    ServiceRun hangUp("hang up", kServiceHangUp, ServiceRun::Modem::kStarted, {kCallCancelled},
                      {At("ATH0", 1, 0)});
    RunMatrix(call);
    RunMatrix(hangUp);
}

// The relay asks nothing: its faults are what the line does between two polls.
enum class StreamFault { kSilence, kGarbage, kFlood, kLineClosed };

const char* StreamFaultName(StreamFault f) {
    switch (f) {
        case StreamFault::kSilence:
            return "no data";
        case StreamFault::kGarbage:
            return "garbage and zero bytes";
        case StreamFault::kFlood:
            return "3 KiB within one poll";
        case StreamFault::kLineClosed:
            return "line closed";
    }
    return "?";
}

bool WaitUntil(const std::function<bool()>& done, milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(milliseconds(2));
    }
    return true;
}

void RelayCase(int poll, StreamFault fault) {
    CaseScope scope("NMEA relay / poll " + std::to_string(poll) + " / " + StreamFaultName(fault));
    const std::set<int> threadsBefore = LiveThreads();
    const int pollMs = MatrixTimings().nmeaPollMs;
    auto tracker = std::make_unique<Tracker>();
    DeviceContext context;
    context.timings = MatrixTimings();
    context.SetPortName(tracker->Path());
    // Relays report until the context has joined them: every sink outlives that.
    Sink sink(context), nextSink(context);
    {
        NmeaRelay relay(context, sink);
        EXPECT_TRUE(relay.SwitchOn());
        EXPECT_TRUE(WaitUntil([&] { return context.port.IsOpen() && sink.Appends() >= poll - 1; },
                              milliseconds(3000)));
        std::string expected;
        switch (fault) {
            case StreamFault::kSilence:
                break;
            case StreamFault::kGarbage:
                // 0xEE is "о" in Windows-1251; the zero byte is dropped, not the rest.
                tracker->transport.Inject(Bytes(std::string("$GP\xEE\0RMC\r\n", 10)));
                expected = std::string("$GP") + "\xD0\xBE" + "RMC\r\n";
                break;
            case StreamFault::kFlood:
                for (int i = 0; i < 120; ++i) expected += "$GPTXT,01,01,02,flood*00\r\n";
                tracker->transport.Inject(Bytes(expected));
                break;
            case StreamFault::kLineClosed:
                tracker->transport.CloseLine();
                break;
        }
        if (fault == StreamFault::kLineClosed) {
            const auto lost = Clock::now();
            EXPECT_TRUE(WaitUntil([&] { return !relay.Running(); }, milliseconds(pollMs + 1000)))
                << "the relay did not notice the lost line";
            EXPECT_LE(Clock::now() - lost, milliseconds(pollMs + 1000));
            EXPECT_EQ(sink.Said(), Lines{kLinkLost});
        } else {
            const int after = sink.Appends() + 2;
            EXPECT_TRUE(WaitUntil([&] { return sink.Appends() >= after && sink.Stream() == expected; },
                                  milliseconds(2 * pollMs + 1000)))
                << "relayed \"" << sink.Stream() << "\"";
            EXPECT_TRUE(relay.Running());
            EXPECT_TRUE(sink.Said().empty());
            const auto stop = Clock::now();
            relay.SwitchOff();
            context.JoinAll();
            EXPECT_LE(Clock::now() - stop, milliseconds(1000)) << "switching off waited for the poll";
        }
    }
    context.JoinAll();
    EXPECT_EQ(sink.ended.load(), 1);
    EXPECT_FALSE(sink.portOpenAtEnd.load());
    EXPECT_FALSE(context.port.IsOpen());
    if (fault == StreamFault::kLineClosed) {
        EXPECT_TRUE(tracker->transport.WaitClosed(std::chrono::seconds(1)));
        tracker = std::make_unique<Tracker>();
        context.SetPortName(tracker->Path());
    }
    EXPECT_EQ(ThreadsLeftSince(threadsBefore, 1), "")
        << "threads left behind by the relay (the tracker's own remains)";

    // A new relay on the same context shows the stream again.
    {
        NmeaRelay relay(context, nextSink);
        EXPECT_TRUE(relay.SwitchOn());
        EXPECT_TRUE(WaitUntil([&] { return context.port.IsOpen(); }, milliseconds(2000)));
        tracker->transport.Inject(Bytes("$GPTXT,01,01,02,again*00\r\n"));
        EXPECT_TRUE(WaitUntil([&] { return nextSink.Stream() == "$GPTXT,01,01,02,again*00\r\n"; },
                              milliseconds(2 * pollMs + 1000)));
        relay.SwitchOff();
    }
    context.JoinAll();
    EXPECT_TRUE(nextSink.Said().empty());
    EXPECT_FALSE(context.port.IsOpen());
}

TEST(FaultMatrix, NmeaRelay) {
    for (int poll : {1, 3}) {
        for (StreamFault fault :
             {StreamFault::kSilence, StreamFault::kGarbage, StreamFault::kFlood, StreamFault::kLineClosed}) {
            RelayCase(poll, fault);
        }
    }
}

}  // namespace
}  // namespace zort::reliability
