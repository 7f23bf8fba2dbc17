// The NMEA reader on an arbitrary stream. The first byte chooses where the rest is cut
// and what is done with each piece (fed, taken as one sentence, or preceded by a loss),
// while the clock moves on so that forgetting is exercised too. After every step the
// status must stay within what a receiver can mean; and a second reader fed the same
// pieces must end exactly where a third fed the stream whole does.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "status/NmeaReader.h"

namespace {

using zort::FixKind;
using zort::GnssStatus;
using zort::NmeaReader;
using zort::SatelliteView;
using Clock = NmeaReader::Clock;

void Check(bool condition) {
    if (!condition) std::abort();
}

bool Finite(const std::optional<double>& value) {
    return !value || std::isfinite(*value);
}

bool Shaped(const std::string& text, std::string_view shape) {
    if (text.empty()) return true;
    if (text.size() != shape.size()) return false;
    for (size_t i = 0; i < shape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (shape[i] == '9' ? !digit : text[i] != shape[i]) return false;
    }
    return true;
}

void CheckSatellites(const GnssStatus& s) {
    std::array<int, zort::kGnssSystemCount> inView{}, used{};
    for (size_t i = 0; i < s.satellites.size(); ++i) {
        const SatelliteView& v = s.satellites[i];
        const int system = static_cast<int>(v.system);
        Check(system >= 0 && system < zort::kGnssSystemCount);
        Check(v.prn > 0 && v.prn <= 999);
        Check(v.elevation == -1 || (v.elevation >= 0 && v.elevation <= 90));
        Check(v.azimuth == -1 || (v.azimuth >= 0 && v.azimuth <= 359));
        Check(v.snr == -1 || (v.snr >= 0 && v.snr <= 99));
        if (i > 0) {
            const SatelliteView& before = s.satellites[i - 1];
            Check(before.system < v.system || (before.system == v.system && before.prn < v.prn));
        }
        ++inView[system];
        used[system] += v.used;
    }
    Check(s.satellitesInView == static_cast<int>(s.satellites.size()));
    Check(s.inViewBySystem == inView);
    int usedSum = 0;
    for (int i = 0; i < zort::kGnssSystemCount; ++i) {
        Check(s.usedBySystem[i] >= used[i] && s.usedBySystem[i] <= 64);
        usedSum += s.usedBySystem[i];
    }
    Check(s.satellitesUsed >= 0 && s.satellitesUsed <= 4 * 64);
    Check(usedSum == 0 || s.satellitesUsed == usedSum);
}

void CheckStatus(const GnssStatus& s, const NmeaReader::Counts& counts) {
    CheckSatellites(s);
    Check(s.anySentence == (counts.sentences + counts.unknown > 0));
    for (const auto& value : {s.hdop, s.pdop, s.latitude, s.longitude, s.altitude, s.speedKmh, s.courseDeg}) {
        Check(Finite(value));
    }
    Check(Finite(s.fixAgeSeconds) && (!s.fixAgeSeconds || *s.fixAgeSeconds >= 0));
    Check(s.latitude.has_value() == s.longitude.has_value());
    if (s.latitude) Check(std::fabs(*s.latitude) <= 90 && std::fabs(*s.longitude) <= 180);
    if (s.fix == FixKind::kNone) Check(!s.latitude && !s.altitude && !s.speedKmh && !s.courseDeg);
    if (s.latitude) Check(s.fixAgeSeconds.has_value());
    Check(!s.hdop || *s.hdop >= 0);
    Check(!s.pdop || *s.pdop >= 0);
    Check(!s.speedKmh || *s.speedKmh >= 0);
    Check(!s.courseDeg || (*s.courseDeg >= 0 && *s.courseDeg < 360));
    Check(Shaped(s.utcTime, "99:99:99") && Shaped(s.utcDate, "9999-99-99"));
}

void CheckLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        Check(!line.empty() && line.size() <= NmeaReader::kLongestLine);
        for (char c : line) {
            const auto byte = static_cast<unsigned char>(c);
            Check(c != '$' && (c == '\t' || (byte >= 0x20 && byte != 0x7F)));
        }
    }
}

uint64_t Taken(const NmeaReader::Counts& c) {
    return c.sentences + c.malformed + c.unknown;
}

bool SameStatus(const GnssStatus& a, const GnssStatus& b) {
    if (a.satellites.size() != b.satellites.size()) return false;
    for (size_t i = 0; i < a.satellites.size(); ++i) {
        const SatelliteView& x = a.satellites[i];
        const SatelliteView& y = b.satellites[i];
        if (x.system != y.system || x.prn != y.prn || x.elevation != y.elevation || x.azimuth != y.azimuth ||
            x.snr != y.snr || x.used != y.used) {
            return false;
        }
    }
    return a.anySentence == b.anySentence && a.fix == b.fix && a.satellitesUsed == b.satellitesUsed &&
           a.usedBySystem == b.usedBySystem && a.hdop == b.hdop && a.pdop == b.pdop &&
           a.latitude == b.latitude && a.longitude == b.longitude && a.altitude == b.altitude &&
           a.speedKmh == b.speedKmh && a.courseDeg == b.courseDeg && a.utcTime == b.utcTime &&
           a.utcDate == b.utcDate && a.fixAgeSeconds == b.fixAgeSeconds;
}

bool SameCounts(const NmeaReader::Counts& a, const NmeaReader::Counts& b) {
    return a.sentences == b.sentences && a.malformed == b.malformed && a.unknown == b.unknown &&
           a.overlong == b.overlong && a.brokenSets == b.brokenSets;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    uint32_t state = (data[0] * 2654435761u) | 1u;
    auto random = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);

    NmeaReader mixed, pieces, whole;
    std::vector<std::string> piecesLines;
    Clock::time_point now{};
    for (size_t at = 0; at < stream.size();) {
        const uint32_t r = random();
        const std::string_view piece = stream.substr(at, 1 + r % 97);
        at += piece.size();

        const NmeaReader::Counts before = mixed.GetCounts();
        switch ((r >> 8) % 16) {
            case 0:
                mixed.Interrupted();
                Check(SameCounts(mixed.GetCounts(), before));
                break;
            case 1: {
                const bool taken = mixed.TakeSentence(piece, now);
                const NmeaReader::Counts& after = mixed.GetCounts();
                Check(Taken(after) == Taken(before) + 1 && after.sentences == before.sentences + taken);
                break;
            }
            default:
                CheckLines(mixed.Feed(piece, now));
                break;
        }
        const NmeaReader::Counts& after = mixed.GetCounts();
        Check(Taken(after) >= Taken(before) && after.overlong >= before.overlong &&
              after.brokenSets >= before.brokenSets);
        now += std::chrono::milliseconds((r >> 12) % 1500);
        CheckStatus(mixed.Status(now), after);

        for (std::string& line : pieces.Feed(piece, Clock::time_point{}))
            piecesLines.push_back(std::move(line));
    }
    const std::vector<std::string> wholeLines = whole.Feed(stream, Clock::time_point{});
    CheckLines(wholeLines);
    Check(wholeLines == piecesLines);
    Check(SameCounts(whole.GetCounts(), pieces.GetCounts()));
    const GnssStatus wholeStatus = whole.Status(Clock::time_point{});
    CheckStatus(wholeStatus, whole.GetCounts());
    Check(SameStatus(wholeStatus, pieces.Status(Clock::time_point{})));
    return 0;
}
