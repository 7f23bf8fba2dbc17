#pragma once
// One second of a GPS + GLONASS receiver's NMEA 0183 output at a time: GNGGA, a GNGSA
// for GPS and one for GLONASS (told apart by their PRN ranges, 1-32 and 65-96, as
// receivers of the 2.3 standard do), three GPGSV, two GLGSV, GNRMC and GNVTG, each with
// its checksum and CR LF. The satellites drift slowly across the sky with the simulated
// clock; some are not tracked, a few are low. Deterministic: the same generator state
// gives the same bytes, so a test can rebuild what was sent.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zort::sim {

class NmeaGenerator {
  public:
    NmeaGenerator() = default;

    // The sentences of the next second; the clock then moves on one second and the
    // position a little.
    std::string NextBurst();
    int BurstsMade() const { return second; }

    // Without a fix the receiver still sees the sky but reports no position.
    void SetFix(bool on) { fix = on; }
    bool Fix() const { return fix; }

    // "$" + body + "*" + two hex digits + CR LF.
    static std::string Sentence(std::string_view body);
    // XOR of the body's bytes (between "$" and "*").
    static uint8_t Checksum(std::string_view body);
    // A whole sentence: "$", a body, "*", its correct checksum in capitals, CR LF.
    static bool Valid(std::string_view sentence);

  private:
    // A satellite as the receiver sees it in one second.
    struct SatelliteView {
        int prn = 0;
        int elevation = 0;  // degrees
        int azimuth = 0;    // degrees
        int snr = 0;        // dB-Hz; 0: not tracked, the GSV field stays empty
        bool used = false;  // in the solution, named by a GSA
    };

    std::vector<SatelliteView> Sky() const;
    std::string Gga(const std::string& time, int used) const;
    std::string Gsa(const std::vector<SatelliteView>& sky, int firstPrn, int lastPrn, int used) const;
    static std::string Gsv(const char* talker, const std::vector<SatelliteView>& sky, int firstPrn,
                           int lastPrn);
    std::string RmcAndVtg(const std::string& time) const;

    int second = 0;
    bool fix = true;
};

}  // namespace zort::sim
