#include "sim/TrackerModel.h"

#include <algorithm>
#include <cstring>

#include "link/Cp1251.h"

namespace zort::sim {
namespace {

constexpr uint32_t kSoftwareVersionId = 0x080807A0;

struct FactoryValue {
    uint32_t id;
    const char* utf8;
};

// What a tracker fresh from the factory reports.
const FactoryValue kFactory[] = {
    {0x08080460, "00000"},              // owner's phone: none
    {0x08080480, "1234"},               // PIN
    {0x08080580, "3"},                  // time zone
    {0x08080560, "1200"},               // daily contact
    {0x080805A0, "3"},                  // coordinate format
    {0x08080660, "3"},                  // delivery mode
    {0x080800A0, "gps.zort-track.ru"},  // monitoring server
    {0x080800C0, "23351"},
    {0x080808C0, "0"},  // Wialon off
    {0x080800E0, "wialon.zort-track.ru"},
    {0x08080100, "20332"},
    {0x08080120, ""},
    {0x080805C0, "1"},                 // wake-up every 24 h
    {0x08080520, "0"},                 // fix every day
    {0x080802C0, "1"},                 // marker
    {0x08080600, "0"},                 // guard off
    {0x08080620, "2300070010001700"},  // guard intervals
    {0x08080640, "5"},
    {0x080806E0, "1"},
    {0x080806A0, "20"},
    {0x080806C0, "5"},
    {0x08080720, "0 001"},
    {0x08080540, "50"},
    {0x080804A0, "00000"},
    {0x080807E0, "861234050123456"},  // IMEI
    {kSoftwareVersionId, "Z410 2.14"},
    {0x080807C0, "BL 1.05"},            // boot loader version
    {0x080808E0, "HW C3 GSM+GNSS"},     // device information
    {0x08080440, "1"},                  // marker
    {0x08080940, "ЗОРТ Z410 №004217"},  // identity
};

}  // namespace

const std::array<uint32_t, 30>& TrackerModel::SettingIds() {
    static const std::array<uint32_t, 30> ids = [] {
        std::array<uint32_t, 30> a{};
        for (size_t i = 0; i < a.size(); ++i) a[i] = kFactory[i].id;
        return a;
    }();
    return ids;
}

TrackerModel::TrackerModel() {
    for (const FactoryValue& v : kFactory) SetParameterText(v.id, Utf8ToCp1251(v.utf8));
}

void TrackerModel::SetParameterText(uint32_t id, const std::string& cp1251) {
    Slot slot{};
    std::memcpy(slot.data(), cp1251.data(), std::min(cp1251.size(), slot.size()));
    parameters[id] = slot;
}

std::string TrackerModel::ParameterText(uint32_t id) const {
    const auto it = parameters.find(id);
    if (it == parameters.end()) return {};
    const Slot& s = it->second;
    const auto end = std::find(s.begin(), s.end(), 0);
    return std::string(s.begin(), end);
}

void TrackerModel::SetModemOn(bool on) {
    modemOn = on;
    if (modem) modem->SetPowered(on);
}

void TrackerModel::SetGnssOn(bool on) {
    gnssOn = on;
    if (gnss) gnss->SetPowered(on);
}

void TrackerModel::SetModem(PassThroughPeer* peer) {
    modem = peer;
    if (modem) modem->SetPowered(modemOn);
}

void TrackerModel::SetGnss(PassThroughPeer* peer) {
    gnss = peer;
    if (gnss) gnss->SetPowered(gnssOn);
}

std::vector<uint8_t> TrackerModel::Handle(const ReceivedFrame& frame) {
    const FrameHeader& h = frame.header;
    switch (h.command) {
        case kCmdReadParameter: {
            if (flashedSinceErase && !versionAfterFlash.empty()) {
                SetParameterText(kSoftwareVersionId, versionAfterFlash);
                flashedSinceErase = false;
            }
            // Unknown ids read as an empty parameter, as an erased cell would.
            const auto it = parameters.find(h.id);
            if (it == parameters.end()) return std::vector<uint8_t>(32, 0);
            return std::vector<uint8_t>(it->second.begin(), it->second.end());
        }
        case kCmdWriteParameter: {
            Slot slot{};
            std::memcpy(slot.data(), frame.payload.data(), std::min(frame.payload.size(), slot.size()));
            parameters[h.id] = slot;
            return {kAck};
        }
        case kCmdStartModem:
            SetModemOn(true);
            return {kAck};
        case kCmdStopModem:
            SetModemOn(false);
            return {kAck};
        case kCmdStartGnss:
            SetGnssOn(true);
            return {kAck};
        case kCmdStopGnss:
            SetGnssOn(false);
            return {kAck};
        case kCmdSetGnssBaud:
            gnssBaud = h.id;
            // The switch back to 9600 ends a receiver update; nobody waits for it.
            if (h.id == 9600) return {};
            return {kAck};
        case kCmdModemPassThrough:
            return modem ? modem->OnPayload(frame.payload) : std::vector<uint8_t>{};
        case kCmdGnssPassThrough:
            return gnss ? gnss->OnPayload(frame.payload) : std::vector<uint8_t>{};
        case kCmdPrepareFirmware:
            flash.clear();
            ++flashErases;
            flashedSinceErase = false;
            return {kAck};
        case kCmdWriteFirmwareBlock: {
            ++flashBlocks;
            const uint64_t end = static_cast<uint64_t>(h.id) + frame.payload.size();
            if (h.id < kFlashBase || end > kFlashEnd || flashErases == 0) {
                ++flashFaults;
                return {kAck};
            }
            const size_t offset = h.id - kFlashBase;
            if (flash.size() < offset + frame.payload.size())
                flash.resize(offset + frame.payload.size(), 0xFF);
            std::copy(frame.payload.begin(), frame.payload.end(), flash.begin() + static_cast<long>(offset));
            flashedSinceErase = true;
            return {kAck};
        }
        default:
            return {};
    }
}

}  // namespace zort::sim
