#include "cli/StatusPrint.h"

#include <cstdio>

#include "status/ModemStatus.h"

namespace zort::cli {
namespace {

using Json = nlohmann::ordered_json;

std::string Fixed(double value, int decimals) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    return buf;
}

template <typename T>
Json OrNull(const std::optional<T>& value) {
    return value ? Json(*value) : Json(nullptr);
}

Json OrNull(int value) {
    return value >= 0 ? Json(value) : Json(nullptr);
}

Json OrNull(const char* key) {
    return *key ? Json(key) : Json(nullptr);
}

// "2024-03-15T12:00:05Z" when the date is known, else the time alone.
std::string UtcText(const GnssStatus& g) {
    if (g.utcTime.empty()) return {};
    return g.utcDate.empty() ? g.utcTime : g.utcDate + "T" + g.utcTime + "Z";
}

std::string GnssLines(const GnssStatus& g) {
    std::string out = "GPS/ГЛОНАСС: ";
    if (!g.anySentence) return out + kNoData + "\n";
    out += std::string("решение ") + FixName(g.fix) + ", спутников " + std::to_string(g.satellitesUsed) +
           " из " + std::to_string(g.satellitesInView);
    std::string bySystem;
    for (int s = 0; s < kGnssSystemCount; ++s) {
        if (g.inViewBySystem[s] == 0) continue;
        bySystem += std::string(bySystem.empty() ? "" : ", ") + SystemName(static_cast<GnssSystem>(s)) + " " +
                    std::to_string(g.usedBySystem[s]) + "/" + std::to_string(g.inViewBySystem[s]);
    }
    if (!bySystem.empty()) out += " (" + bySystem + ")";
    if (g.hdop) out += ", HDOP " + Fixed(*g.hdop, 1);
    out += "\n";
    if (g.latitude && g.longitude) {
        out += "Координаты: " + Fixed(*g.latitude, 6) + ", " + Fixed(*g.longitude, 6);
        if (g.altitude) out += ", высота " + Fixed(*g.altitude, 0) + " м";
        out += "\n";
    }
    if (g.speedKmh) {
        out += "Скорость: " + Fixed(*g.speedKmh, 1) + " км/ч";
        if (g.courseDeg) out += ", курс " + Fixed(*g.courseDeg, 0) + "°";
        out += "\n";
    }
    if (const std::string utc = UtcText(g); !utc.empty()) out += "Время UTC: " + utc + "\n";
    return out;
}

std::string SatelliteTable(const GnssStatus& g) {
    if (g.satellites.empty()) return {};
    std::string out = "Система   PRN  Возв.  Азим.  С/Ш  В решении\n";
    auto cell = [](int value) { return value >= 0 ? std::to_string(value) : std::string("-"); };
    for (const SatelliteView& s : g.satellites) {
        char row[96];
        std::snprintf(row, sizeof row, "%-8s %4d %6s %6s %4s  %s\n", SystemKey(s.system), s.prn,
                      cell(s.elevation).c_str(), cell(s.azimuth).c_str(), cell(s.snr).c_str(),
                      s.used ? "да" : "нет");
        out += row;
    }
    return out;
}

std::string GsmLines(const GsmStatus& m) {
    std::string out = "GSM: ";
    if (!m.modemAnswers) return out + "модем не отвечает\n";
    out += "сигнал ";
    out += m.signal ? std::to_string(m.signal->dbm) + " дБм (" + std::to_string(m.signal->bars) + " из 5)"
                    : kNoData;
    out += std::string(", сеть: ") + RegistrationText(m.registration);
    out += ", оператор: ";
    out += m.operatorName ? (m.operatorName->empty() ? std::string("нет") : *m.operatorName) : kNoData;
    out += std::string("\nSIM-карта: ") + SimStateText(m.sim);
    if (m.iccid) out += ", ICCID " + *m.iccid;
    out += "\n";
    if (m.balance) out += "Баланс: " + *m.balance + "\n";
    return out;
}

}  // namespace

std::string StatusText(const TrackerStatus& status) {
    return GnssLines(status.gnss) + SatelliteTable(status.gnss) + GsmLines(status.gsm);
}

Json StatusJson(const TrackerStatus& status, bool withBalance) {
    const GnssStatus& g = status.gnss;
    Json satellites = Json::array();
    for (const SatelliteView& s : g.satellites) {
        satellites.push_back({{"system", SystemKey(s.system)},
                              {"prn", s.prn},
                              {"elevation", OrNull(s.elevation)},
                              {"azimuth", OrNull(s.azimuth)},
                              {"snr", OrNull(s.snr)},
                              {"used", s.used}});
    }
    const std::string utc = UtcText(g);
    Json gnss = {{"fix", FixKey(g.fix)},
                 {"satellites_used", g.satellitesUsed},
                 {"satellites_in_view", g.satellitesInView},
                 {"hdop", OrNull(g.hdop)},
                 {"pdop", OrNull(g.pdop)},
                 {"latitude", OrNull(g.latitude)},
                 {"longitude", OrNull(g.longitude)},
                 {"altitude", OrNull(g.altitude)},
                 {"speed_kmh", OrNull(g.speedKmh)},
                 {"course", OrNull(g.courseDeg)},
                 {"utc", utc.empty() ? Json(nullptr) : Json(utc)},
                 {"fix_age_s", OrNull(g.fixAgeSeconds)},
                 {"satellites", satellites}};
    const GsmStatus& m = status.gsm;
    Json gsm = {{"modem_answers", m.modemAnswers},
                {"signal_dbm", m.signal ? Json(m.signal->dbm) : Json(nullptr)},
                {"bars", m.signal ? Json(m.signal->bars) : Json(nullptr)},
                {"registration", OrNull(RegistrationKey(m.registration))},
                {"operator", OrNull(m.operatorName)},
                {"sim", OrNull(SimStateKey(m.sim))},
                {"iccid", OrNull(m.iccid)}};
    if (withBalance) gsm["balance"] = OrNull(m.balance);
    return {{"gnss", gnss}, {"gsm", gsm}};
}

}  // namespace zort::cli
