#include "sim/NmeaGenerator.h"

#include <cstdarg>
#include <cstdio>

namespace zort::sim {
namespace {

// A fix near the tracker maker's yard, 12:00:00 UTC on 15 March 2024, drifting east.
constexpr int kStartSecondOfDay = 12 * 3600;
constexpr double kLatitudeMinutes = 55 * 60 + 45.1234;
constexpr double kLongitudeMinutes = 37 * 60 + 37.5678;
constexpr double kDriftMinutesPerSecond = 0.0003;

struct Satellite {
    int prn, elevation, azimuth, snr;
};
constexpr Satellite kSky[] = {{4, 64, 71, 42},   {5, 22, 311, 38},  {9, 47, 254, 41}, {12, 15, 36, 30},
                              {17, 33, 120, 39}, {20, 71, 182, 45}, {25, 9, 288, 0},  {28, 40, 59, 37},
                              {29, 5, 143, 0},   {31, 18, 209, 33}, {32, 27, 337, 35}};
constexpr int kSkySize = sizeof kSky / sizeof kSky[0];

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

std::string NmeaGenerator::NextBurst() {
    const int t = kStartSecondOfDay + second;
    const std::string time = Format("%02d%02d%02d.00", t / 3600 % 24, t / 60 % 60, t % 60);
    const std::string lat = Angle(kLatitudeMinutes, 2);
    const std::string lon = Angle(kLongitudeMinutes + kDriftMinutesPerSecond * second, 3);
    std::string out;
    out += Sentence("GPGGA," + time + "," + lat + ",N," + lon + ",E,1,08,0.9,145.2,M,14.4,M,,");
    out += Sentence("GPGSA,A,3,04,05,09,12,17,20,28,31,,,,,1.6,0.9,1.3");
    for (int page = 0; page < 3; ++page) {
        std::string body = Format("GPGSV,3,%d,%02d", page + 1, kSkySize);
        for (int k = page * 4; k < page * 4 + 4 && k < kSkySize; ++k) {
            const Satellite& s = kSky[k];
            body += Format(",%02d,%02d,%03d,", s.prn, s.elevation, s.azimuth);
            if (s.snr > 0) body += Format("%02d", s.snr);
        }
        out += Sentence(body);
    }
    out += Sentence("GPRMC," + time + ",A," + lat + ",N," + lon + ",E,0.12,84.3,150324,,,A");
    ++second;
    return out;
}

}  // namespace zort::sim
