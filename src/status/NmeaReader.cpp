#include "status/NmeaReader.h"

#include <algorithm>

#include "status/NmeaFields.h"

// How the stream is cut into pieces:
// - CR and LF each end a line, so a sentence is taken as soon as its CR comes and a CR
//   LF pair cut between two pieces leaves only an empty line, which is dropped.
// - '$' always starts a new piece. The receiver never puts one inside a sentence and
//   the modem never sends one, so it is the surest place to pick the stream up again:
//   two sentences glued together by a lost line end are both taken, and garbage in
//   front of a sentence (counted malformed) does not cost the sentence. For the same
//   reason a piece that grew past kLongestLine is dropped only up to the next '$'.
// - After Interrupted() the bytes up to the next line end are the tail of a line whose
//   start was lost: dropped without being counted, and never handed back as an answer.
// - A line that is no sentence is handed back only when it is text (no control byte
//   but TAB; the modem may send Windows-1251 letters); otherwise it is counted malformed.

namespace zort {

namespace {

using Clock = NmeaReader::Clock;

// A run of GN GSAs could name any number of satellites; no constellation has more.
constexpr size_t kMostUsedPerSystem = 64;

bool Current(Clock::time_point at, Clock::time_point now) {
    return now - at <= NmeaReader::kForgetAfter;
}

size_t Index(GnssSystem system) {
    return static_cast<size_t>(system);
}

// The system a talker speaks for; nullopt for GN (all of them) and for talkers not read.
std::optional<GnssSystem> TalkerSystem(std::string_view talker) {
    if (talker == "GP") return GnssSystem::kGps;
    if (talker == "GL") return GnssSystem::kGlonass;
    if (talker == "GA") return GnssSystem::kGalileo;
    if (talker == "BD" || talker == "GB") return GnssSystem::kBeidou;
    return std::nullopt;
}

// Where the talker is GN and nothing else says, the id tells: 1-32 GPS, 33-64 SBAS
// (shown with GPS, whose receivers track them), 65-96 GLONASS; anything else with GPS.
GnssSystem SystemOfPrn(int prn) {
    return prn >= 65 && prn <= 96 ? GnssSystem::kGlonass : GnssSystem::kGps;
}

bool IsAddress(std::string_view address) {
    if (address.size() != 5) return false;
    return std::all_of(address.begin(), address.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

bool IsText(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return c == '\t' || (byte >= 0x20 && byte != 0x7F);
    });
}

void AddUsed(std::vector<int>& prns, int prn) {
    if (prns.size() < kMostUsedPerSystem && std::find(prns.begin(), prns.end(), prn) == prns.end()) {
        prns.push_back(prn);
    }
}

}  // namespace

std::vector<std::string> NmeaReader::Feed(std::string_view bytes, Clock::time_point now) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t stop = bytes.find_first_of("\r\n$", at);
        Hold(bytes.substr(at, stop == bytes.npos ? bytes.npos : stop - at));
        if (stop == bytes.npos) break;
        const bool dollar = bytes[stop] == '$';
        EndPiece(now, !dollar, lines);
        if (dollar) Hold("$");
        at = stop + 1;
    }
    return lines;
}

void NmeaReader::Hold(std::string_view run) {
    if (dropping || run.empty()) return;
    if (partial.size() + run.size() > kLongestLine) {
        ++counts.overlong;
        partial.clear();
        dropping = true;
        Disturbed();
        return;
    }
    // Reserved once, so the piece held back never takes more than kLongestLine.
    if (partial.capacity() < kLongestLine) partial.reserve(kLongestLine);
    partial.append(run);
}

void NmeaReader::EndPiece(Clock::time_point now, bool lineEnds, std::vector<std::string>& lines) {
    const bool tail = lineStartUnknown;
    lineStartUnknown = false;
    dropping = false;
    if (partial.empty()) return;
    if (partial.front() == '$') {
        TakeSentence(partial, now);
    } else if (tail) {
        // The rest of a line whose start was lost: no answer, and nothing to count.
    } else if (lineEnds && IsText(partial)) {
        lines.push_back(partial);
    } else {
        ++counts.malformed;
        Disturbed();
    }
    partial.clear();
}

void NmeaReader::Interrupted() {
    partial.clear();
    dropping = false;
    lineStartUnknown = true;
    set.gathering = false;
    set.satellites.clear();
    passedOver.reset();
    quietTails = true;
    groupOpen = false;
}

void NmeaReader::Disturbed() {
    BreakSet();
    groupOpen = false;
}

void NmeaReader::BreakSet() {
    if (set.gathering) {
        ++counts.brokenSets;
        passedOver = set.source;
        set.gathering = false;
        set.satellites.clear();
    }
    quietTails = false;
}

bool NmeaReader::TakeSentence(std::string_view line, Clock::time_point now) {
    const std::optional<nmea::Frame> frame = nmea::ReadFrame(line);
    const bool proprietary = frame && !frame->address.empty() && frame->address[0] == 'P';
    if (!frame || (!proprietary && !IsAddress(frame->address))) {
        ++counts.malformed;
        Disturbed();
        return false;
    }
    const std::string_view talker = proprietary ? std::string_view() : frame->address.substr(0, 2);
    const std::string_view type = proprietary ? std::string_view() : frame->address.substr(2);
    const bool knownTalker = talker == "GN" || TalkerSystem(talker);
    const bool knownType = type == "GGA" || type == "RMC" || type == "GSA" || type == "GSV" || type == "VTG";
    if (proprietary || !knownTalker || !knownType) {
        ++counts.unknown;
        anySentence = true;
        Disturbed();
        return false;
    }
    if (!TakeKnown(type, talker, frame->fields, now)) {
        ++counts.malformed;
        Disturbed();
        return false;
    }
    ++counts.sentences;
    anySentence = true;
    return true;
}

bool NmeaReader::TakeKnown(std::string_view type, std::string_view talker,
                           const std::vector<std::string_view>& fields, Clock::time_point now) {
    if (type == "GSV") {
        nmea::Gsv gsv;
        if (!nmea::ReadGsv(fields, gsv)) return false;
        groupOpen = false;
        TakeGsv(talker, gsv, now);
    } else if (type == "GSA") {
        nmea::Gsa gsa;
        if (!nmea::ReadGsa(fields, gsa)) return false;
        BreakSet();
        TakeGsa(talker, gsa, now);
    } else if (type == "GGA") {
        nmea::Gga gga;
        if (!nmea::ReadGga(fields, gga)) return false;
        Disturbed();
        TakeGga(gga, now);
    } else if (type == "RMC") {
        nmea::Rmc rmc;
        if (!nmea::ReadRmc(fields, rmc)) return false;
        Disturbed();
        TakeRmc(rmc, now);
    } else {
        nmea::Vtg vtg;
        if (!nmea::ReadVtg(fields, vtg)) return false;
        Disturbed();
        TakeVtg(vtg, now);
    }
    return true;
}

void NmeaReader::TakeGga(const nmea::Gga& sentence, Clock::time_point now) {
    gga = FixReport{};
    gga.heard = true;
    gga.fix = sentence.quality > 0;
    gga.order = ++order;
    gga.at = now;
    gga.satellites = sentence.satellites;
    if (gga.fix) {
        gga.latitude = *sentence.latitude;
        gga.longitude = *sentence.longitude;
        gga.altitude = sentence.altitude;
        lastFixAt = now;
    }
    if (!sentence.time.empty()) utcTime = sentence.time;
    if (sentence.hdop) hdop = Dop{sentence.hdop, now};
}

void NmeaReader::TakeRmc(const nmea::Rmc& sentence, Clock::time_point now) {
    rmc = FixReport{};
    rmc.heard = true;
    rmc.fix = sentence.active;
    rmc.order = ++order;
    rmc.at = now;
    if (rmc.fix) {
        rmc.latitude = *sentence.latitude;
        rmc.longitude = *sentence.longitude;
        lastFixAt = now;
        motion = Motion{true, now, std::nullopt, sentence.course};
        if (sentence.speedKnots) motion.speedKmh = *sentence.speedKnots * nmea::kKmhPerKnot;
    }
    if (!sentence.time.empty()) utcTime = sentence.time;
    if (!sentence.date.empty()) utcDate = sentence.date;
}

void NmeaReader::TakeVtg(const nmea::Vtg& sentence, Clock::time_point now) {
    if (sentence.valid) motion = Motion{true, now, sentence.speedKmh, sentence.course};
}

void NmeaReader::TakeGsa(std::string_view talker, const nmea::Gsa& gsa, Clock::time_point now) {
    if (gsa.pdop) pdop = Dop{gsa.pdop, now};
    if (gsa.hdop) hdop = Dop{gsa.hdop, now};
    std::optional<GnssSystem> system = TalkerSystem(talker);
    if (!system && gsa.systemId >= 1 && gsa.systemId <= kGnssSystemCount) {
        system = static_cast<GnssSystem>(gsa.systemId - 1);
    }
    if (!system && gsa.systemId < 0) {
        TakeGroupGsa(gsa, now);
        return;
    }
    groupOpen = false;
    // A system the status does not show (QZSS, NavIC) has nothing more to give.
    if (!system) return;
    UsedList& list = used[Index(*system)];
    list = UsedList{true, false, gsa.mode, {}, now};
    for (int prn : gsa.prns) AddUsed(list.prns, prn);
}

// Receivers that send a GN GSA per system without saying which send them back to back.
// The first of such a run starts afresh the lists it feeds (and those nothing else
// feeds, so that a GSA of no satellites still says none is used); each satellite goes
// to the system its id belongs to, so each GSA of the run updates only its own system.
void NmeaReader::TakeGroupGsa(const nmea::Gsa& gsa, Clock::time_point now) {
    if (!groupOpen) {
        groupOpen = true;
        groupCleared.fill(false);
        for (size_t s = 0; s < kGnssSystemCount; ++s) {
            UsedList& list = used[s];
            if (list.heard && !list.fromGroup && Current(list.at, now)) continue;
            list = UsedList{true, true, gsa.mode, {}, now};
            groupCleared[s] = true;
        }
    }
    for (int prn : gsa.prns) {
        const size_t s = Index(SystemOfPrn(prn));
        UsedList& list = used[s];
        if (!groupCleared[s]) {
            list = UsedList{true, true, gsa.mode, {}, now};
            groupCleared[s] = true;
        }
        list.mode = gsa.mode;
        list.at = now;
        AddUsed(list.prns, prn);
    }
}

void NmeaReader::TakeGsv(std::string_view talker, const nmea::Gsv& gsv, Clock::time_point now) {
    if (set.gathering) {
        if (set.source.Matches(talker, gsv.signal, gsv.total) && set.inView == gsv.inView &&
            gsv.number == set.next) {
            set.satellites.insert(set.satellites.end(), gsv.satellites.begin(), gsv.satellites.end());
            ++set.next;
            if (gsv.number == gsv.total) CommitSet(now);
            return;
        }
        BreakSet();
    }
    if (gsv.number == 1) {
        StartSet(talker, gsv, now);
        return;
    }
    if (passedOver && passedOver->Matches(talker, gsv.signal, gsv.total)) return;
    // A part whose first part never came: a broken set, unless it began before the
    // reader listened (or before bytes were lost).
    if (!quietTails) ++counts.brokenSets;
    passedOver = SetSource{std::string(talker), gsv.signal, gsv.total};
}

void NmeaReader::StartSet(std::string_view talker, const nmea::Gsv& gsv, Clock::time_point now) {
    quietTails = false;
    if (passedOver && passedOver->Matches(talker, gsv.signal, gsv.total)) passedOver.reset();
    set.gathering = true;
    set.source = SetSource{std::string(talker), gsv.signal, gsv.total};
    set.inView = gsv.inView;
    set.next = 2;
    set.satellites = gsv.satellites;
    if (gsv.total == 1) CommitSet(now);
}

void NmeaReader::CommitSet(Clock::time_point now) {
    set.gathering = false;
    const SetSource& source = set.source;
    const std::optional<GnssSystem> system = TalkerSystem(source.talker);
    for (SatelliteView& view : set.satellites) view.system = system ? *system : SystemOfPrn(view.prn);
    std::erase_if(views, [&](const ViewList& list) {
        return (list.talker == source.talker && list.signal == source.signal) || !Current(list.at, now);
    });
    views.push_back(ViewList{source.talker, source.signal, std::move(set.satellites), now});
    set.satellites.clear();
}

namespace {

// The newer of what GGA and RMC said, if either is still current.
template <typename Report>
const Report* NewestReport(const Report& gga, const Report& rmc, Clock::time_point now) {
    const Report* newest = nullptr;
    for (const Report* report : {&gga, &rmc}) {
        if (report->heard && Current(report->at, now) && (!newest || report->order > newest->order)) {
            newest = report;
        }
    }
    return newest;
}

}  // namespace

FixKind NmeaReader::CurrentFix(Clock::time_point now) const {
    const FixReport* newest = NewestReport(gga, rmc, now);
    if (newest && !newest->fix) return FixKind::kNone;
    int mode = 0;
    for (const UsedList& list : used) {
        if (list.heard && Current(list.at, now)) mode = std::max(mode, list.mode);
    }
    if (mode > 0) return mode == 3 ? FixKind::k3D : mode == 2 ? FixKind::k2D : FixKind::kNone;
    if (!newest) return FixKind::kNone;
    const bool altitude = gga.heard && gga.fix && Current(gga.at, now) && gga.altitude;
    return altitude ? FixKind::k3D : FixKind::k2D;
}

void NmeaReader::FillSatellites(GnssStatus& status, Clock::time_point now) const {
    std::vector<SatelliteView> all;
    for (const ViewList& list : views) {
        if (Current(list.at, now)) all.insert(all.end(), list.satellites.begin(), list.satellites.end());
    }
    std::sort(all.begin(), all.end(), [](const SatelliteView& a, const SatelliteView& b) {
        return a.system != b.system ? a.system < b.system : a.prn < b.prn;
    });
    // A satellite heard on several signals (or listed twice) is one satellite, shown
    // with its strongest signal.
    std::vector<SatelliteView>& merged = status.satellites;
    for (const SatelliteView& view : all) {
        if (merged.empty() || merged.back().system != view.system || merged.back().prn != view.prn) {
            merged.push_back(view);
            continue;
        }
        SatelliteView& same = merged.back();
        if (same.elevation < 0) same.elevation = view.elevation;
        if (same.azimuth < 0) same.azimuth = view.azimuth;
        same.snr = std::max(same.snr, view.snr);
    }

    bool anyGsa = false;
    for (size_t s = 0; s < kGnssSystemCount; ++s) {
        if (!used[s].heard || !Current(used[s].at, now)) continue;
        anyGsa = true;
        status.usedBySystem[s] = static_cast<int>(used[s].prns.size());
        status.satellitesUsed += status.usedBySystem[s];
    }
    for (SatelliteView& view : merged) {
        const UsedList& list = used[Index(view.system)];
        view.used = list.heard && Current(list.at, now) &&
                    std::find(list.prns.begin(), list.prns.end(), view.prn) != list.prns.end();
        ++status.inViewBySystem[Index(view.system)];
    }
    status.satellitesInView = static_cast<int>(merged.size());
    // Without a GSA only GGA's count is known, and not how it splits between systems.
    if (!anyGsa && gga.heard && Current(gga.at, now)) status.satellitesUsed = gga.satellites.value_or(0);
}

GnssStatus NmeaReader::Status(Clock::time_point now) const {
    GnssStatus status;
    status.anySentence = anySentence;
    FillSatellites(status, now);
    status.fix = CurrentFix(now);
    const FixReport* newest = NewestReport(gga, rmc, now);
    // A fix that only GSA reports (GGA and RMC silent) has no position to show.
    if (status.fix != FixKind::kNone && newest && newest->fix) {
        status.latitude = newest->latitude;
        status.longitude = newest->longitude;
        if (gga.heard && gga.fix && Current(gga.at, now)) status.altitude = gga.altitude;
        if (motion.heard && Current(motion.at, now)) {
            status.speedKmh = motion.speedKmh;
            status.courseDeg = motion.courseDeg;
        }
    }
    if (hdop.value && Current(hdop.at, now)) status.hdop = hdop.value;
    if (pdop.value && Current(pdop.at, now)) status.pdop = pdop.value;
    status.utcTime = utcTime;
    status.utcDate = utcDate;
    if (lastFixAt)
        status.fixAgeSeconds = std::max(0.0, std::chrono::duration<double>(now - *lastFixAt).count());
    return status;
}

}  // namespace zort
