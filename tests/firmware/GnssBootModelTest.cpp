// The simulated receiver's boot ROM and loader, fed directly, byte by byte where it
// matters: the update's end-to-end tests rely on its answers being right.

#include <gtest/gtest.h>

#include "sim/GnssBootModel.h"
#include "sim/GnssReceiverModel.h"

namespace zort::sim {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint32_t kFast = GnssBootModel::kRomBaud;

Bytes Be32(uint32_t v) {
    return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
            static_cast<uint8_t>(v)};
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A ROM through synchronisation and handshake.
void Synchronise(GnssBootModel& m) {
    m.Enter();
    ASSERT_EQ(m.OnPayload({0xA0}, kFast), Bytes{0x5F});
    ASSERT_EQ(m.OnPayload({0x0A}, kFast), Bytes{0xF5});
    ASSERT_EQ(m.OnPayload({0x50}, kFast), Bytes{0xAF});
    ASSERT_EQ(m.OnPayload({0x05}, kFast), Bytes{0xFA});
}

// Writes three words (file order 11 22 33 44 55 66) at 0x0C00 and starts them.
void LoadAndStart(GnssBootModel& m) {
    ASSERT_EQ(m.OnPayload(Cat({{0xA1}, Be32(0x0C00), Be32(3)}), kFast), Cat({{0xA1}, Be32(0x0C00), Be32(3)}));
    ASSERT_EQ(m.OnPayload({0x22, 0x11, 0x44, 0x33, 0x66, 0x55}, kFast),
              (Bytes{0x22, 0x11, 0x44, 0x33, 0x66, 0x55}));
    ASSERT_EQ(m.OnPayload(Cat({{0xA8}, Be32(0x0C00)}), kFast).size(), 1u + 4 + 20);
}

TEST(GnssBootModel, TheRomSynchronisesOnlyAtItsSpeedAndAfterItsDelay) {
    GnssBootModel m;
    EXPECT_TRUE(m.OnPayload({0xA0}, kFast).empty()) << "not in the ROM yet";
    m.Enter();
    m.SetSyncAfter(2);
    EXPECT_TRUE(m.OnPayload({0xA0}, 9600).empty());
    EXPECT_EQ(m.GarbledBytes(), 1u);
    EXPECT_TRUE(m.OnPayload({'$', 'P', 'M', 'T', 'K'}, kFast).empty()) << "noise is ignored";
    EXPECT_TRUE(m.OnPayload({0xA0}, kFast).empty());
    EXPECT_TRUE(m.OnPayload({0xA0}, kFast).empty());
    EXPECT_EQ(m.OnPayload({0xA0}, kFast), Bytes{0x5F});
    EXPECT_EQ(m.SyncTries(), 3);
    EXPECT_TRUE(m.OnPayload({0x50}, kFast).empty()) << "the handshake has its order";
    EXPECT_EQ(m.OnPayload({0x0A}, kFast), Bytes{0xF5});
}

TEST(GnssBootModel, TheRomHoldsTheLoaderLowByteFirstSumsItAndStartsItOnlyWhereItWasWritten) {
    GnssBootModel m;
    Synchronise(m);
    EXPECT_EQ(m.OnPayload(Cat({{0xA1}, Be32(0x0C00), Be32(3)}), kFast), Cat({{0xA1}, Be32(0x0C00), Be32(3)}));
    // Pieces of any size are echoed as they come.
    EXPECT_EQ(m.OnPayload({0x22}, kFast), Bytes{0x22});
    EXPECT_EQ(m.OnPayload({0x11, 0x44, 0x33, 0x66}, kFast), (Bytes{0x11, 0x44, 0x33, 0x66}));
    EXPECT_EQ(m.OnPayload({0x55}, kFast), Bytes{0x55});
    EXPECT_EQ(m.LoaderBytes(), (Bytes{0x11, 0x22, 0x33, 0x44, 0x55, 0x66}));

    const uint16_t x = 0x2211 ^ 0x4433 ^ 0x6655;
    EXPECT_EQ(m.OnPayload({0xA4}, kFast), Bytes{0xA4});
    EXPECT_EQ(m.OnPayload(Be32(0x0C00), kFast), Be32(0x0C00));
    EXPECT_EQ(m.OnPayload(Be32(3), kFast),
              Cat({Be32(3), {static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(x)}}));

    GnssBootModel elsewhere = m;
    EXPECT_EQ(elsewhere.OnPayload(Cat({{0xA8}, Be32(0x2000)}), kFast), Cat({{0xA8}, Be32(0x2000)}))
        << "an echo, then nothing: the receiver ran into empty memory";
    EXPECT_EQ(elsewhere.PhaseName(), "crashed");
    EXPECT_TRUE(elsewhere.OnPayload({0xD3}, kFast).empty());

    const Bytes jump = m.OnPayload(Cat({{0xA8}, Be32(0x0C00)}), kFast);
    ASSERT_EQ(jump.size(), 25u);
    EXPECT_EQ(Bytes(jump.begin(), jump.begin() + 5), Cat({{0xA8}, Be32(0x0C00)}));
    EXPECT_TRUE(m.LoaderStarted());
    EXPECT_EQ(m.PhaseName(), "loader");
}

TEST(GnssBootModel, TheLoaderTakesSummedBlocksHoweverTheyArriveAndKeepsTheImage) {
    GnssBootModel m;
    Synchronise(m);
    LoadAndStart(m);
    EXPECT_TRUE(m.OnPayload({0xD3}, kFast).empty());
    EXPECT_TRUE(m.OnPayload({0x01}, kFast).empty());
    EXPECT_TRUE(m.OnPayload(Be32(0), kFast).empty());
    EXPECT_EQ(m.OnPayload(Be32(4999), kFast).size(), 2u);
    EXPECT_EQ(m.OnPayload(Cat({{0xD5}, Be32(2048)}), kFast).size(), 2u);

    Bytes image(5000);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 31 + 5);
    auto blockOf = [&](size_t offset, size_t n, bool goodSum) {
        Bytes b(image.begin() + static_cast<long>(offset), image.begin() + static_cast<long>(offset + n));
        uint32_t sum = 0;
        for (uint8_t v : b) sum += v;
        if (!goodSum) ++sum;
        b.push_back(static_cast<uint8_t>(sum >> 8));
        b.push_back(static_cast<uint8_t>(sum));
        return b;
    };
    EXPECT_EQ(m.OnPayload(blockOf(0, 2048, true), kFast), Bytes{GnssBootModel::kBlockGood});
    EXPECT_EQ(m.OnPayload(blockOf(2048, 2048, false), kFast), Bytes{GnssBootModel::kBlockBadSum});
    // The last, shorter block in two pieces: one answer, when it is complete.
    const Bytes last = blockOf(4096, 904, true);
    EXPECT_TRUE(m.OnPayload(Bytes(last.begin(), last.begin() + 500), kFast).empty());
    EXPECT_EQ(m.OnPayload(Bytes(last.begin() + 500, last.end()), kFast), Bytes{GnssBootModel::kBlockGood});

    EXPECT_EQ(m.Blocks(), 3);
    EXPECT_EQ(m.BadSums(), std::vector<int>{2});
    ASSERT_EQ(m.Image().size(), 5000u);
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 2048, m.Image().begin()));
    EXPECT_EQ(m.Image()[2048], 0xFF) << "a block with a bad sum is not written";
    EXPECT_TRUE(std::equal(image.begin() + 4096, image.end(), m.Image().begin() + 4096));

    EXPECT_TRUE(m.OnPayload({0xD9}, kFast).empty());
    EXPECT_TRUE(m.Restarted());
}

TEST(GnssBootModel, FaultsBendOneAnswerOfTheirStep) {
    GnssBootFault f;
    std::string error;
    EXPECT_FALSE(GnssBootFault::Parse("a1:checksum", f, error)) << "the A1 echo has no sum";
    EXPECT_FALSE(GnssBootFault::Parse("a9:silent", f, error));
    EXPECT_FALSE(GnssBootFault::Parse("block#0:silent", f, error));
    EXPECT_FALSE(GnssBootFault::Parse("block:late", f, error));
    ASSERT_TRUE(GnssBootFault::Parse("a1-data#2+:wrong", f, error)) << error;
    EXPECT_EQ(f.step, GnssBootStep::kWriteData);
    EXPECT_EQ(f.nth, 2);
    EXPECT_TRUE(f.onward);

    auto with = [](const char* text) {
        GnssBootModel m;
        GnssBootFault fault;
        std::string e;
        EXPECT_TRUE(GnssBootFault::Parse(text, fault, e)) << e;
        m.AddFault(fault);
        return m;
    };
    {
        GnssBootModel m = with("a1-data#2:checksum");
        Synchronise(m);
        m.OnPayload(Cat({{0xA1}, Be32(0x0C00), Be32(2)}), kFast);
        EXPECT_EQ(m.OnPayload({0x22, 0x11}, kFast), (Bytes{0x22, 0x11}));
        EXPECT_EQ(m.OnPayload({0x44, 0x33}, kFast), (Bytes{0x44, 0x33})) << "echoed right, held wrong";
        EXPECT_NE(m.RamChecksum(0x0C00, 2), 0x2211 ^ 0x4433);
    }
    {
        GnssBootModel m = with("a4-size:checksum");
        Synchronise(m);
        m.OnPayload(Cat({{0xA1}, Be32(0x0C00), Be32(1), {0x22, 0x11}}), kFast);
        const Bytes answer = m.OnPayload(Cat({{0xA4}, Be32(0x0C00), Be32(1)}), kFast);
        ASSERT_EQ(answer.size(), 1u + 4 + 4 + 2);
        EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 9), Cat({{0xA4}, Be32(0x0C00), Be32(1)}));
        EXPECT_NE(answer[9] << 8 | answer[10], 0x2211);
    }
    {
        GnssBootModel m = with("sync#1+:silent");
        m.Enter();
        for (int i = 0; i < 200; ++i) EXPECT_TRUE(m.OnPayload({0xA0}, kFast).empty());
    }
    {
        GnssBootModel m = with("0a:close");
        int closed = 0;
        m.SetLineCloser([&] { ++closed; });
        m.Enter();
        m.OnPayload({0xA0}, kFast);
        EXPECT_TRUE(m.OnPayload({0x0A}, kFast).empty());
        EXPECT_EQ(closed, 1);
        EXPECT_TRUE(m.OnPayload({0x50}, kFast).empty()) << "a dead line carries nothing";
    }
}

TEST(GnssReceiver, PmtkEnterBootHandsTheLineToTheRomAndPowerTakesItBack) {
    GnssReceiverModel r;
    uint32_t baud = 115200;
    r.SetLinkBaudSource([&] { return baud; });
    const std::string enter = "$PMTK180*3B\r\n";
    EXPECT_TRUE(r.OnPayload(Bytes(enter.begin(), enter.end())).empty()) << "switched off";
    r.SetPowered(true);
    EXPECT_TRUE(r.OnPayload({0xA0}).empty()) << "navigating: raw bytes are not answered";
    r.OnPayload(Bytes(enter.begin(), enter.end()));
    EXPECT_TRUE(r.TakeSpontaneous().empty()) << "no NMEA from the boot ROM";
    baud = 9600;
    EXPECT_TRUE(r.OnPayload({0xA0}).empty()) << "the ROM listens at 115200 only";
    baud = 115200;
    EXPECT_EQ(r.OnPayload({0xA0}), Bytes{0x5F});

    r.SetPowered(false);
    r.SetPowered(true);
    EXPECT_TRUE(r.OnPayload({0x0A}).empty()) << "a restart leaves the ROM";
    EXPECT_EQ(r.Boot().PhaseName(), "off");
}

}  // namespace
}  // namespace zort::sim
