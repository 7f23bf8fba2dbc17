// The receiver update against every fault: each distinct step once, and of the 1190
// loader chunks and the firmware blocks the first, one in the middle and the last.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>

#include "FaultMatrix.h"
#include "firmware/GPSUpdateThread.h"
#include "firmware/GnssWire.h"
#include "link/CommandFrame.h"

namespace zort::reliability {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kFirmwareLength = 5000;  // three blocks, the last one short
constexpr int kLoaderChunks = static_cast<int>((kGnssLoaderLength + kGnssLoaderChunk - 1) / kGnssLoaderChunk);

Bytes Be32(uint32_t v) {
    const auto b = BigEndian32(v);
    return Bytes(b.begin(), b.end());
}

Bytes Text(const char* s) {
    return Bytes(s, s + std::string(s).size());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class GnssUpdate : public Operation {
  public:
    GnssUpdate() : followUp(ReceiverOffRun()) {
        loader.resize(kGnssLoaderLength);
        for (size_t i = 0; i < loader.size(); ++i) loader[i] = static_cast<uint8_t>(i * 5 + 1);
        firmware.resize(kFirmwareLength);
        for (size_t i = 0; i < firmware.size(); ++i) firmware[i] = static_cast<uint8_t>(i * 11 + (i >> 8));
        WriteFile(loaderPath, loader);
        WriteFile(firmwarePath, firmware);
    }
    ~GnssUpdate() override {
        std::remove(loaderPath.c_str());
        std::remove(firmwarePath.c_str());
    }

    std::string Name() const override { return "GNSS update"; }
    Lines Healthy() const override { return {kGnssDone}; }

    std::vector<Request> Requests() const override {
        std::vector<Request> rows;
        // The tracker's own commands: any answer byte will do.
        auto own = [&](const char* name, int command, int nth, const char* failed) {
            Request r = Ask(name, command, nth, 1);
            r.missing = r.closed = Lines{failed};
            rows.push_back(r);
        };
        // Pass-through frames are named by what they carry and how many frames carried
        // the same before, in the order the update sends them: the number of
        // synchronisation bytes depends on how fast the receiver answers.
        std::map<Bytes, int> sent;
        auto skip = [&](const Bytes& payload, int times) { sent[payload] += times; };
        auto next = [&](const char* name, Bytes payload, int replyBytes) -> Request& {
            rows.push_back(Ask(name, kCmdGnssPassThrough, ++sent[payload], replyBytes));
            rows.back().payload = std::move(payload);
            return rows.back();
        };
        // Unanswered frames: only a pulled cable changes anything, and the next wait
        // that fails names its own step.
        auto silent = [&](const char* name, Bytes payload, const char* failsAt) {
            next(name, std::move(payload), 0).closed = Lines{failsAt};
        };
        // A frame the ROM or the loader echoes: garbage in front is a wrong echo.
        auto echoed = [&](const char* name, Bytes payload, int replyBytes, const char* step) {
            Request& r = next(name, std::move(payload), replyBytes);
            r.missing = r.closed = Lines{step};
            r.garbage = Lines{step, std::string(1, kPrefixMark) + "Неверный ответ GPS модуля"};
        };
        // A wait the update sits out and goes on after.
        auto tolerated = [&](Request& r, const char* closedAt) { r.closed = Lines{closedAt}; };

        own("receiver off", kCmdStopGnss, 1, kGnssUpdateNotStopped);
        own("receiver on", kCmdStartGnss, 1, kGnssUpdateNotStarted);
        silent("first $PMTK180", Text(kGnssEnterBoot), kGnssBaudFailed);
        skip(Text(kGnssEnterBoot), 4);
        skip(Text(kGnssBaud115200), 2);
        silent("last $PMTK251", Text(kGnssBaud115200), kGnssBaudFailed);
        own("link at 115200", kCmdSetGnssBaud, 1, kGnssBaudFailed);

        Request& sync = next("first A0", {kGnssSync}, 1);
        tolerated(sync, kGnssNoAnswer);  // asked again: the update goes on
        Request never = sync;
        never.name = "every A0";
        never.onward = true;
        never.missing = Lines{kGnssNoAnswer};
        never.only = {Fault::kNoReply};
        rows.push_back(never);

        echoed("0A", {0x0A}, 1, kGnss0AFailed);
        echoed("50", {0x50}, 1, kGnss50Failed);
        echoed("05", {0x05}, 1, kGnss05Failed);
        echoed("A1", {kGnssWriteCommand}, 1, kGnssA1Failed);
        echoed("A1 address", Be32(kGnssLoaderAddress), 4, kGnssAddressFailed);
        echoed("A1 size", Be32(kGnssLoaderLength / 2), 4, kGnssSizeFailed);
        // Chunks of the loader repeat (its bytes repeat every 256, its chunks every 128): every one is
        // counted, the first, one in the middle and the last are asked.
        for (int chunk = 1; chunk <= kLoaderChunks; ++chunk) {
            const size_t offset = static_cast<size_t>(chunk - 1) * kGnssLoaderChunk;
            const int bytes = static_cast<int>(std::min(kGnssLoaderChunk, kGnssLoaderLength - offset));
            Bytes payload = Chunk(offset, static_cast<size_t>(bytes));
            if (chunk != 1 && chunk != kLoaderChunks / 2 && chunk != kLoaderChunks) {
                skip(payload, 1);
                continue;
            }
            const std::string name = "loader chunk " + std::to_string(chunk);
            echoed(name.c_str(), std::move(payload), bytes, kGnssLoaderWriteFailed);
        }
        echoed("A4", {kGnssChecksumCommand}, 1, kGnssA4Failed);
        echoed("A4 address", Be32(kGnssLoaderAddress), 4, kGnssChecksumAddressFailed);
        echoed("A4 size and sum", Be32(kGnssLoaderLength / 2), 6, kGnssSizeFailed);
        echoed("A8", {kGnssJumpCommand}, 1, kGnssJumpFailed);
        echoed("A8 address and start-up", Be32(kGnssLoaderAddress),
               4 + static_cast<int>(kGnssLoaderReportLength), kGnssJumpAddressFailed);

        silent("D3", {kGnssEraseCommand}, kGnssBlockTimedOut);
        skip({0x01}, 1);   // the kind of memory
        skip(Be32(0), 1);  // the erase start address
        tolerated(next("erase end address", Be32(kFirmwareLength - 1), 2), kGnssBlockTimedOut);
        silent("D5", {kGnssBlockSizeCommand}, kGnssBlockTimedOut);
        tolerated(next("block size", Be32(kGnssBlockSize), 2), kGnssBlockTimedOut);
        for (int block = 1; block <= 3; ++block) {
            const std::string name = "firmware block " + std::to_string(block);
            Request& r =
                next(name.c_str(), Block(block), 1);  // the answer's value is the loader's own business
            r.missing = r.closed = Lines{kGnssBlockTimedOut};
        }
        silent("first D9", {kGnssFinishCommand}, kGnssLinkLost);
        silent("second D9", {kGnssFinishCommand}, kGnssLinkLost);
        Request back = Ask("link back at 9600", kCmdSetGnssBaud, 2, 0);
        back.closed = Lines{kGnssLinkLost};
        back.closedMayFinish = true;
        rows.push_back(back);
        return rows;
    }

    std::unique_ptr<Worker> Create(DeviceContext& context, WorkerSink& sink) override {
        auto worker = std::make_unique<GPSUpdateThread>(context, sink);
        worker->loaderPath = loaderPath;
        worker->firmwarePath = firmwarePath;
        return worker;
    }

    bool EndsUnanswered() const override { return true; }  // the link back to 9600

    bool Repeats(const sim::FrameRecord& previous, const sim::FrameRecord& frame) const override {
        const Bytes sync = {kGnssSync};
        return frame.command == kCmdGnssPassThrough && frame.payload == sync &&
               previous.command == kCmdGnssPassThrough && previous.payload == sync;
    }

    Lines Outcome(const Sink& sink) const override {
        // The lines that announce each stage say nothing about how the run ended.
        static const Lines kStages = {kGnssEnteringBoot,  kGnssSwitchingBaud,  kGnssPreparing,
                                      kGnssWritingLoader, kGnssStartingLoader, kGnssWritingFirmware};
        Lines said = sink.Said();
        said.erase(std::remove_if(said.begin(), said.end(),
                                  [](const std::string& l) {
                                      return std::find(kStages.begin(), kStages.end(), l) != kStages.end();
                                  }),
                   said.end());
        return said;
    }

    void CheckData(DeviceContext&, Tracker& tracker, const Sink&, const Request*, Fault) override {
        tracker.simulator.WithGnss([&](sim::GnssReceiverModel& g) {
            EXPECT_TRUE(g.Boot().Image() == firmware) << "the receiver holds another image";
            EXPECT_TRUE(g.Boot().BadSums().empty());
            EXPECT_TRUE(g.Boot().Restarted());
            return 0;
        });
    }

    // A whole second update after each case would double the matrix's time; what must
    // work next is the channel on this context, which a receiver switch shows.
    Operation& FollowUp() override { return *followUp; }

  private:
    // Loader words go high byte first.
    Bytes Chunk(size_t offset, size_t n) const {
        Bytes b(loader.begin() + static_cast<long>(offset), loader.begin() + static_cast<long>(offset + n));
        for (size_t i = 0; i + 1 < n; i += 2) std::swap(b[i], b[i + 1]);
        return b;
    }
    // Firmware blocks carry their byte sum, high byte first.
    Bytes Block(int number) const {
        const size_t offset = static_cast<size_t>(number - 1) * kGnssBlockSize;
        const size_t n = std::min<size_t>(kGnssBlockSize, firmware.size() - offset);
        Bytes b(firmware.begin() + static_cast<long>(offset),
                firmware.begin() + static_cast<long>(offset + n));
        unsigned sum = 0;
        for (uint8_t x : b) sum += x;
        b.push_back(static_cast<uint8_t>(sum >> 8));
        b.push_back(static_cast<uint8_t>(sum));
        return b;
    }

    const std::string loaderPath = ::testing::TempDir() + "zort-faults-loader-" + std::to_string(getpid());
    const std::string firmwarePath = ::testing::TempDir() + "zort-faults-gnss-" + std::to_string(getpid());
    Bytes loader;
    Bytes firmware;
    std::unique_ptr<Operation> followUp;
};

TEST(FaultMatrix, GnssUpdate) {
    GnssUpdate op;
    RunMatrix(op);
}

}  // namespace
}  // namespace zort::reliability
