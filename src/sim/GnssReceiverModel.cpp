#include "sim/GnssReceiverModel.h"

#include <algorithm>

namespace zort::sim {

GnssReceiverModel::GnssReceiverModel() : clock([] { return Clock::now(); }) {}

void GnssReceiverModel::SetPowered(bool on) {
    if (on && stage == Stage::kOff) {
        stage = Stage::kNavigating;
        // The first burst comes with the first fix, a period after power-on.
        nextBurst = clock() + burstPeriod;
    } else if (!on) {
        stage = Stage::kOff;
        boot.PowerOff();
    }
}

std::vector<uint8_t> GnssReceiverModel::OnPayload(const std::vector<uint8_t>& payload) {
    switch (stage) {
        case Stage::kNavigating:
            return NavigationInput(payload);
        case Stage::kBoot: {
            std::vector<uint8_t> out =
                boot.OnPayload(payload, linkBaud ? linkBaud() : GnssBootModel::kRomBaud);
            if (boot.Restarted()) {
                stage = Stage::kNavigating;
                nextBurst = clock() + burstPeriod;
            }
            return out;
        }
        case Stage::kOff:
            break;
    }
    return {};
}

std::vector<uint8_t> GnssReceiverModel::TakeSpontaneous() {
    switch (stage) {
        case Stage::kNavigating:
            return NavigationOutput();
        case Stage::kBoot:
        case Stage::kOff:
            break;
    }
    return {};
}

std::vector<uint8_t> GnssReceiverModel::NavigationInput(const std::vector<uint8_t>& payload) {
    // A navigating receiver takes configuration sentences nobody here sends; it does not
    // answer raw bytes. "$PMTK180" sends it into its boot ROM, NMEA stops.
    static const std::string kEnterBoot = "$PMTK180*3B\r\n";
    if (std::search(payload.begin(), payload.end(), kEnterBoot.begin(), kEnterBoot.end()) != payload.end()) {
        stage = Stage::kBoot;
        boot.Enter();
    }
    return {};
}

std::vector<uint8_t> GnssReceiverModel::NavigationOutput() {
    const Clock::time_point now = clock();
    if (now < nextBurst) return {};
    // One burst per call: a collector that fell behind gets the bursts spread out, not
    // a backlog all at once; a long gap restarts the rhythm.
    nextBurst += burstPeriod;
    if (nextBurst < now) nextBurst = now + burstPeriod;
    const std::string burst = nmea.NextBurst();
    bytesSent += burst.size();
    ++burstsSent;
    if (sent.size() < kSentKeepLimit) sent += burst.substr(0, kSentKeepLimit - sent.size());
    return std::vector<uint8_t>(burst.begin(), burst.end());
}

std::string GnssReceiverModel::StateJson() const {
    return std::string("{\"powered\": ") + (Powered() ? "true" : "false") +
           ", \"fix\": " + (nmea.Fix() ? "true" : "false") +
           ", \"bursts_sent\": " + std::to_string(burstsSent) +
           ", \"bytes_sent\": " + std::to_string(bytesSent) +
           ", \"burst_period_ms\": " + std::to_string(burstPeriod.count()) +
           ", \"boot\": " + boot.StateJson() + "}";
}

}  // namespace zort::sim
