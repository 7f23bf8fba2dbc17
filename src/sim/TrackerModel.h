#pragma once
// What the tracker does with each command frame: a parameter store, a flash memory for
// the firmware image, and the switches of the modem and the GNSS receiver. Bytes in,
// bytes out; no I/O, no time. The modem (command 8) and the receiver (command 9) are
// peers plugged in from outside.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "sim/FrameParser.h"

namespace zort::sim {

// A device behind a pass-through command: receives the frame payload, answers bytes.
class PassThroughPeer {
  public:
    virtual ~PassThroughPeer() = default;
    virtual std::vector<uint8_t> OnPayload(const std::vector<uint8_t>& payload) = 0;
    // Bytes the peer sends on its own (an NMEA stream), collected now and then.
    virtual std::vector<uint8_t> TakeSpontaneous() { return {}; }
    // The tracker switched the device on or off (start/stop of the modem or receiver).
    virtual void SetPowered(bool on) { (void)on; }
    virtual std::string StateJson() const { return "{}"; }
};

class TrackerModel {
  public:
    using Slot = std::array<uint8_t, 32>;
    static constexpr uint32_t kFlashBase = 0x08006400;
    static constexpr uint32_t kFlashEnd = 0x08080000;  // start of the parameter area
    static constexpr uint8_t kAck = 0x01;

    TrackerModel();

    // The normal answer of a healthy tracker; empty when the command awaits none.
    std::vector<uint8_t> Handle(const ReceivedFrame& frame);

    // Parameter store, by id; the ids of the 30 settings exist from the start.
    const std::map<uint32_t, Slot>& Parameters() const { return parameters; }
    void SetParameterText(uint32_t id, const std::string& cp1251);
    std::string ParameterText(uint32_t id) const;  // up to the first zero, Windows-1251

    const std::vector<uint8_t>& FlashImage() const { return flash; }
    int FlashErases() const { return flashErases; }
    int FlashBlocks() const { return flashBlocks; }
    // Blocks outside the flash or written before any erase: a client bug worth seeing.
    int FlashFaults() const { return flashFaults; }
    // The software version (Windows-1251) the tracker reports once a new image was
    // written: from the first read after a block, as if it had restarted on it. Empty:
    // the version stays.
    void SetVersionAfterFlash(std::string cp1251) { versionAfterFlash = std::move(cp1251); }

    bool ModemOn() const { return modemOn; }
    bool GnssOn() const { return gnssOn; }
    uint32_t GnssBaud() const { return gnssBaud; }

    // The switches of commands 3 to 6, also for tests that start from a running device.
    void SetModemOn(bool on);
    void SetGnssOn(bool on);

    // A peer plugged in takes the power state of its switch.
    void SetModem(PassThroughPeer* peer);
    void SetGnss(PassThroughPeer* peer);
    PassThroughPeer* Modem() const { return modem; }
    PassThroughPeer* Gnss() const { return gnss; }

    // The 30 settings ids in the tracker's own order.
    static const std::array<uint32_t, 30>& SettingIds();

  private:
    std::map<uint32_t, Slot> parameters;
    std::vector<uint8_t> flash;
    int flashErases = 0;
    int flashBlocks = 0;
    int flashFaults = 0;
    bool flashedSinceErase = false;
    std::string versionAfterFlash;
    bool modemOn = false;
    bool gnssOn = false;
    uint32_t gnssBaud = 9600;
    PassThroughPeer* modem = nullptr;
    PassThroughPeer* gnss = nullptr;
};

}  // namespace zort::sim
