#pragma once
// Everything the status view shows at one moment: the sky and the fix from the
// receiver's stream, the network and the SIM card from the modem's answers.

#include <cstdint>
#include <optional>
#include <string>

#include "status/GnssStatus.h"
#include "status/ModemStatus.h"

namespace zort {

struct GsmStatus {
    bool modemAnswers = false;  // the modem answered the last query at all
    std::optional<SignalQuality> signal;
    Registration registration = Registration::kUnknown;
    std::optional<std::string> operatorName;  // empty: registered nowhere
    SimState sim = SimState::kUnknown;
    std::optional<std::string> iccid;
    std::optional<std::string> balance;  // the network's answer to the balance request
    bool balanceAsked = false;           // a balance request is under way
    int balanceRequestsEnded = 0;        // answered or not
};

struct TrackerStatus {
    GnssStatus gnss;
    GsmStatus gsm;
    // Checking which modules are on and switching on the others is done: what is shown
    // from here on is the tracker's own state.
    bool ready = false;
    bool receiverOn = false;
    bool modemOn = false;
    bool receiverStartedHere = false;  // switched off again at the end
    bool modemStartedHere = false;
    uint64_t sentences = 0;  // valid NMEA sentences read
    uint64_t skipped = 0;    // malformed, overlong, broken GSV sets
};

}  // namespace zort
