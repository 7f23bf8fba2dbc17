#pragma once
// The tracker's live status as `zortcfg status` prints it: a few lines and a table of
// satellites for a person, or one JSON document for a script. What is not known is
// "нет данных" in the text and null in the document, never a made-up figure.

#include <nlohmann/json.hpp>
#include <string>

#include "status/TrackerStatus.h"

namespace zort::cli {

std::string StatusText(const TrackerStatus& status);
// Keys: gnss {fix, satellites_used, satellites_in_view, hdop, pdop, latitude,
// longitude, altitude, speed_kmh, course, utc, fix_age_s, satellites [{system, prn,
// elevation, azimuth, snr, used}]} and gsm {modem_answers, signal_dbm, bars,
// registration, operator, sim, iccid} with gsm.balance when it was asked for.
nlohmann::ordered_json StatusJson(const TrackerStatus& status, bool withBalance);

}  // namespace zort::cli
