#include "status/NmeaFields.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace zort::nmea {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text) {
    for (char c : text) {
        if (!IsDigit(c)) return false;
    }
    return true;
}

// Two digits at `at`, already known to be digits.
int TwoDigits(std::string_view text, size_t at) {
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

// A field that must hold one hex digit (system and signal ids); -1 when empty.
bool ReadHexId(std::string_view field, int least, int& out) {
    out = -1;
    if (field.empty()) return true;
    if (field.size() != 1) return false;
    out = HexDigit(field[0]);
    return out >= least;
}

// The unit letter after a number: the one it must be, or nothing.
bool Unit(std::string_view field, char unit) {
    return field.empty() || (field.size() == 1 && field[0] == unit);
}

// Receivers print 360 for a bearing that rounds up to it; it is north all the same.
double Bearing(double degrees) {
    return degrees >= 360.0 ? 0.0 : degrees;
}

constexpr double kMostDop = 999.0;            // "99.99" is what a receiver says for no geometry at all
constexpr double kMostKnots = 99999.0;        // far beyond anything a tracker rides on
constexpr double kLowestAltitude = -10000.0;  // metres; below any ground, before a fix has settled
constexpr double kHighestAltitude = 100000.0;

}  // namespace

std::optional<Frame> ReadFrame(std::string_view line) {
    if (line.size() < 4 || line.front() != '$' || line[line.size() - 3] != '*') return std::nullopt;
    const int high = HexDigit(line[line.size() - 2]);
    const int low = HexDigit(line[line.size() - 1]);
    if (high < 0 || low < 0) return std::nullopt;
    const std::string_view body = line.substr(1, line.size() - 4);
    unsigned sum = 0;
    for (char c : body) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E || c == '$' || c == '*') return std::nullopt;
        sum ^= byte;
    }
    if (sum != static_cast<unsigned>(high * 16 + low)) return std::nullopt;

    Frame frame;
    size_t start = 0;
    for (;;) {
        const size_t comma = body.find(',', start);
        const std::string_view field =
            body.substr(start, comma == std::string_view::npos ? body.npos : comma - start);
        if (start == 0) {
            frame.address = field;
        } else {
            frame.fields.push_back(field);
        }
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return frame;
}

bool ReadInt(std::string_view field, int least, int most, std::optional<int>& out) {
    out.reset();
    if (field.empty()) return true;
    const std::string_view digits = field[0] == '-' ? field.substr(1) : field;
    if (digits.empty() || !AllDigits(digits)) return false;
    int value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size()) return false;
    if (value < least || value > most) return false;
    out = value;
    return true;
}

bool ReadDecimal(std::string_view field, double least, double most, std::optional<double>& out) {
    out.reset();
    if (field.empty()) return true;
    // Plain fixed-point only: from_chars alone would also take "inf", "nan" and exponents.
    const std::string_view number = field[0] == '-' ? field.substr(1) : field;
    const size_t point = number.find('.');
    const std::string_view whole = number.substr(0, point);
    const std::string_view fraction = point == number.npos ? std::string_view() : number.substr(point + 1);
    if (whole.empty() && fraction.empty()) return false;
    if (!AllDigits(whole) || !AllDigits(fraction)) return false;
    double value = 0;
    const auto [end, error] =
        std::from_chars(field.data(), field.data() + field.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != field.data() + field.size() || !std::isfinite(value)) return false;
    if (value < least || value > most) return false;
    out = value;
    return true;
}

bool ReadAngle(std::string_view value, std::string_view hemisphere, bool latitude,
               std::optional<double>& out) {
    out.reset();
    if (value.empty() && hemisphere.empty()) return true;
    char letter = '\0';
    if (!ReadLetter(hemisphere, latitude ? "NS" : "EW", letter) || letter == '\0') return false;
    // Degrees and whole minutes are the digits in front of the point; the minutes are
    // split off as an integer so that "4860.0" is caught exactly.
    const size_t point = value.find('.');
    const std::string_view whole = value.substr(0, point);
    if (whole.empty() || whole.size() > 5 || !AllDigits(whole)) return false;
    std::optional<double> fraction;
    if (point != value.npos && point + 1 < value.size() &&
        !ReadDecimal(value.substr(point), 0.0, 1.0, fraction)) {
        return false;
    }
    int number = 0;
    std::from_chars(whole.data(), whole.data() + whole.size(), number);
    const int minutes = number % 100;
    if (minutes >= 60) return false;
    const double degrees = number / 100 + (minutes + fraction.value_or(0.0)) / 60.0;
    if (degrees > (latitude ? 90.0 : 180.0)) return false;
    out = (letter == 'S' || letter == 'W') ? -degrees : degrees;
    return true;
}

bool ReadTime(std::string_view field, std::string& out) {
    out.clear();
    if (field.empty()) return true;
    if (field.size() < 6 || !AllDigits(field.substr(0, 6))) return false;
    if (field.size() > 6 && (field[6] != '.' || !AllDigits(field.substr(7)))) return false;
    const int hours = TwoDigits(field, 0);
    const int minutes = TwoDigits(field, 2);
    const int seconds = TwoDigits(field, 4);
    // 60 seconds is the leap second.
    if (hours > 23 || minutes > 59 || seconds > 60) return false;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hours, minutes, seconds);
    out = text;
    return true;
}

bool ReadDate(std::string_view field, std::string& out) {
    out.clear();
    if (field.empty()) return true;
    if (field.size() != 6 || !AllDigits(field)) return false;
    const int day = TwoDigits(field, 0);
    const int month = TwoDigits(field, 2);
    const int year = TwoDigits(field, 4);
    if (day < 1 || day > 31 || month < 1 || month > 12) return false;
    // Two-digit years: the format is older than 2000, receivers are not older than 1980.
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year >= 80 ? 1900 + year : 2000 + year, month, day);
    out = text;
    return true;
}

bool ReadLetter(std::string_view field, std::string_view allowed, char& out) {
    out = '\0';
    if (field.empty()) return true;
    if (field.size() != 1 || allowed.find(field[0]) == allowed.npos) return false;
    out = field[0];
    return true;
}

bool ReadGga(const Fields& f, Gga& out) {
    // time, lat, N/S, lon, E/W, quality, satellites, HDOP, altitude, M, geoid separation,
    // M, age of corrections, station
    if (f.size() != 14) return false;
    std::optional<int> quality, station;
    std::optional<double> separation, age;
    const bool read = ReadTime(f[0], out.time) && ReadAngle(f[1], f[2], true, out.latitude) &&
                      ReadAngle(f[3], f[4], false, out.longitude) && ReadInt(f[5], 0, 8, quality) &&
                      ReadInt(f[6], 0, 99, out.satellites) && ReadDecimal(f[7], 0.0, kMostDop, out.hdop) &&
                      ReadDecimal(f[8], kLowestAltitude, kHighestAltitude, out.altitude) && Unit(f[9], 'M') &&
                      ReadDecimal(f[10], -1000.0, 1000.0, separation) && Unit(f[11], 'M') &&
                      ReadDecimal(f[12], 0.0, 99999.0, age) && ReadInt(f[13], 0, 4095, station);
    if (!read) return false;
    out.quality = quality.value_or(0);
    // A fix without a position is no fix: the sentence contradicts itself.
    return out.quality == 0 || (out.latitude && out.longitude);
}

bool ReadRmc(const Fields& f, Rmc& out) {
    // time, status, lat, N/S, lon, E/W, speed (knots), course, date, magnetic variation,
    // E/W, then mode (2.3 on) and navigational status (4.1 on)
    if (f.size() < 11 || f.size() > 13) return false;
    char status = '\0', variationSide = '\0', mode = '\0', navStatus = '\0';
    std::optional<double> variation;
    constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const bool read =
        ReadTime(f[0], out.time) && ReadLetter(f[1], "AV", status) &&
        ReadAngle(f[2], f[3], true, out.latitude) && ReadAngle(f[4], f[5], false, out.longitude) &&
        ReadDecimal(f[6], 0.0, kMostKnots, out.speedKnots) && ReadDecimal(f[7], 0.0, 360.0, out.course) &&
        ReadDate(f[8], out.date) && ReadDecimal(f[9], 0.0, 180.0, variation) &&
        ReadLetter(f[10], "EW", variationSide) && (f.size() < 12 || ReadLetter(f[11], kLetters, mode)) &&
        (f.size() < 13 || ReadLetter(f[12], kLetters, navStatus));
    if (!read) return false;
    out.active = status == 'A';
    if (out.course) out.course = Bearing(*out.course);
    return !out.active || (out.latitude && out.longitude);
}

bool ReadGsa(const Fields& f, Gsa& out) {
    // selection (A/M), mode, 12 satellite ids, PDOP, HDOP, VDOP, then the system id (4.1 on)
    if (f.size() != 17 && f.size() != 18) return false;
    char selection = '\0';
    std::optional<int> mode;
    std::optional<double> vdop;
    if (!ReadLetter(f[0], "AM", selection) || !ReadInt(f[1], 1, 3, mode)) return false;
    out.mode = mode.value_or(1);
    out.prns.clear();
    for (size_t i = 2; i < 14; ++i) {
        std::optional<int> prn;
        if (!ReadInt(f[i], 1, 999, prn)) return false;
        if (prn) out.prns.push_back(*prn);
    }
    if (!ReadDecimal(f[14], 0.0, kMostDop, out.pdop) || !ReadDecimal(f[15], 0.0, kMostDop, out.hdop) ||
        !ReadDecimal(f[16], 0.0, kMostDop, vdop)) {
        return false;
    }
    out.systemId = -1;
    return f.size() == 17 || ReadHexId(f[17], 1, out.systemId);
}

bool ReadGsv(const Fields& f, Gsv& out) {
    // total, number, satellites in view, then up to four of (id, elevation, azimuth, SNR),
    // then the signal id (4.1 on)
    if (f.size() < 3 || (f.size() - 3) % 4 > 1 || (f.size() - 3) / 4 > 4) return false;
    std::optional<int> total, number, inView;
    if (!ReadInt(f[0], 1, 9, total) || !ReadInt(f[1], 1, 9, number) || !ReadInt(f[2], 0, 99, inView))
        return false;
    if (!total || !number || *number > *total) return false;
    out.total = *total;
    out.number = *number;
    out.inView = inView.value_or(-1);
    out.satellites.clear();
    const size_t blocks = (f.size() - 3) / 4;
    for (size_t b = 0; b < blocks; ++b) {
        const size_t at = 3 + 4 * b;
        // Some receivers pad the last message with empty blocks.
        if (f[at].empty() && f[at + 1].empty() && f[at + 2].empty() && f[at + 3].empty()) continue;
        std::optional<int> prn, elevation, azimuth, snr;
        if (!ReadInt(f[at], 1, 999, prn) || !prn || !ReadInt(f[at + 1], 0, 90, elevation) ||
            !ReadInt(f[at + 2], 0, 360, azimuth) || !ReadInt(f[at + 3], 0, 99, snr)) {
            return false;
        }
        SatelliteView view;
        view.prn = *prn;
        view.elevation = elevation.value_or(-1);
        view.azimuth = azimuth ? static_cast<int>(Bearing(*azimuth)) : -1;
        view.snr = snr.value_or(-1);
        out.satellites.push_back(view);
    }
    out.signal = -1;
    return (f.size() - 3) % 4 == 0 || ReadHexId(f.back(), 0, out.signal);
}

bool ReadVtg(const Fields& f, Vtg& out) {
    // course true, T, course magnetic, M, speed knots, N, speed km/h, K, then mode (2.3 on)
    if (f.size() != 8 && f.size() != 9) return false;
    std::optional<double> magnetic, knots;
    char mode = '\0';
    const bool read = ReadDecimal(f[0], 0.0, 360.0, out.course) && Unit(f[1], 'T') &&
                      ReadDecimal(f[2], 0.0, 360.0, magnetic) && Unit(f[3], 'M') &&
                      ReadDecimal(f[4], 0.0, kMostKnots, knots) && Unit(f[5], 'N') &&
                      ReadDecimal(f[6], 0.0, kMostKnots * kKmhPerKnot, out.speedKmh) && Unit(f[7], 'K') &&
                      (f.size() == 8 || ReadLetter(f[8], "ABCDEFGHIJKLMNOPQRSTUVWXYZ", mode));
    if (!read) return false;
    if (out.course) out.course = Bearing(*out.course);
    if (!out.speedKmh && knots) out.speedKmh = *knots * kKmhPerKnot;
    out.valid = mode != 'N';
    return true;
}

}  // namespace zort::nmea
