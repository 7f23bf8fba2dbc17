// Settings read, settings write and the tracker's firmware update, each request of each
// against every fault of the line.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <thread>

#include "FaultMatrix.h"
#include "firmware/MCUpdateThread.h"
#include "settings/ExchangeTable.h"
#include "settings/RWSettingsThread.h"

namespace zort::reliability {
namespace {

char Hex(int digit) {
    return "0123456789ABCDEF"[digit & 15];
}

std::string IdText(uint32_t id) {
    std::string s = "0x";
    for (int shift = 28; shift >= 0; shift -= 4) s += Hex(static_cast<int>(id >> shift));
    return s;
}

class SettingsRead : public Operation {
  public:
    std::string Name() const override { return "settings read"; }
    Lines Healthy() const override { return {}; }  // a read shows no message

    std::vector<Request> Requests() const override {
        const Lines failed = {Box(kStatusError, kReadFailed)};
        std::vector<Request> rows;
        for (int k = 0; k < kExchangeItemCount; ++k) {
            Request r;
            r.name = "item " + std::to_string(k) + " " + IdText(kExchangeTable[static_cast<size_t>(k)].id);
            r.command = kCmdReadParameter;
            r.nth = k + 1;
            r.replyBytes = static_cast<int>(kSlotSize);
            r.missing = failed;
            r.closed = failed;
            rows.push_back(r);  // garbage in front still fills 32 bytes: the read goes on
        }
        // The marker read after a complete read: its answer is never used.
        Request marker;
        marker.name = "marker read again";
        marker.command = kCmdReadParameter;
        marker.nth = kExchangeItemCount + 1;
        marker.replyBytes = static_cast<int>(kSlotSize);
        rows.push_back(marker);
        return rows;
    }

    std::unique_ptr<Worker> Create(DeviceContext& context, WorkerSink& sink) override {
        auto worker = std::make_unique<RWSettingsThread>(context, sink);
        worker->mode = kModeReadSettings;
        return worker;
    }

    void Remember(DeviceContext& context, Tracker&) override { healthyImage = context.image; }

    void CheckData(DeviceContext& context, Tracker&, const Sink& sink, const Request* row,
                   Fault fault) override {
        EXPECT_EQ(sink.imagesRead.load(), 1) << "a complete read is shown once";
        for (int k = 0; k < kExchangeItemCount; ++k) {
            const int slot = kExchangeTable[static_cast<size_t>(k)].slot;
            std::string expected = healthyImage.Text(slot);
            // No framing on the wire: bytes in front of an answer are taken for its start.
            // Only that one item may suffer; the next answer must be whole again.
            if (row && fault == Fault::kGarbageBytes && row->nth == k + 1) {
                expected = (std::string(3, '\xEE') + expected).substr(0, kSlotSize);
            }
            EXPECT_EQ(context.image.Text(slot), expected) << "item " << k;
        }
    }

  private:
    SettingsImage healthyImage;
};

class SettingsWrite : public Operation {
  public:
    std::string Name() const override { return "settings write"; }
    Lines Healthy() const override { return {Box(kStatusSuccess, kWriteSucceeded)}; }

    std::vector<Request> Requests() const override {
        const Lines failed = {Box(kStatusError, kWriteFailed)};
        std::vector<Request> rows;
        for (int k = 0; k < kWrittenItemCount; ++k) {
            Request r;
            r.name = "item " + std::to_string(k) + " " + IdText(kExchangeTable[static_cast<size_t>(k)].id);
            r.command = kCmdWriteParameter;
            r.nth = k + 1;
            r.replyBytes = 1;  // any byte acknowledges, so garbage does too
            r.missing = failed;
            r.closed = failed;
            rows.push_back(r);
        }
        return rows;
    }

    std::unique_ptr<Worker> Create(DeviceContext& context, WorkerSink& sink) override {
        for (int k = 0; k < kWrittenItemCount; ++k) {
            context.image.SetText(kExchangeTable[static_cast<size_t>(k)].slot,
                                  "written-" + std::to_string(k));
        }
        auto worker = std::make_unique<RWSettingsThread>(context, sink);
        worker->mode = kModeWriteSettings;
        return worker;
    }

    void CheckData(DeviceContext&, Tracker& tracker, const Sink&, const Request*, Fault) override {
        for (int k = 0; k < kWrittenItemCount; ++k) {
            const uint32_t id = kExchangeTable[static_cast<size_t>(k)].id;
            EXPECT_EQ(tracker.simulator.WithModel([&](sim::TrackerModel& m) { return m.ParameterText(id); }),
                      "written-" + std::to_string(k));
        }
    }
};

class FirmwareUpdate : public Operation {
  public:
    static constexpr size_t kImageLength = 16 * 1024;

    FirmwareUpdate() {
        image.resize(kImageLength);
        for (size_t i = 0; i < kImageLength; ++i) image[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
        std::ofstream out(path, std::ios::binary);
        out << "ZORT-FMW-HEADER";  // 15 bytes, never sent
        out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }
    ~FirmwareUpdate() override { std::remove(path.c_str()); }

    std::string Name() const override { return "firmware update"; }
    Lines Healthy() const override { return {Box(kStatusSuccess, kFirmwareUpdated)}; }

    std::vector<Request> Requests() const override {
        Request erase;
        erase.name = "erase";
        erase.command = kCmdPrepareFirmware;
        erase.replyBytes = 1;
        erase.missing = erase.closed = Lines{Box(kStatusError, kFirmwareEraseFailed)};
        std::vector<Request> rows = {erase};
        for (size_t b = 0; b < kImageLength / kFirmwareBlockSize; ++b) {
            Request r;
            r.name = "block " + std::to_string(b + 1) + " at " +
                     IdText(kFirmwareBase + static_cast<uint32_t>(b * kFirmwareBlockSize));
            r.command = kCmdWriteFirmwareBlock;
            r.nth = static_cast<int>(b) + 1;
            r.replyBytes = 1;
            r.missing = r.closed = Lines{Box(kStatusError, kFirmwareWriteFailed)};
            rows.push_back(r);
        }
        return rows;
    }

    std::unique_ptr<Worker> Create(DeviceContext& context, WorkerSink& sink) override {
        auto worker = std::make_unique<MCUpdateThread>(context, sink);
        worker->firmwarePath = path;
        return worker;
    }

    void CheckData(DeviceContext&, Tracker& tracker, const Sink&, const Request*, Fault) override {
        tracker.simulator.WithModel([&](sim::TrackerModel& m) {
            EXPECT_TRUE(m.FlashImage() == image) << "the flash differs from the image";
            EXPECT_EQ(m.FlashFaults(), 0);
            return 0;
        });
    }

  private:
    const std::string path = ::testing::TempDir() + "zort-faults-" + std::to_string(getpid()) + ".fmw";
    std::vector<uint8_t> image;
};

// Bytes nobody asked for may come at any moment (an answer that came late, noise on the
// line). A send purges them; a purge that fell between the reader's poll and its read
// once looked like a pulled cable and ended the run.
TEST(StrayBytes, NeverEndTheLine) {
    Tracker tracker;
    std::atomic<bool> stop{false};
    std::thread noise([&] {
        while (!stop) {
            tracker.transport.Inject({0x55});
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    SettingsWrite op;
    for (int run = 0; run < 40; ++run) {
        DeviceContext context;
        Sink sink(context);
        context.timings = MatrixTimings();
        context.SetPortName(tracker.Path());
        std::unique_ptr<Worker> worker = op.Create(context, sink);
        ASSERT_TRUE(worker->Start());
        JoinWithin(*worker, context, std::chrono::seconds(10));
        EXPECT_EQ(sink.Said(), op.Healthy()) << "run " << run;
    }
    stop = true;
    noise.join();
}

TEST(FaultMatrix, SettingsRead) {
    SettingsRead op;
    RunMatrix(op);
}

TEST(FaultMatrix, SettingsWrite) {
    SettingsWrite op;
    RunMatrix(op);
}

TEST(FaultMatrix, FirmwareUpdate) {
    FirmwareUpdate op;
    RunMatrix(op);
}

}  // namespace
}  // namespace zort::reliability
