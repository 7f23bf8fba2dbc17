#include "sim/NmeaGenerator.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace zort::sim {
namespace {

// A fix near the tracker maker's yard, 12:00:00 UTC on 15 March 2024, drifting east.
constexpr int kStartSecondOfDay = 12 * 3600;
constexpr int kStartDay = 15;
constexpr double kLatitudeMinutes = 55 * 60 + 45.1234;
constexpr double kLongitudeMinutes = 37 * 60 + 37.5678;
constexpr double kDriftMinutesPerSecond = 0.0003;
constexpr double kMetresPerMinuteOfLatitude = 1852.0;
constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600;
constexpr double kPi = 3.14159265358979323846;

// The receiver's solution takes a satellite only above its elevation mask and with a
// signal it can hold; the GSA sentence has room for 12 per system.
constexpr int kElevationMask = 10;
constexpr int kUsedSnr = 20;
constexpr int kGsaSlots = 12;
constexpr int kSatellitesPerGsv = 4;

// Where each satellite stands at the start. A zero SNR is a satellite in view that the
// receiver does not track (behind a building, or just risen).
struct Satellite {
    int prn, elevation, azimuth, snr;
};
constexpr Satellite kSky[] = {
    // GPS
    {4, 64, 71, 42},
    {5, 22, 311, 38},
    {9, 47, 254, 41},
    {12, 15, 36, 30},
    {17, 33, 120, 39},
    {20, 71, 182, 45},
    {25, 9, 288, 0},
    {28, 40, 59, 37},
    {29, 5, 143, 24},
    {31, 18, 209, 33},
    {32, 27, 337, 0},
    // GLONASS
    {65, 38, 290, 36},
    {66, 12, 342, 27},
    {72, 56, 95, 40},
    {73, 7, 28, 21},
    {80, 24, 201, 0},
    {81, 69, 247, 43},
    {82, 19, 158, 16},
};

// Real passes take hours; these swing a few degrees in elevation within an hour or so
// and creep in azimuth, which is slow enough to look real and quick enough to watch.
constexpr double kElevationSwing = 3.0;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char buf[160];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    return buf;
}

// ddmm.mmmm / dddmm.mmmm as NMEA writes angles.
std::string Angle(double minutes, int degreeDigits) {
    const int degrees = static_cast<int>(minutes / 60);
    return Format("%0*d%07.4f", degreeDigits, degrees, minutes - degrees * 60.0);
}

bool InRange(int prn, int first, int last) {
    return prn >= first && prn <= last;
}

// A dilution of precision that shrinks as satellites join the solution, as it does
// for a sky with satellites spread all around.
double Hdop(int used) {
    return used > 0 ? 0.5 + 5.0 / used : 0;
}

double GroundSpeedMetresPerSecond() {
    const double latitude = kLatitudeMinutes / 60 * kPi / 180;
    return kDriftMinutesPerSecond * kMetresPerMinuteOfLatitude * std::cos(latitude);
}

}  // namespace

uint8_t NmeaGenerator::Checksum(std::string_view body) {
    uint8_t sum = 0;
    for (char c : body) sum ^= static_cast<uint8_t>(c);
    return sum;
}

std::string NmeaGenerator::Sentence(std::string_view body) {
    return "$" + std::string(body) + Format("*%02X\r\n", Checksum(body));
}

bool NmeaGenerator::Valid(std::string_view s) {
    if (s.size() < 6 || s.front() != '$' || s.substr(s.size() - 2) != "\r\n") return false;
    const size_t star = s.size() - 5;
    if (s[star] != '*') return false;
    const std::string_view body = s.substr(1, star - 1);
    if (body.find_first_of("$*\r\n") != std::string_view::npos) return false;
    return Format("%02X", Checksum(body)) == s.substr(star + 1, 2);
}

std::vector<NmeaGenerator::SatelliteView> NmeaGenerator::Sky() const {
    std::vector<SatelliteView> sky;
    int usedGps = 0, usedGlonass = 0;
    for (const Satellite& s : kSky) {
        SatelliteView v;
        v.prn = s.prn;
        const double period = 2400.0 + 150.0 * (s.prn % 13);
        v.elevation = static_cast<int>(
            std::lround(s.elevation + kElevationSwing * std::sin(2 * kPi * second / period + s.prn)));
        const double azimuthRate = (s.prn % 2 ? 1 : -1) * (0.004 + 0.001 * (s.prn % 5));
        v.azimuth = (static_cast<int>(std::lround(s.azimuth + azimuthRate * second)) % 360 + 360) % 360;
        if (s.snr > 0) {
            // Stronger as it climbs, and never quite steady from one second to the next.
            const int jitter =
                static_cast<int>((static_cast<uint32_t>(s.prn * 1000 + second) * 2654435761u) >> 30) % 3 - 1;
            v.snr = s.snr + static_cast<int>(std::lround(0.3 * (v.elevation - s.elevation))) + jitter;
            // Without a fix the receiver is still hunting: faint signals, low ones lost.
            if (!fix) v.snr = v.elevation < 20 ? 0 : v.snr / 3;
        }
        int& usedHere = InRange(s.prn, 1, 32) ? usedGps : usedGlonass;
        v.used = fix && v.snr >= kUsedSnr && v.elevation >= kElevationMask && usedHere < kGsaSlots;
        if (v.used) ++usedHere;
        sky.push_back(v);
    }
    return sky;
}

std::string NmeaGenerator::Gga(const std::string& time, int used) const {
    if (!fix) return Sentence("GNGGA," + time + ",,,,,0,00,,,M,,M,,");
    const std::string lat = Angle(kLatitudeMinutes, 2);
    const std::string lon = Angle(kLongitudeMinutes + kDriftMinutesPerSecond * second, 3);
    return Sentence("GNGGA," + time + "," + lat + ",N," + lon + ",E,1," +
                    Format("%02d,%.2f", used, Hdop(used)) + ",145.2,M,14.4,M,,");
}

std::string NmeaGenerator::Gsa(const std::vector<SatelliteView>& sky, int firstPrn, int lastPrn,
                               int used) const {
    std::string body = fix ? "GNGSA,A,3" : "GNGSA,A,1";
    int slots = 0;
    for (const SatelliteView& v : sky) {
        if (v.used && InRange(v.prn, firstPrn, lastPrn)) {
            body += Format(",%02d", v.prn);
            ++slots;
        }
    }
    for (; slots < kGsaSlots; ++slots) body += ',';
    if (!fix) return Sentence(body + ",,,");
    // One solution over both systems: both sentences carry its figures.
    const double hdop = Hdop(used);
    const double pdop = hdop * 1.6;
    return Sentence(body + Format(",%.2f,%.2f,%.2f", pdop, hdop, std::sqrt(pdop * pdop - hdop * hdop)));
}

std::string NmeaGenerator::Gsv(const char* talker, const std::vector<SatelliteView>& sky, int firstPrn,
                               int lastPrn) {
    std::vector<const SatelliteView*> inView;
    for (const SatelliteView& v : sky) {
        if (InRange(v.prn, firstPrn, lastPrn)) inView.push_back(&v);
    }
    const int count = static_cast<int>(inView.size());
    const int messages = count > 0 ? (count + kSatellitesPerGsv - 1) / kSatellitesPerGsv : 1;
    std::string out;
    for (int m = 0; m < messages; ++m) {
        std::string body = Format("%sGSV,%d,%d,%02d", talker, messages, m + 1, count);
        for (int k = m * kSatellitesPerGsv; k < (m + 1) * kSatellitesPerGsv && k < count; ++k) {
            const SatelliteView& v = *inView[k];
            body += Format(",%02d,%02d,%03d,", v.prn, v.elevation, v.azimuth);
            if (v.snr > 0) body += Format("%02d", v.snr);
        }
        out += Sentence(body);
    }
    return out;
}

std::string NmeaGenerator::RmcAndVtg(const std::string& time) const {
    const int day = kStartDay + (kStartSecondOfDay + second) / 86400;
    const std::string date = Format("%02d0324", day);
    if (!fix)
        return Sentence("GNRMC," + time + ",V,,,,,,," + date + ",,,N") + Sentence("GNVTG,,T,,M,,N,,K,N");
    const std::string lat = Angle(kLatitudeMinutes, 2);
    const std::string lon = Angle(kLongitudeMinutes + kDriftMinutesPerSecond * second, 3);
    const double metresPerSecond = GroundSpeedMetresPerSecond();
    const std::string knots = Format("%.2f", metresPerSecond / kMetresPerSecondPerKnot);
    const std::string course = "90.0";  // due east, as the position drifts
    return Sentence("GNRMC," + time + ",A," + lat + ",N," + lon + ",E," + knots + "," + course + "," + date +
                    ",,,A") +
           Sentence("GNVTG," + course + ",T,,M," + knots + ",N," + Format("%.2f", metresPerSecond * 3.6) +
                    ",K,A");
}

std::string NmeaGenerator::NextBurst() {
    const int t = kStartSecondOfDay + second;
    const std::string time = Format("%02d%02d%02d.00", t / 3600 % 24, t / 60 % 60, t % 60);
    const std::vector<SatelliteView> sky = Sky();
    int used = 0;
    for (const SatelliteView& v : sky) used += v.used;
    std::string out = Gga(time, used);
    out += Gsa(sky, 1, 32, used);
    out += Gsa(sky, 65, 96, used);
    out += Gsv("GP", sky, 1, 32);
    out += Gsv("GL", sky, 65, 96);
    out += RmcAndVtg(time);
    ++second;
    return out;
}

}  // namespace zort::sim
