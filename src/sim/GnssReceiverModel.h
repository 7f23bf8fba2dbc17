#pragma once
// The tracker's GNSS receiver behind command 9. While it is switched on (commands 4
// and 6) it navigates and sends one burst of NMEA sentences a second, unasked; the
// transport collects them through TakeSpontaneous().
//
// What the receiver does with bytes passed to it depends on its stage. Navigating, it
// ignores input except "$PMTK180", which sends it into its boot ROM: from then on the
// boot model (GnssBootModel: the ROM, then the loader it starts) answers and no NMEA
// goes out, until the loader restarts the receiver or its power goes off.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/GnssBootModel.h"
#include "sim/NmeaGenerator.h"
#include "sim/TrackerModel.h"

namespace zort::sim {

class GnssReceiverModel : public PassThroughPeer {
  public:
    using Clock = std::chrono::steady_clock;
    // What is kept of the sent stream for comparing; the total counts on beyond it.
    static constexpr size_t kSentKeepLimit = 4 * 1024 * 1024;

    GnssReceiverModel();

    std::vector<uint8_t> OnPayload(const std::vector<uint8_t>& payload) override;
    std::vector<uint8_t> TakeSpontaneous() override;
    void SetPowered(bool on) override;
    std::string StateJson() const override;

    // Time between bursts (one second, as the receiver's update rate).
    void SetBurstPeriod(std::chrono::milliseconds period) { burstPeriod = period; }
    // The time source, for tests that step time by hand.
    void SetClock(std::function<Clock::time_point()> now) { clock = std::move(now); }
    // The tracker's line speed to the receiver (command 7); the boot ROM hears 115200 only.
    void SetLinkBaudSource(std::function<uint32_t()> source) { linkBaud = std::move(source); }
    // The boot ROM and loader that take over after "$PMTK180".
    GnssBootModel& Boot() { return boot; }
    const GnssBootModel& Boot() const { return boot; }
    // What the receiver sends while navigating, e.g. to take its fix away.
    NmeaGenerator& Nmea() { return nmea; }
    const NmeaGenerator& Nmea() const { return nmea; }

    bool Powered() const { return stage != Stage::kOff; }
    uint64_t BytesSent() const { return bytesSent; }
    int BurstsSent() const { return burstsSent; }
    // The stream as sent, from the start, up to kSentKeepLimit bytes.
    const std::string& SentStream() const { return sent; }

  private:
    enum class Stage { kOff, kNavigating, kBoot };

    std::vector<uint8_t> NavigationInput(const std::vector<uint8_t>& payload);
    std::vector<uint8_t> NavigationOutput();

    Stage stage = Stage::kOff;
    NmeaGenerator nmea;
    std::chrono::milliseconds burstPeriod{1000};
    std::function<Clock::time_point()> clock;
    Clock::time_point nextBurst{};
    uint64_t bytesSent = 0;
    int burstsSent = 0;
    std::string sent;
    GnssBootModel boot;
    std::function<uint32_t()> linkBaud;
};

}  // namespace zort::sim
