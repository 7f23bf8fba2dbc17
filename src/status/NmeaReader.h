#pragma once
// Reads the GNSS receiver's NMEA 0183 stream as the tracker hands it on: GGA, RMC, GSA,
// GSV and VTG from any talker (GP, GL, GN, GA, BD/GB), in pieces cut anywhere. Every
// sentence is checked whole (its checksum, the number of its fields, the range of every
// number) before anything of it is taken; a bad one is counted and skipped and the
// status keeps what the last good ones said. Lines that are no sentence (the modem's
// answers, which share the stream) are handed back to the caller. No I/O, no clock of
// its own: the caller says what time it is.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "status/GnssStatus.h"

namespace zort {

namespace nmea {
struct Gga;
struct Rmc;
struct Gsa;
struct Gsv;
struct Vtg;
}  // namespace nmea

class NmeaReader {
  public:
    using Clock = std::chrono::steady_clock;
    // A line many times longer than the longest sentence (82 characters) is not one.
    static constexpr size_t kLongestLine = 1024;
    // What a system's GSV and GSA said is forgotten when the system has been silent this
    // long (the receiver was switched off, or stopped tracking that system).
    static constexpr std::chrono::seconds kForgetAfter{5};

    struct Counts {
        uint64_t sentences = 0;  // valid sentences taken
        uint64_t malformed =
            0;  // bad checksum, fields missing or too many, a number out of range, bytes that are no text
        uint64_t unknown = 0;     // valid, but of a type the reader does not use
        uint64_t overlong = 0;    // lines dropped for being longer than kLongestLine
        uint64_t brokenSets = 0;  // GSV sets that did not arrive whole and in order
    };

    // Takes the next piece of the stream. Returns the complete lines that are not NMEA
    // sentences (not starting with '$'), without their CR LF; empty ones are dropped.
    std::vector<std::string> Feed(std::string_view bytes, Clock::time_point now);
    // One line without its line end. True when it was a valid sentence of a known type.
    bool TakeSentence(std::string_view line, Clock::time_point now);
    // Bytes may have been lost here (the channel discarded what it had): the line held
    // back is dropped without being counted, and a GSV set under way is abandoned.
    void Interrupted();

    GnssStatus Status(Clock::time_point now) const;
    const Counts& GetCounts() const { return counts; }

  private:
    // One whole GSV set: what one talker listed on one signal.
    struct ViewList {
        std::string talker;
        int signal = -1;
        std::vector<SatelliteView> satellites;
        Clock::time_point at;
    };
    // A system's satellites used in the fix, as its latest GSA named them.
    struct UsedList {
        bool heard = false;
        bool fromGroup = false;  // filled by GN GSAs that name no system
        int mode = 1;
        std::vector<int> prns;
        Clock::time_point at;
    };
    // Which GSV set a part belongs to.
    struct SetSource {
        std::string talker;
        int signal = -1;
        int total = 0;
        bool Matches(std::string_view otherTalker, int otherSignal, int otherTotal) const {
            return talker == otherTalker && signal == otherSignal && total == otherTotal;
        }
    };
    // The GSV set whose parts are coming in.
    struct SetUnderWay {
        bool gathering = false;
        SetSource source;
        int inView = -1;
        int next = 0;
        std::vector<SatelliteView> satellites;
    };
    // What the latest GGA or RMC said about the fix.
    struct FixReport {
        bool heard = false;
        bool fix = false;
        uint64_t order = 0;  // which of GGA and RMC is newer when both came at one `now`
        Clock::time_point at;
        double latitude = 0;
        double longitude = 0;
        std::optional<double> altitude;  // GGA
        std::optional<int> satellites;   // GGA
    };
    struct Motion {
        bool heard = false;
        Clock::time_point at;
        std::optional<double> speedKmh;
        std::optional<double> courseDeg;
    };
    struct Dop {
        std::optional<double> value;
        Clock::time_point at;
    };

    // Feed's pieces: runs of bytes held back, and what ends them.
    void Hold(std::string_view run);
    void EndPiece(Clock::time_point now, bool lineEnds, std::vector<std::string>& lines);
    // A line that was no sentence, or bytes lost to an overlong line: whatever was under way ends.
    void Disturbed();
    void BreakSet();
    bool TakeKnown(std::string_view type, std::string_view talker,
                   const std::vector<std::string_view>& fields, Clock::time_point now);
    void TakeGga(const nmea::Gga& gga, Clock::time_point now);
    void TakeRmc(const nmea::Rmc& rmc, Clock::time_point now);
    void TakeVtg(const nmea::Vtg& vtg, Clock::time_point now);
    void TakeGsa(std::string_view talker, const nmea::Gsa& gsa, Clock::time_point now);
    void TakeGroupGsa(const nmea::Gsa& gsa, Clock::time_point now);
    void TakeGsv(std::string_view talker, const nmea::Gsv& gsv, Clock::time_point now);
    void StartSet(std::string_view talker, const nmea::Gsv& gsv, Clock::time_point now);
    void CommitSet(Clock::time_point now);
    void FillSatellites(GnssStatus& status, Clock::time_point now) const;
    FixKind CurrentFix(Clock::time_point now) const;

    std::string partial;    // the start of a line (or of a sentence from its '$') whose end has not come
    bool dropping = false;  // the piece held back grew too long: dropped up to the next '$' or line end
    bool lineStartUnknown = false;  // bytes were lost: what comes before the next line end is a tail
    Counts counts;

    bool anySentence = false;
    uint64_t order = 0;
    bool groupOpen = false;  // the sentence before was a GN GSA that names no system
    bool quietTails = true;  // GSV parts of a set begun before the reader listened are no broken set
    std::array<bool, kGnssSystemCount> groupCleared{};
    SetUnderWay set;
    // The rest of a set already counted broken, or begun before the reader listened: its
    // parts are passed over without counting them again.
    std::optional<SetSource> passedOver;
    std::vector<ViewList> views;
    std::array<UsedList, kGnssSystemCount> used;
    FixReport gga;
    FixReport rmc;
    Motion motion;
    Dop hdop;
    Dop pdop;
    std::string utcTime;
    std::string utcDate;
    std::optional<Clock::time_point> lastFixAt;
};

}  // namespace zort
