// The receiver update's byte arithmetic, its file checks and the worker's priority.

#include <gtest/gtest.h>
#include <unistd.h>

#ifndef _WIN32
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#endif

#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "files/Utf8Path.h"
#include "firmware/GPSUpdateThread.h"
#include "firmware/GnssWire.h"
#include "firmware/ThreadPriority.h"

namespace zort {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(GnssWire, LoaderWordsGoOutHighByteFirst) {
    Bytes chunk = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA};
    SwapWordBytes(chunk.data(), chunk.size());
    EXPECT_EQ(chunk, (Bytes{0x22, 0x11, 0x44, 0x33, 0x66, 0x55, 0x88, 0x77, 0xAA, 0x99}));
    Bytes odd = {1, 2, 3};
    SwapWordBytes(odd.data(), odd.size());
    EXPECT_EQ(odd, (Bytes{2, 1, 3})) << "a lone last byte has no partner";
}

TEST(GnssWire, BlockSumsWrapAt16BitsAndGoOutHighByteFirst) {
    const Bytes ff(2048, 0xFF);
    const auto sum = BigEndian16(BlockChecksum(ff.data(), ff.size()));
    EXPECT_EQ(sum[0], 0xF8);
    EXPECT_EQ(sum[1], 0x00);
    const Bytes many(70000, 0x01);
    EXPECT_EQ(BlockChecksum(many.data(), many.size()), 70000 - 65536);
    EXPECT_EQ(BlockChecksum(nullptr, 0), 0);
}

TEST(GnssWire, LoaderChecksumIsTheXorOfTheWordsAsSentWhichAreTheFileWords) {
    const Bytes sent = {0x12, 0x34, 0x56, 0x78};
    EXPECT_EQ(LoaderChecksum(sent.data(), sent.size()), 0x1234 ^ 0x5678);

    // Whatever the order on the wire, the sum is over the file's own 16-bit words.
    Bytes file(1000);
    for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 37 + 11);
    uint16_t fileWords = 0;
    for (size_t i = 0; i < file.size(); i += 2)
        fileWords ^= static_cast<uint16_t>(file[i] | file[i + 1] << 8);
    Bytes wire = file;
    SwapWordBytes(wire.data(), wire.size());
    EXPECT_EQ(LoaderChecksum(wire.data(), wire.size()), fileWords);
}

TEST(GnssWire, NumbersGoOutMostSignificantByteFirst) {
    EXPECT_EQ(BigEndian32(FirmwareEndAddress(5000)), (std::array<uint8_t, 4>{0x00, 0x00, 0x13, 0x87}));
    EXPECT_EQ(BigEndian32(0x173A), (std::array<uint8_t, 4>{0x00, 0x00, 0x17, 0x3A}));
    EXPECT_EQ(FirmwareEndAddress(1), 0u);
}

class GnssFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = std::filesystem::path(::testing::TempDir()) / ("gnss-files-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string Write(const std::string& name, size_t length) {
        const std::string path = Utf8FromPath(dir / PathFromUtf8(name));
        std::ofstream out(path, std::ios::binary);
        for (size_t i = 0; i < length; ++i) out.put(static_cast<char>(i * 7));
        return path;
    }
    std::filesystem::path dir;
    Bytes data;
    std::string why;
};

TEST_F(GnssFiles, TheLoaderIsItsFirst11892BytesAndNeverLess) {
    ASSERT_TRUE(ReadGnssLoader(Write("long.bin", 12000), data, why)) << why;
    ASSERT_EQ(data.size(), kGnssLoaderLength);
    EXPECT_EQ(data.back(), static_cast<uint8_t>((kGnssLoaderLength - 1) * 7));

    for (const std::string& path : {Write("short.bin", kGnssLoaderLength - 1), Utf8FromPath(dir),
                                    std::string(), Utf8FromPath(dir / "missing.bin")}) {
        why.clear();
        EXPECT_FALSE(ReadGnssLoader(path, data, why)) << path;
        EXPECT_FALSE(why.empty()) << path;
    }
}

TEST_F(GnssFiles, FirmwareMustHoldSomethingAndFitAReceiver) {
    ASSERT_TRUE(ReadGnssFirmware(Write("fw.bin", 5000), data, why)) << why;
    EXPECT_EQ(data.size(), 5000u);
    EXPECT_FALSE(ReadGnssFirmware(Write("empty.bin", 0), data, why));
    EXPECT_NE(why.find("пуст"), std::string::npos) << why;
    EXPECT_FALSE(ReadGnssFirmware(Utf8FromPath(dir), data, why));

    // A sparse file: refused by its size, before anything is read or allocated.
    const std::string huge = Utf8FromPath(dir / "huge.bin");
    { std::ofstream(huge, std::ios::binary).put('x'); }
    std::filesystem::resize_file(huge, kGnssFirmwareLimit + 1);
    EXPECT_FALSE(ReadGnssFirmware(huge, data, why));
    EXPECT_NE(why.find("16 МиБ"), std::string::npos) << why;
}

#ifndef _WIN32
// Linux's limits and scheduling classes, which Windows has none of.
TEST(PriorityLimits, AreReadAsTheKernelMeansThem) {
    EXPECT_EQ(AllowedRealtimePriority(0, 99), 0);
    EXPECT_EQ(AllowedRealtimePriority(7, 99), 7);
    EXPECT_EQ(AllowedRealtimePriority(RLIM_INFINITY, 99), 99);
    EXPECT_EQ(LowestAllowedNice(0), 20) << "no lowering at all";
    EXPECT_EQ(LowestAllowedNice(25), -5);
    EXPECT_EQ(LowestAllowedNice(40), -20);
    EXPECT_EQ(LowestAllowedNice(RLIM_INFINITY), -20);
}

// The priority is per process in its limits but per thread in its effect, so each case
// runs on a fresh thread with the limits it needs and puts them back.
class Priority : public ::testing::Test {
  protected:
    void SetUp() override {
        getrlimit(RLIMIT_RTPRIO, &savedRt);
        getrlimit(RLIMIT_NICE, &savedNice);
    }
    void TearDown() override {
        setrlimit(RLIMIT_RTPRIO, &savedRt);
        setrlimit(RLIMIT_NICE, &savedNice);
    }
    // False when the system will not let the test set these limits.
    static bool Limit(int resource, rlim_t value) {
        rlimit l{};
        getrlimit(resource, &l);
        l.rlim_cur = value;
        if (l.rlim_max != RLIM_INFINITY && l.rlim_max < value) l.rlim_max = value;
        return setrlimit(resource, &l) == 0;
    }
    struct Seen {
        ThreadPriority result;
        int policy = -1;
        sched_param param{};
        int nice = 0;
    };
    static Seen RaiseOnThread() {
        Seen s;
        std::thread([&] {
            s.result = RaiseThreadPriority();
            pthread_getschedparam(pthread_self(), &s.policy, &s.param);
            s.nice = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
        }).join();
        return s;
    }
    rlimit savedRt{};
    rlimit savedNice{};
};

TEST_F(Priority, NothingAllowedLeavesTheThreadAsItWas) {
    if (!Limit(RLIMIT_RTPRIO, 0) || !Limit(RLIMIT_NICE, 0)) GTEST_SKIP() << "cannot set the limits";
    const Seen s = RaiseOnThread();
    EXPECT_EQ(s.result.kind, ThreadPriority::Kind::kUnchanged);
    EXPECT_EQ(s.policy, SCHED_OTHER);
    EXPECT_EQ(s.nice, getpriority(PRIO_PROCESS, 0));
}

TEST_F(Priority, ANiceAllowanceLowersThisThreadAlone) {
    const int before = getpriority(PRIO_PROCESS, 0);
    if (!Limit(RLIMIT_RTPRIO, 0) || !Limit(RLIMIT_NICE, 20 - (before - 3)))
        GTEST_SKIP() << "cannot set the limits";
    const Seen s = RaiseOnThread();
    ASSERT_EQ(s.result.kind, ThreadPriority::Kind::kNice);
    EXPECT_EQ(s.result.value, before - 3);
    EXPECT_EQ(s.nice, before - 3);
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), before) << "the rest of the program keeps its nice value";
}

TEST_F(Priority, ARealTimeAllowanceIsTakenOrFallsBackWithoutFailing) {
    const int before = getpriority(PRIO_PROCESS, 0);
    if (!Limit(RLIMIT_RTPRIO, 7) || !Limit(RLIMIT_NICE, 20 - (before - 2)))
        GTEST_SKIP() << "cannot set the limits";
    const Seen s = RaiseOnThread();
    // A container may refuse real-time scheduling whatever the limit says.
    if (s.result.kind == ThreadPriority::Kind::kRealtime) {
        EXPECT_EQ(s.policy, SCHED_FIFO);
        EXPECT_EQ(s.param.sched_priority, 7);
    } else {
        EXPECT_EQ(s.result.kind, ThreadPriority::Kind::kNice);
        EXPECT_EQ(s.nice, before - 2);
    }
}

#endif

}  // namespace
}  // namespace zort
