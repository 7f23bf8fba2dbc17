#pragma once
// One NMEA sentence taken apart: the frame check, the fields split at commas, and every
// field read strictly. A field that is there must be a number in range (or the letter
// it has to be); an empty field is the receiver saying it does not know, never an error.
// The sentence readers fill plain values and say false when anything is wrong, so the
// reader can take a sentence whole or not at all.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "status/GnssStatus.h"

namespace zort::nmea {

using Fields = std::vector<std::string_view>;

struct Frame {
    std::string_view address;  // "GPGGA", "PUBX"
    Fields fields;             // those after the address
};

// The sentence's frame: '$', printable text without '$' or '*', '*' and the checksum in
// two hex digits of either case. nullopt when any of it is wrong.
std::optional<Frame> ReadFrame(std::string_view line);

// The field readers are true when the field is empty (out stays nullopt) or valid.
bool ReadInt(std::string_view field, int least, int most, std::optional<int>& out);
bool ReadDecimal(std::string_view field, double least, double most, std::optional<double>& out);
// "ddmm.mmmm" with N/S, or "dddmm.mmmm" with E/W: both fields empty, or both valid.
bool ReadAngle(std::string_view value, std::string_view hemisphere, bool latitude,
               std::optional<double>& out);
// "hhmmss[.sss]" as "hh:mm:ss"; "ddmmyy" as "yyyy-mm-dd". Empty out for an empty field.
bool ReadTime(std::string_view field, std::string& out);
bool ReadDate(std::string_view field, std::string& out);
// One letter out of `allowed`; '\0' for an empty field.
bool ReadLetter(std::string_view field, std::string_view allowed, char& out);

struct Gga {
    std::string time;
    std::optional<double> latitude;
    std::optional<double> longitude;
    int quality = 0;  // 0 no fix
    std::optional<int> satellites;
    std::optional<double> hdop;
    std::optional<double> altitude;
};

struct Rmc {
    std::string time;
    std::string date;
    bool active = false;  // status A
    std::optional<double> latitude;
    std::optional<double> longitude;
    std::optional<double> speedKnots;
    std::optional<double> course;
};

struct Gsa {
    int mode = 1;  // 1 no fix, 2 2D, 3 3D
    std::vector<int> prns;
    std::optional<double> pdop;
    std::optional<double> hdop;
    int systemId = -1;  // -1 when the field is not there or empty
};

struct Gsv {
    int total = 0;
    int number = 0;
    int inView = -1;                        // the receiver's own count; -1 when empty
    int signal = -1;                        // -1 when the field is not there or empty
    std::vector<SatelliteView> satellites;  // system left to the caller
};

struct Vtg {
    bool valid = true;  // mode N says the data are not valid
    std::optional<double> course;
    std::optional<double> speedKmh;
};

bool ReadGga(const Fields& fields, Gga& out);
bool ReadRmc(const Fields& fields, Rmc& out);
bool ReadGsa(const Fields& fields, Gsa& out);
bool ReadGsv(const Fields& fields, Gsv& out);
bool ReadVtg(const Fields& fields, Vtg& out);

inline constexpr double kKmhPerKnot = 1.852;

}  // namespace zort::nmea
