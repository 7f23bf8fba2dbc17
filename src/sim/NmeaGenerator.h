#pragma once
// One second of a GNSS receiver's NMEA 0183 output at a time: GGA, GSA, three GSV and
// RMC sentences, each with its checksum and CR LF. Deterministic: the same generator
// state gives the same bytes, so a test can rebuild what was sent.

#include <cstdint>
#include <string>
#include <string_view>

namespace zort::sim {

class NmeaGenerator {
  public:
    NmeaGenerator() = default;

    // The sentences of the next second; the clock then moves on one second and the
    // position a little.
    std::string NextBurst();
    int BurstsMade() const { return second; }

    // "$" + body + "*" + two hex digits + CR LF.
    static std::string Sentence(std::string_view body);
    // XOR of the body's bytes (between "$" and "*").
    static uint8_t Checksum(std::string_view body);
    // A whole sentence: "$", a body, "*", its correct checksum in capitals, CR LF.
    static bool Valid(std::string_view sentence);

  private:
    int second = 0;
};

}  // namespace zort::sim
