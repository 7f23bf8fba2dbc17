// The tracker firmware update against the simulated tracker.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "firmware/MCUpdateThread.h"
#include "support/TempFolder.h"
#include "support/TrackerWithWorker.h"

namespace zort {
namespace {

using test::PlanOf;
using ::testing::ElementsAre;

std::string WriteFirmware(const test::TempFolder& folder, const std::string& name, size_t imageLength) {
    std::string bytes = "ZORT-FMW-HEADER";  // 15 bytes, never sent
    for (size_t i = 0; i < imageLength; ++i) bytes.push_back(static_cast<char>(i * 13 + 7));
    return folder.Write(name + ".fmw", bytes);
}

// The acknowledgement time-out is short here; one test below keeps the tracker's real 10 s.
struct FirmwareTracker : test::TrackerWithWorker<> {
    explicit FirmwareTracker(sim::FaultPlan plan = {}) : TrackerWithWorker(std::move(plan)) {
        context.timings.firmwareReplyMs = 300;
    }
    void Run(const std::string& path) {
        TrackerWithWorker::Run<MCUpdateThread>([&](MCUpdateThread& w) { w.firmwarePath = path; });
    }
    std::vector<std::string> Progress() const {
        std::vector<std::string> out;
        for (const auto& c : sink.Calls()) {
            if (c.rfind("progress", 0) == 0) out.push_back(c);
        }
        return out;
    }
    test::TempFolder files{"firmware"};
};

TEST(MCUpdate, ImageGoesInBlocksOf512AtTheirFlashAddresses) {
    FirmwareTracker b;
    const std::string path = WriteFirmware(b.files, "fw1000", 1000);
    b.Run(path);
    EXPECT_THAT(b.sink.Messages(), ElementsAre("message 3 Прошивка успешно обновлена"));
    EXPECT_THAT(b.Progress(), ElementsAre("progress 512/1000", "progress 1000/1000", "progress 0/1000"));
    const auto trace = b.tracker.simulator.Trace();
    ASSERT_EQ(trace.size(), 3u);
    EXPECT_EQ(trace[0].command, kCmdPrepareFirmware);
    EXPECT_EQ(trace[1].id, 0x08006400u);
    EXPECT_EQ(trace[1].payload.size(), 512u);
    EXPECT_EQ(trace[2].id, 0x08006600u);
    EXPECT_EQ(trace[2].payload.size(), 488u);

    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto flash = b.tracker.simulator.WithModel([](auto& m) { return m.FlashImage(); });
    EXPECT_EQ(flash, std::vector<uint8_t>(file.begin() + 15, file.end()));
    EXPECT_FALSE(b.context.firmwareThread.Busy());
    EXPECT_FALSE(b.context.port.IsOpen());
}

TEST(MCUpdate, AnExactMultipleOf512SendsNoEmptyBlock) {
    FirmwareTracker b;
    const std::string path = WriteFirmware(b.files, "fw1024", 1024);
    b.Run(path);
    const auto trace = b.tracker.simulator.Trace();
    ASSERT_EQ(trace.size(), 3u);
    EXPECT_EQ(trace[2].payload.size(), 512u);
}

TEST(MCUpdate, AFileWithoutAnImageIsRefusedBeforeAnyFrame) {
    FirmwareTracker b;
    const std::string headerOnly = WriteFirmware(b.files, "fw0", 0);
    const std::string folder = b.files.File("folder.fmw");
    std::filesystem::create_directory(folder);
    for (const std::string& path : {headerOnly, folder, std::string("/nonexistent/x.fmw")}) {
        b.Run(path);
        EXPECT_EQ(b.sink.Messages().back(), "message 4 Ошибка открытия файла прошивки") << path;
        EXPECT_FALSE(b.sink.Detail().empty()) << path;
    }
    EXPECT_EQ(b.tracker.simulator.FramesReceived(), 0);
}

TEST(MCUpdate, MissingAcknowledgementsNameTheirStep) {
    const test::TempFolder files("firmware");
    const std::string path = WriteFirmware(files, "fw2000", 2000);
    {
        FirmwareTracker b(PlanOf({"drop@10#1"}));
        b.Run(path);
        EXPECT_THAT(b.sink.Messages(), ElementsAre("message 4 Ошибка на этапе очистки FLASH"));
        EXPECT_EQ(b.tracker.simulator.FramesReceived(), 1);
    }
    {
        FirmwareTracker b(PlanOf({"drop@11#3"}));
        b.context.timings = LinkTimings{};  // the tracker's real 10 s
        const auto start = std::chrono::steady_clock::now();
        b.Run(path);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(10000));
        EXPECT_THAT(b.sink.Messages(), ElementsAre("message 4 Ошибка во время записи прошивки"));
        EXPECT_EQ(b.tracker.simulator.FramesReceived(), 4) << "nothing after the unanswered block";
        EXPECT_FALSE(b.context.firmwareThread.Busy());
        EXPECT_FALSE(b.context.port.IsOpen());
    }
}

TEST(MCUpdate, FileNamesGetTheExtensionUnlessTheyHaveIt) {
    EXPECT_EQ(FirmwareFileName("tracker"), "tracker.fmw");
    EXPECT_EQ(FirmwareFileName("tracker.fmw"), "tracker.fmw");
    EXPECT_EQ(FirmwareFileName("a.fmw.old"), "a.fmw.old");
    EXPECT_EQ(FirmwareFileName("TRACKER.FMW"), "TRACKER.FMW.fmw") << "the test is case-sensitive";
}

}  // namespace
}  // namespace zort
