// The receiver's stream as it really comes: sentences of several talkers, modem answers
// in between, pieces cut anywhere, and every way a sentence can be wrong.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "status/NmeaReader.h"

namespace zort {
namespace {

using Clock = NmeaReader::Clock;

Clock::time_point At(double seconds) {
    return Clock::time_point{} +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// The sentence with its own checksum, so that only what a case means to break is wrong.
std::string Sentence(std::string_view body) {
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X", sum);
    return "$" + std::string(body) + tail;
}

std::string Line(std::string_view body) {
    return Sentence(body) + "\r\n";
}

std::string Lines(std::initializer_list<std::string_view> bodies) {
    std::string text;
    for (std::string_view body : bodies) text += Line(body);
    return text;
}

// One second of a GPS + GLONASS receiver: two GN GSAs that do not say their system.
const std::string kBurst = Lines({
    "GNRMC,083559.00,A,5545.1234,N,03737.5678,E,0.512,77.52,150324,,,A",
    "GNVTG,77.52,T,,M,0.512,N,0.948,K,A",
    "GNGGA,083559.00,5545.1234,N,03737.5678,E,1,09,0.95,152.3,M,14.1,M,,",
    "GNGSA,A,3,02,05,13,15,18,,,,,,,,1.63,0.95,1.33",
    "GNGSA,A,3,65,71,72,81,,,,,,,,,1.63,0.95,1.33",
    "GPGSV,3,1,10,02,44,282,38,05,61,210,41,13,22,089,30,15,37,050,35",
    "GPGSV,3,2,10,18,18,160,29,20,05,320,,23,11,040,,24,59,114,22",
    "GPGSV,3,3,10,29,,,18,30,03,250,",
    "GLGSV,2,1,06,65,48,062,33,71,35,300,30,72,71,037,37,81,17,155,28",
    "GLGSV,2,2,06,82,12,210,,88,40,080,",
});

// Everything the status says, as one text to compare.
std::string Describe(const GnssStatus& s) {
    std::ostringstream out;
    out << s.anySentence << ' ' << FixKey(s.fix) << " used " << s.satellitesUsed << " view "
        << s.satellitesInView;
    for (int i = 0; i < kGnssSystemCount; ++i) out << ' ' << s.usedBySystem[i] << '/' << s.inViewBySystem[i];
    for (const SatelliteView& v : s.satellites) {
        out << ' ' << SystemKey(v.system) << v.prn << ':' << v.elevation << ',' << v.azimuth << ',' << v.snr
            << (v.used ? "u" : "");
    }
    for (const std::optional<double>& value :
         {s.hdop, s.pdop, s.latitude, s.longitude, s.altitude, s.speedKmh, s.courseDeg, s.fixAgeSeconds}) {
        out << ' ' << (value ? std::to_string(*value) : "-");
    }
    out << ' ' << s.utcTime << ' ' << s.utcDate;
    return out.str();
}

std::string DescribeCounts(const NmeaReader::Counts& c) {
    std::ostringstream out;
    out << c.sentences << '/' << c.malformed << '/' << c.unknown << '/' << c.overlong << '/' << c.brokenSets;
    return out.str();
}

std::vector<int> InView(const GnssStatus& status, GnssSystem system) {
    std::vector<int> prns;
    for (const SatelliteView& v : status.satellites) {
        if (v.system == system) prns.push_back(v.prn);
    }
    return prns;
}

std::vector<int> Used(const GnssStatus& status) {
    std::vector<int> prns;
    for (const SatelliteView& v : status.satellites) {
        if (v.used) prns.push_back(v.prn);
    }
    return prns;
}

TEST(NmeaReader, ReadsARealisticBurst) {
    NmeaReader reader;
    EXPECT_TRUE(reader.Feed(kBurst, At(0)).empty());
    EXPECT_EQ(DescribeCounts(reader.GetCounts()), "10/0/0/0/0");
    const GnssStatus s = reader.Status(At(0.5));
    EXPECT_TRUE(s.anySentence);
    EXPECT_EQ(s.fix, FixKind::k3D);
    EXPECT_EQ(s.satellitesUsed, 9);
    EXPECT_EQ(s.satellitesInView, 16);
    EXPECT_EQ(s.usedBySystem, (std::array<int, 4>{5, 4, 0, 0}));
    EXPECT_EQ(s.inViewBySystem, (std::array<int, 4>{10, 6, 0, 0}));
    EXPECT_EQ(InView(s, GnssSystem::kGps), (std::vector<int>{2, 5, 13, 15, 18, 20, 23, 24, 29, 30}));
    EXPECT_EQ(InView(s, GnssSystem::kGlonass), (std::vector<int>{65, 71, 72, 81, 82, 88}));
    EXPECT_EQ(Used(s), (std::vector<int>{2, 5, 13, 15, 18, 65, 71, 72, 81}));
    const SatelliteView& sat29 = s.satellites[8];
    EXPECT_EQ(sat29.prn, 29);
    EXPECT_EQ(sat29.elevation, -1);
    EXPECT_EQ(sat29.azimuth, -1);
    EXPECT_EQ(sat29.snr, 18);
    EXPECT_EQ(s.satellites[5].snr, -1) << "PRN 20 is not tracked";
    EXPECT_NEAR(*s.latitude, 55 + 45.1234 / 60, 1e-9);
    EXPECT_NEAR(*s.longitude, 37 + 37.5678 / 60, 1e-9);
    EXPECT_DOUBLE_EQ(*s.altitude, 152.3);
    EXPECT_DOUBLE_EQ(*s.speedKmh, 0.948) << "VTG came after RMC";
    EXPECT_DOUBLE_EQ(*s.courseDeg, 77.52);
    EXPECT_DOUBLE_EQ(*s.hdop, 0.95);
    EXPECT_DOUBLE_EQ(*s.pdop, 1.63);
    EXPECT_EQ(s.utcTime, "08:35:59");
    EXPECT_EQ(s.utcDate, "2024-03-15");
    EXPECT_DOUBLE_EQ(*s.fixAgeSeconds, 0.5);
}

TEST(NmeaSentences, ValidFormsOfEveryTalkerAreTaken) {
    const char* const forms[] = {
        "GGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,",
        "GGA,123519.00,4807.038,S,01131.000,W,2,12,0.9,-5.4,M,-46.9,M,1.2,0031",
        "GGA,,,,,,0,,,,,,,,",
        "RMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W",
        "RMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W,A",
        "RMC,123519.00,A,4807.038,N,01131.000,E,022.4,,230394,,,A,V",
        "RMC,,V,,,,,,,,,,N",
        "GSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1",
        "GSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1,1",
        "GSA,M,2,04,05,,,,,,,,,,,99.99,99.99,99.99,",
        "GSV,1,1,00",
        "GSV,1,1,00,7",
        "GSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45",
        "GSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45,1",
        "GSV,1,1,03,01,40,360,,02,,,41,12,07,344,39,,,,",
        "VTG,054.7,T,034.4,M,005.5,N,010.2,K",
        "VTG,054.7,T,034.4,M,005.5,N,010.2,K,A",
        "VTG,,T,,M,,N,,K,N",
    };
    for (const char* talker : {"GP", "GL", "GA", "BD", "GB", "GN"}) {
        for (const char* form : forms) {
            const std::string body = std::string(talker) + form;
            NmeaReader reader;
            EXPECT_TRUE(reader.TakeSentence(Sentence(body), At(0))) << body;
            EXPECT_EQ(DescribeCounts(reader.GetCounts()), "1/0/0/0/0") << body;
        }
    }
    NmeaReader reader;
    std::string lowerCase = Sentence("GPGSV,1,1,01,12,07,344,37");
    ASSERT_EQ(lowerCase.substr(lowerCase.size() - 2), "4B");
    lowerCase.back() = 'b';
    EXPECT_TRUE(reader.TakeSentence(lowerCase, At(0))) << "hex digits of either case";
}

TEST(NmeaSentences, OtherValidSentencesCountAsUnknown) {
    NmeaReader reader;
    for (const char* body :
         {"GPGLL,4916.45,N,12311.12,W,225444,A,", "GNZDA,083559.00,15,03,2024,00,00",
          "PUBX,00,083559.00,5545.1234,N", "GQGSV,1,1,01,193,40,083,46", "PMTK001,604,3", "P,1"}) {
        EXPECT_FALSE(reader.TakeSentence(Sentence(body), At(0))) << body;
    }
    EXPECT_EQ(DescribeCounts(reader.GetCounts()), "0/0/6/0/0");
    EXPECT_TRUE(reader.Status(At(0)).anySentence);
}

TEST(NmeaSentences, AnythingWrongMakesTheWholeSentenceMalformed) {
    const std::string gga = "GPGGA,083600.00,5545.2000,N,03737.6000,E,1,09,0.95,152.3,M,14.1,M,,";
    std::string wrongSum = Sentence(gga);
    wrongSum.back() = wrongSum.back() == '0' ? '1' : '0';
    const std::string missingSum = "$" + gga;
    const std::string empty15 = std::string(15, ',');
    std::string withNul = gga;
    withNul[30] = '\0';
    const struct {
        std::string line;
        const char* why;
    } cases[] = {
        {wrongSum, "checksum"},
        {missingSum, "no checksum"},
        {missingSum + "47", "no star"},
        {Sentence(gga).substr(0, Sentence(gga).size() - 1), "one hex digit"},
        {Sentence(gga) + " ", "text after the checksum"},
        {Sentence(withNul), "NUL"},
        {Sentence("GPGGA,083600.00,5545.2000,N,03737.6000,E,1,09,0.95,152.3,M,14.1,M,,\x80"),
         "byte above 0x7E"},
        {Sentence("GPGGA,083600.00,5545.2000,N,03737.6000,E,1,09,0.95,152.3,M,\t14.1,M,,"), "tab"},
        {Sentence("GPGGA,083600.00,5545.2000,N,03737.6000,E,1,09,0.95,152.3,M,14.1,M,$,"), "dollar inside"},
        {"GPGGA,083600.00,5545.2000,N,03737.6000,E,1,09,0.95,152.3,M,14.1,M,,*47", "no dollar"},
        {Sentence("gpgga,083600.00,5545.2000,N,03737.6000,E,1,09,0.95,152.3,M,14.1,M,,"),
         "lower-case address"},
        {Sentence("GPGGA,083600.00,5545.2000,N,03737.6000,E,1,09,0.95,152.3,M,14.1,M,"), "GGA field missing"},
        {Sentence(gga + ","), "GGA field too many"},
        {Sentence("GPGGA,083600.00,5560.0000,N,03737.6000,E,1,09,0.95,152.3,M,14.1,M,,"), "minutes 60"},
        {Sentence("GPGGA,083600.00,9100.0000,N,03737.6000,E,1,09,0.95,152.3,M,14.1,M,,"), "latitude 91"},
        {Sentence("GPGGA,083600.00,5545.2000,N,18100.0000,E,1,09,0.95,152.3,M,14.1,M,,"), "longitude 181"},
        {Sentence("GPGGA,083600.00,5545.2000,,03737.6000,E,1,09,0.95,152.3,M,14.1,M,,"), "no hemisphere"},
        {Sentence("GPGGA,083600.00,5545.2000,E,03737.6000,E,1,09,0.95,152.3,M,14.1,M,,"), "wrong hemisphere"},
        {Sentence("GPGGA,083600.00,,,,,1,09,0.95,152.3,M,14.1,M,,"), "fix without position"},
        {Sentence("GPGGA,083600.00,5545.2000,N,03737.6000,E,9,09,0.95,152.3,M,14.1,M,,"), "quality 9"},
        {Sentence("GPGGA,083600.00,5545.2000,N,03737.6000,E,1,09,-0.95,152.3,M,14.1,M,,"), "HDOP negative"},
        {Sentence("GPGGA,083600.00,5545.2000,N,03737.6000,E,1,09,0.95,1e2,M,14.1,M,,"), "exponent"},
        {Sentence("GPGGA,083600.00,5545.2000,N,03737.6000,E,1,09,0.95,nan,M,14.1,M,,"), "nan"},
        {Sentence("GPGGA,083600.00,5545.2000,N,03737.6000,E,1,09,0.95,1.2.3,M,14.1,M,,"), "two points"},
        {Sentence("GPGGA,246000.00,5545.2000,N,03737.6000,E,1,09,0.95,152.3,M,14.1,M,,"), "hour 24"},
        {Sentence("GPGGA,083600.00,5545.2000,N,03737.6000,E,1,09,0.95,152.3,F,14.1,M,,"), "feet"},
        {Sentence("GPRMC,083600.00,X,5545.2000,N,03737.6000,E,0.5,77.5,150324,,,A"), "RMC status"},
        {Sentence("GPRMC,083600.00,A,5545.2000,N,03737.6000,E,0.5,77.5,320324,,,A"), "day 32"},
        {Sentence("GPRMC,083600.00,A,5545.2000,N,03737.6000,E,0.5,77.5,15032,,,A"), "date of 5 digits"},
        {Sentence("GPRMC,083600.00,A,5545.2000,N,03737.6000,E,0.5,77.5,150324,"), "RMC field missing"},
        {Sentence("GPRMC,083600.00,A,5545.2000,N,03737.6000,E,0.5,77.5,150324,,,A,V,"), "RMC field too many"},
        {Sentence("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3"), "GSA field missing"},
        {Sentence("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1,1,"), "GSA field too many"},
        {Sentence("GPGSA,A,4,04,05,,09,12,,,24,,,,,2.5,1.3,2.1"), "mode 4"},
        {Sentence("GPGSA,A,3,00,05,,09,12,,,24,,,,,2.5,1.3,2.1"), "GSA PRN 0"},
        {Sentence("GNGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1,0"), "system id 0"},
        {Sentence("GPGSA,A,1" + empty15.substr(1)), "GSA of 16 fields"},
        {Sentence("GPGSV,1,1,01,12,95,344,39"), "elevation 95"},
        {Sentence("GPGSV,1,1,01,12,07,361,39"), "azimuth 361"},
        {Sentence("GPGSV,1,1,01,12,07,344,-4"), "SNR -4"},
        {Sentence("GPGSV,1,1,01,12,07,344,100"), "SNR 100"},
        {Sentence("GPGSV,1,1,01,00,07,344,39"), "GSV PRN 0"},
        {Sentence("GPGSV,1,1,01,,07,344,39"), "values without a PRN"},
        {Sentence("GPGSV,2,3,01,12,07,344,39"), "message 3 of 2"},
        {Sentence("GPGSV,0,0,01,12,07,344,39"), "total 0"},
        {Sentence("GPGSV,10,1,01,12,07,344,39"), "total 10"},
        {Sentence("GPGSV,1,1,01,12,07,344,39,1,2"), "a field too many"},
        {Sentence("GPGSV,1,1,01,12,07,344"), "a field missing"},
        {Sentence("GPGSV,1,1,05,01,1,1,1,02,1,1,1,03,1,1,1,04,1,1,1,05,1,1,1"), "five satellites"},
        {Sentence("GPGSV,1,1,01,12,07,344,39,G"), "signal id G"},
        {Sentence("GPVTG,054.7,T,034.4,M,005.5,N,010.2"), "VTG field missing"},
        {Sentence("GPVTG,054.7,T,034.4,M,-005.5,N,010.2,K,A"), "negative speed"},
        {Sentence("GPVTG,054.7,X,034.4,M,005.5,N,010.2,K,A"), "unit letter"},
        {"$*00", "no address"},
    };
    for (const auto& c : cases) {
        NmeaReader reader;
        reader.Feed(kBurst, At(0));
        const std::string before = Describe(reader.Status(At(1)));
        EXPECT_FALSE(reader.TakeSentence(c.line, At(1))) << c.why;
        EXPECT_EQ(DescribeCounts(reader.GetCounts()), "10/1/0/0/0") << c.why;
        EXPECT_EQ(Describe(reader.Status(At(1))), before) << c.why;
    }
}

TEST(NmeaStream, PiecesCutAnywhereGiveWhatTheWholeBurstGives) {
    const std::string stream = "\r\n+CSQ: 20,0\r\n\r\nOK\r\n" + kBurst +
                               Line("GPGLL,4916.45,N,12311.12,W,225444,A,") + "$GPGGA,bad*00\r\n" +
                               "\r\n+CREG: 0,1\r\n";
    NmeaReader whole;
    const std::vector<std::string> wholeLines = whole.Feed(stream, At(0));
    EXPECT_EQ(wholeLines, (std::vector<std::string>{"+CSQ: 20,0", "OK", "+CREG: 0,1"}));
    const std::string expected = Describe(whole.Status(At(0))) + DescribeCounts(whole.GetCounts());
    EXPECT_EQ(DescribeCounts(whole.GetCounts()), "10/1/1/0/0");
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        NmeaReader reader;
        std::vector<std::string> lines = reader.Feed(std::string_view(stream).substr(0, cut), At(0));
        for (std::string& line : reader.Feed(std::string_view(stream).substr(cut), At(0))) {
            lines.push_back(line);
        }
        EXPECT_EQ(lines, wholeLines) << "cut at " << cut;
        EXPECT_EQ(Describe(reader.Status(At(0))) + DescribeCounts(reader.GetCounts()), expected)
            << "cut at " << cut;
    }
    NmeaReader byteByByte;
    for (char c : stream) byteByByte.Feed(std::string_view(&c, 1), At(0));
    EXPECT_EQ(Describe(byteByByte.Status(At(0))) + DescribeCounts(byteByByte.GetCounts()), expected);
}

TEST(NmeaStream, LinesThatAreNoSentence) {
    const std::string gga = Sentence("GPGGA,083600.00,5545.2000,N,03737.6000,E,1,09,0.95,152.3,M,14.1,M,,");
    std::string withNul = "+CSQ: 20\r\n";
    withNul[6] = '\0';
    const struct {
        std::string stream;
        std::vector<std::string> handedBack;
        const char* counts;
        const char* why;
    } cases[] = {
        {gga + "\r", {}, "1/0/0/0/0", "a lone CR ends a sentence"},
        {"OK\r\n", {"OK"}, "0/0/0/0/0", "an answer"},
        {"\r\nCONNECT\rOK\n", {"CONNECT", "OK"}, "0/0/0/0/0", "CR and LF each end a line"},
        {withNul + gga + "\n", {}, "1/1/0/0/0", "bytes that are no text"},
        {"\xfe\x01garbage" + gga + "\r\n", {}, "1/1/0/0/0", "garbage in front of a sentence"},
        {gga + gga + "\r\n", {}, "2/0/0/0/0", "a line end lost between two sentences"},
        {"$GPGGA,0836" + gga + "\r\n", {}, "1/1/0/0/0", "a sentence cut short by the next"},
        {std::string(10000, 'x') + "\r\n" + gga + "\r\n", {}, "1/0/0/1/0", "10 000 bytes without a line end"},
        {std::string(10000, 'x') + gga + "\r\n", {}, "1/0/0/1/0", "10 000 bytes right before a sentence"},
        {"$" + std::string(5000, 'A') + "\r\nOK\r\n", {"OK"}, "0/0/0/1/0", "an overlong sentence"},
        {std::string(NmeaReader::kLongestLine, 'y') + "\n",
         {std::string(NmeaReader::kLongestLine, 'y')},
         "0/0/0/0/0",
         "the longest line kept"},
    };
    for (const auto& c : cases) {
        NmeaReader reader;
        std::vector<std::string> lines;
        // In pieces of 7 bytes, so that the long lines also come in many pieces.
        for (size_t at = 0; at < c.stream.size(); at += 7) {
            for (std::string& line : reader.Feed(std::string_view(c.stream).substr(at, 7), At(0))) {
                lines.push_back(line);
            }
        }
        EXPECT_EQ(lines, c.handedBack) << c.why;
        EXPECT_EQ(DescribeCounts(reader.GetCounts()), c.counts) << c.why;
    }
}

TEST(NmeaStream, InterruptedDropsTheLineHeldBackAndItsTail) {
    NmeaReader reader;
    reader.Feed("$GPGGA,083600.00,5545.2000,N,0373", At(0));
    reader.Interrupted();
    const auto lines = reader.Feed("7.6000,E,1,09,0.95,152.3,M,14.1,M,,*47\r\n\r\n+CSQ: 20,0\r\n", At(0));
    EXPECT_EQ(lines, (std::vector<std::string>{"+CSQ: 20,0"}));
    EXPECT_EQ(DescribeCounts(reader.GetCounts()), "0/0/0/0/0");
    EXPECT_FALSE(reader.Status(At(0)).anySentence);
}

TEST(NmeaGsvSets, OnlyAWholeSetReplacesTheList) {
    const std::string one = Line("GPGSV,2,1,05,01,40,083,46,02,17,308,41,03,07,344,39,04,22,228,45");
    const std::string two = Line("GPGSV,2,2,05,05,10,100,30");
    const std::string other = Line("GPGSV,2,2,06,05,10,100,30");
    const std::string three = Line("GPGSV,3,1,09,01,40,083,46,02,17,308,41,03,07,344,39,04,22,228,45");
    const std::string threeB = Line("GPGSV,3,2,09,05,40,083,46,06,17,308,41,08,07,344,39,09,22,228,45");
    const std::string threeC = Line("GPGSV,3,3,09,10,40,083,46");
    const std::string gga = Line("GPGGA,083600.00,5545.2000,N,03737.6000,E,1,09,0.95,152.3,M,14.1,M,,");
    const std::string glonass = Line("GLGSV,1,1,01,65,40,083,46");
    const struct {
        std::string stream;
        bool interrupt;  // between the first and the second half of the stream
        std::string rest;
        std::vector<int> gps;
        int broken;
        const char* why;
    } cases[] = {
        {one, false, two, {1, 2, 3, 4, 5}, 0, "whole"},
        {one,
         false,
         "\r\n+CSQ: 20,0\r\n" + two,
         {1, 2, 3, 4, 5},
         0,
         "a modem answer is no part of the receiver's set"},
        {one + gga, false, two, {7}, 1, "another sentence in between"},
        {one + glonass, false, two, {7}, 1, "another talker in between"},
        {one + "$GPGSV,2,2,05,05*00\r\n", false, two, {7}, 1, "a bad part in between"},
        {two, false, one, {7}, 1, "parts out of order"},
        {one + one, false, two, {1, 2, 3, 4, 5}, 1, "first part twice: the second starts afresh"},
        {three + threeC, false, threeB, {7}, 1, "third before second: counted once"},
        {one + other, false, "", {7}, 1, "the count of satellites changed"},
        {three + threeB + threeB, false, threeC, {7}, 1, "a part repeated"},
        {one, true, two, {7}, 0, "abandoned when bytes were lost"},
        {"", true, threeB + threeC + one + two, {1, 2, 3, 4, 5}, 0, "tail of a set begun before the loss"},
    };
    for (const auto& c : cases) {
        NmeaReader reader;
        reader.Feed(Line("GPGSV,1,1,01,07,40,083,46"), At(0));
        reader.Feed(c.stream, At(0));
        if (c.interrupt) reader.Interrupted();
        reader.Feed(c.rest, At(0));
        EXPECT_EQ(InView(reader.Status(At(0)), GnssSystem::kGps), c.gps) << c.why;
        EXPECT_EQ(reader.GetCounts().brokenSets, static_cast<uint64_t>(c.broken)) << c.why;
    }
    NmeaReader fresh;
    fresh.Feed(threeB + threeC + glonass, At(0));
    EXPECT_EQ(fresh.GetCounts().brokenSets, 0u) << "the reader began listening in the middle of a set";
}

TEST(NmeaGsvSets, SignalsOfOneSatelliteAreOneSatellite) {
    NmeaReader reader;
    reader.Feed(Lines({"GPGSV,1,1,02,05,40,083,,12,10,100,30,1", "GPGSV,1,1,02,05,40,083,44,12,10,100,20,8"}),
                At(0));
    const GnssStatus s = reader.Status(At(0));
    ASSERT_EQ(s.satellitesInView, 2);
    EXPECT_EQ(s.satellites[0].snr, 44);
    EXPECT_EQ(s.satellites[1].snr, 30);
}

TEST(NmeaGsa, EachSystemKeepsItsOwnUsedList) {
    NmeaReader reader;
    reader.Feed(kBurst, At(0));
    // Next second GLONASS is no longer used: its GSA of the pair is empty.
    reader.Feed(Lines({"GNGSA,A,3,02,05,13,,,,,,,,,,1.63,0.95,1.33", "GNGSA,A,3,,,,,,,,,,,,,1.63,0.95,1.33"}),
                At(1));
    GnssStatus s = reader.Status(At(1));
    EXPECT_EQ(s.usedBySystem, (std::array<int, 4>{3, 0, 0, 0}));
    EXPECT_EQ(Used(s), (std::vector<int>{2, 5, 13}));

    // With the system id each GSA names its own; Galileo's does not touch GPS's.
    reader.Feed(Lines({"GNGSA,A,3,02,05,,,,,,,,,,,1.6,0.9,1.3,1", "GNGSA,A,3,65,71,,,,,,,,,,,1.6,0.9,1.3,2",
                       "GNGSA,A,3,05,11,,,,,,,,,,,1.6,0.9,1.3,3", "GNGSA,A,3,,,,,,,,,,,,,1.6,0.9,1.3,4",
                       "GAGSV,1,1,02,05,40,083,46,11,10,100,30"}),
                At(2));
    s = reader.Status(At(2));
    EXPECT_EQ(s.usedBySystem, (std::array<int, 4>{2, 2, 2, 0}));
    EXPECT_EQ(s.satellitesUsed, 6);
    EXPECT_EQ(Used(s), (std::vector<int>{2, 5, 65, 71, 5, 11}));

    // A GSA that names its system is not undone by GN GSAs that name none, unless
    // they name its satellites.
    NmeaReader mixed;
    mixed.Feed(Lines({"GPGSA,A,3,02,05,,,,,,,,,,,1.6,0.9,1.3", "GNGSA,A,3,65,71,,,,,,,,,,,1.6,0.9,1.3"}),
               At(0));
    EXPECT_EQ(mixed.Status(At(0)).usedBySystem, (std::array<int, 4>{2, 2, 0, 0}));
    mixed.Feed(Lines({"GNGGA,083601.00,5545.1234,N,03737.5678,E,1,03,0.95,152.3,M,14.1,M,,",
                      "GNGSA,A,3,13,,,,,,,,,,,,1.6,0.9,1.3"}),
               At(1));
    EXPECT_EQ(mixed.Status(At(1)).usedBySystem, (std::array<int, 4>{1, 0, 0, 0}));

    NmeaReader noGsa;
    noGsa.Feed(Line("GPGGA,083600.00,5545.2000,N,03737.6000,E,1,07,0.95,152.3,M,14.1,M,,"), At(0));
    EXPECT_EQ(noGsa.Status(At(0)).satellitesUsed, 7) << "GGA's count without a GSA";
}

TEST(NmeaFix, TheNewestWordOnTheFixHolds) {
    const std::string gsa3 = "GPGSA,A,3,02,05,13,,,,,,,,,,1.6,0.9,1.3";
    const std::string gsa2 = "GPGSA,A,2,02,05,13,,,,,,,,,,1.6,0.9,1.3";
    const std::string gsa1 = "GPGSA,A,1,,,,,,,,,,,,,,,";
    const std::string ggaAlt = "GPGGA,083600.00,5545.2000,N,03737.6000,E,1,09,0.95,152.3,M,14.1,M,,";
    const std::string ggaFlat = "GPGGA,083600.00,5545.2000,N,03737.6000,E,1,09,0.95,,,,,,";
    const std::string ggaNone = "GPGGA,083600.00,,,,,0,03,,,,,,,";
    const std::string rmcA = "GPRMC,083600.00,A,5545.2000,N,03737.6000,E,0.5,77.5,150324,,,A";
    const std::string rmcV = "GPRMC,083600.00,V,,,,,,,150324,,,N";
    const struct {
        std::vector<std::string> bodies;
        FixKind fix;
        bool position;
    } cases[] = {
        {{gsa3}, FixKind::k3D, false},
        {{ggaAlt}, FixKind::k3D, true},
        {{ggaFlat}, FixKind::k2D, true},
        {{rmcA}, FixKind::k2D, true},
        {{gsa3, ggaNone}, FixKind::kNone, false},
        {{gsa3, ggaAlt, rmcV}, FixKind::kNone, false},
        {{ggaNone, rmcA}, FixKind::k2D, true},
        {{rmcV, ggaAlt}, FixKind::k3D, true},
        {{gsa2, ggaAlt}, FixKind::k2D, true},
        {{gsa1, ggaAlt}, FixKind::kNone, false},
        {{gsa2, "GLGSA,A,3,65,71,,,,,,,,,,,1.6,0.9,1.3", rmcA}, FixKind::k3D, true},
    };
    for (const auto& c : cases) {
        NmeaReader reader;
        for (const std::string& body : c.bodies) reader.Feed(Line(body), At(0));
        const GnssStatus s = reader.Status(At(0));
        EXPECT_EQ(FixKey(s.fix), FixKey(c.fix)) << c.bodies.back();
        EXPECT_EQ(s.latitude.has_value(), c.position) << c.bodies.back();
        EXPECT_EQ(s.longitude.has_value(), c.position) << c.bodies.back();
    }
}

TEST(NmeaFix, ValuesAndTheirUnits) {
    NmeaReader reader;
    reader.Feed(Line("GPRMC,235960.123,A,3351.0000,S,15112.6000,W,10.0,360.0,010199,,,A"), At(0));
    GnssStatus s = reader.Status(At(0));
    EXPECT_DOUBLE_EQ(*s.latitude, -(33 + 51.0 / 60));
    EXPECT_DOUBLE_EQ(*s.longitude, -(151 + 12.6 / 60));
    EXPECT_DOUBLE_EQ(*s.speedKmh, 18.52) << "knots";
    EXPECT_DOUBLE_EQ(*s.courseDeg, 0.0) << "360 is north";
    EXPECT_EQ(s.utcTime, "23:59:60") << "leap second";
    EXPECT_EQ(s.utcDate, "1999-01-01");
    EXPECT_FALSE(s.altitude) << "RMC has none";
    reader.Feed(Line("GPRMC,000001,A,3351.0000,S,15112.6000,W,,,010100,,,A"), At(1));
    s = reader.Status(At(1));
    EXPECT_EQ(s.utcDate, "2000-01-01");
    EXPECT_FALSE(s.speedKmh);
    EXPECT_FALSE(s.courseDeg);
}

TEST(NmeaFix, WhatIsNotHeardForFiveSecondsIsForgotten) {
    NmeaReader reader;
    EXPECT_FALSE(reader.Status(At(0)).fixAgeSeconds) << "no fix seen yet";
    reader.Feed(kBurst, At(0));
    reader.Feed(Line("GLGSV,1,1,01,65,48,062,33"), At(3));
    reader.Feed(Line("GNGGA,083602.00,,,,,0,00,,,,,,,"), At(2));
    EXPECT_EQ(reader.Status(At(5)).satellitesInView, 11) << "nothing of it is older than five seconds";

    const GnssStatus s = reader.Status(At(7.5));
    EXPECT_EQ(s.fix, FixKind::kNone);
    EXPECT_EQ(InView(s, GnssSystem::kGlonass), (std::vector<int>{65}));
    EXPECT_TRUE(InView(s, GnssSystem::kGps).empty());
    EXPECT_EQ(s.satellitesUsed, 0);
    EXPECT_FALSE(s.hdop);
    EXPECT_FALSE(s.latitude);
    EXPECT_EQ(s.utcTime, "08:36:02") << "the last time heard stays";
    EXPECT_DOUBLE_EQ(*s.fixAgeSeconds, 7.5);

    const GnssStatus off = reader.Status(At(9));
    EXPECT_EQ(off.satellitesInView, 0);
    EXPECT_TRUE(off.anySentence);
}

}  // namespace
}  // namespace zort
