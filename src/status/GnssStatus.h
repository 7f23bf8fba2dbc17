#pragma once
// What the GNSS receiver's stream says about the sky and the fix, as one value: the
// reader builds it, the status view and the command line show it.

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace zort {

enum class GnssSystem { kGps = 0, kGlonass = 1, kGalileo = 2, kBeidou = 3 };
inline constexpr int kGnssSystemCount = 4;

enum class FixKind { kNone, k2D, k3D };

struct SatelliteView {
    GnssSystem system = GnssSystem::kGps;
    int prn = 0;         // as the receiver numbers it (GLONASS 65-96 in most receivers)
    int elevation = -1;  // degrees 0-90; -1 when the receiver gave none
    int azimuth = -1;    // degrees 0-359 from true north; -1 when none
    int snr = -1;        // dB-Hz 0-99; -1 when the satellite is not tracked
    bool used = false;   // named by the system's latest GSA as used in the fix
};

struct GnssStatus {
    bool anySentence = false;  // a valid sentence arrived since the reader started
    FixKind fix = FixKind::kNone;
    // Satellites used in the fix: from the GSA lists when there are any, else GGA's count.
    int satellitesUsed = 0;
    int satellitesInView = 0;
    std::array<int, kGnssSystemCount> usedBySystem{};    // by GnssSystem
    std::array<int, kGnssSystemCount> inViewBySystem{};  // by GnssSystem
    // In view, by system, then by PRN.
    std::vector<SatelliteView> satellites;
    std::optional<double> hdop;
    std::optional<double> pdop;
    std::optional<double> latitude;   // degrees, north positive
    std::optional<double> longitude;  // degrees, east positive
    std::optional<double> altitude;   // metres above mean sea level
    std::optional<double> speedKmh;
    std::optional<double> courseDeg;  // over ground, from true north
    std::string utcTime;              // "12:00:05", empty when not known
    std::string utcDate;              // "2024-03-15", empty when not known
    // Seconds since the last sentence that carried a valid fix; none when no fix was seen.
    std::optional<double> fixAgeSeconds;
};

// "GPS", "ГЛОНАСС", "Galileo", "BeiDou" for the view; "GPS", "GLONASS", "Galileo",
// "BeiDou" for scripts (JSON).
const char* SystemName(GnssSystem system);
const char* SystemKey(GnssSystem system);
// "нет", "2D", "3D"; and "none", "2d", "3d" for scripts.
const char* FixName(FixKind fix);
const char* FixKey(FixKind fix);

}  // namespace zort
