#include "status/ModemStatus.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "link/Cp1251.h"

namespace zort {
namespace {

// An answer is read line by line. Only lines ended by CR or LF count: the tail after the
// last line end is still arriving, and a figure cut in the middle ("+CSQ: 2" of "+CSQ: 21")
// or an ICCID missing its last digits must not be taken for the whole. When several lines
// answer the same question (an unsolicited "+CREG: 1" in front of the answer to AT+CREG?),
// the last one is the freshest and decides.

constexpr size_t kMaxSmallNumberDigits = 3;
constexpr size_t kMaxOperatorBytes = 128;
constexpr size_t kMinIccidDigits = 18;
constexpr size_t kMaxIccidDigits = 22;
constexpr size_t kMaxBalanceCode = 20;
constexpr std::string_view kUssdTag = "+CUSD:";

template <typename Value>
struct Named {
    Value value;
    const char* text;
    const char* key;                 // for scripts
    std::string_view cpinCode = {};  // the state's word in "+CPIN: <code>"
};

// The unknown value has no entry: its text is kNoData and its key is empty.
template <typename Value, size_t N>
const Named<Value>* NameOf(const Named<Value> (&names)[N], Value value) {
    const auto* found = std::ranges::find(names, value, &Named<Value>::value);
    return found == std::end(names) ? nullptr : found;
}

constexpr Named<Registration> kRegistrationNames[] = {
    {Registration::kHome, "домашняя сеть", "home"},
    {Registration::kRoaming, "роуминг", "roaming"},
    {Registration::kSearching, "поиск сети", "searching"},
    {Registration::kDenied, "регистрация отклонена", "denied"},
    {Registration::kNotRegistered, "нет регистрации", "not_registered"},
};

// "+CPIN: NOT INSERTED" is how some modems say there is no card. "NOT READY" is not read
// as absent: modems also say it while the card is still starting up. "SIM PIN2" and
// "SIM PUK2" only concern the second code and say nothing of the card.
constexpr Named<SimState> kSimStateNames[] = {
    {SimState::kReady, "готова", "ready", "READY"},
    {SimState::kPinNeeded, "нужен PIN-код", "pin", "SIM PIN"},
    {SimState::kPukNeeded, "нужен PUK-код", "puk", "SIM PUK"},
    {SimState::kAbsent, "нет SIM-карты", "absent", "NOT INSERTED"},
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

size_t SkipBlanks(std::string_view s, size_t i) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    return i;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> CompleteLines(std::string_view answer) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < answer.size(); ++i) {
        if (!IsLineEnd(answer[i])) continue;
        const std::string_view line = Trim(answer.substr(start, i - start));
        if (!line.empty()) lines.push_back(line);
        start = i + 1;
    }
    return lines;
}

// What follows `tag` on the last complete line that starts with it.
std::optional<std::string_view> LastTagged(std::string_view answer, std::string_view tag) {
    std::optional<std::string_view> found;
    for (const std::string_view line : CompleteLines(answer)) {
        if (line.starts_with(tag)) found = Trim(line.substr(tag.size()));
    }
    return found;
}

// A small unsigned decimal, as the modem writes its codes: no sign, at most three digits.
std::optional<int> SmallNumber(std::string_view s) {
    if (s.empty() || s.size() > kMaxSmallNumberDigits || !std::ranges::all_of(s, IsDigit))
        return std::nullopt;
    int value = 0;
    for (const char c : s) value = value * 10 + (c - '0');
    return value;
}

struct Field {
    std::string_view text;
    bool quoted = false;
};

// Comma-separated parameters; a quoted one runs to the next quote, so it may hold commas.
// Nothing when a quote is not closed or something other than a comma follows it.
std::optional<std::vector<Field>> SplitFields(std::string_view s) {
    std::vector<Field> fields;
    size_t i = 0;
    while (true) {
        i = SkipBlanks(s, i);
        Field field;
        if (i < s.size() && s[i] == '"') {
            const size_t close = s.find('"', i + 1);
            if (close == std::string_view::npos) return std::nullopt;
            field = {s.substr(i + 1, close - i - 1), true};
            i = SkipBlanks(s, close + 1);
            if (i < s.size() && s[i] != ',') return std::nullopt;
        } else {
            const size_t comma = std::min(s.find(',', i), s.size());
            field = {Trim(s.substr(i, comma - i)), false};
            i = comma;
        }
        fields.push_back(field);
        if (i >= s.size()) return fields;
        ++i;  // the comma
    }
}

std::optional<int> UnquotedNumber(const Field& field) {
    return field.quoted ? std::nullopt : SmallNumber(field.text);
}

bool IsHexField(const Field& field) {
    return !field.text.empty() && field.text.size() <= 8 && std::ranges::all_of(field.text, IsHexDigit);
}

void AppendUtf8(std::string& out, char32_t cp) {
    constexpr unsigned char kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
    const int extra = cp < 0x80 ? 0 : cp < 0x800 ? 1 : cp < 0x10000 ? 2 : 3;
    out += static_cast<char>(kLead[extra] | (cp >> (6 * extra)));
    for (int k = extra - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((cp >> (6 * k)) & 0x3F));
}

// GSM, UTRAN, E-UTRAN and the rest of the 3GPP list, 0 to 9.
bool IsAccessTechnology(const Field& field) {
    return UnquotedNumber(field).value_or(10) <= 9;
}

// Big-endian UCS2 code units written as four hex digits each.
std::optional<std::u16string> HexUnits(std::string_view hex) {
    if (hex.empty() || hex.size() % 4 != 0 || !std::ranges::all_of(hex, IsHexDigit)) return std::nullopt;
    std::u16string units;
    for (size_t i = 0; i < hex.size(); i += 4) {
        unsigned unit = 0;
        std::from_chars(hex.data() + i, hex.data() + i + 4, unit, 16);
        units += static_cast<char16_t>(unit);
    }
    return units;
}

// Surrogate pairs become one character, a half without its partner becomes U+FFFD, and
// U+0000 (padding some networks leave at the end) is dropped, so the text is always
// valid UTF-8 and never cut short by a zero when shown.
std::string UnitsToUtf8(const std::u16string& units) {
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (u == 0) continue;
        if ((u & 0xFC00) == 0xD800 && i + 1 < units.size() && (units[i + 1] & 0xFC00) == 0xDC00) {
            AppendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(units[i + 1]) - 0xDC00));
            ++i;
        } else if ((u & 0xF800) == 0xD800) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

// The characters an operator's message is written in: line breaks, Latin with its
// Western European letters, Cyrillic (with the letters of the neighbouring languages),
// typographic punctuation, currency signs and the numero sign.
bool IsTextUnit(char16_t u) {
    return u == '\r' || u == '\n' || (u >= 0x20 && u <= 0x7E) || (u >= 0xA0 && u <= 0xFF) ||
           (u >= 0x0400 && u <= 0x052F) || (u >= 0x2010 && u <= 0x2027) || (u >= 0x2030 && u <= 0x205E) ||
           (u >= 0x20A0 && u <= 0x20C0) || u == 0x2116;
}

// A text given with no coding, or with a coding that does not say UCS2, is still taken
// for UCS2 hex when it plainly is: at least two whole four-digit characters and every
// one of them a character a message is written in. A modem set to the UCS2 character
// set answers this way while reporting the network's coding (often 15). Hex that decodes
// to anything else ("12345678" would be U+1234 U+5678) stays text.
std::optional<std::string> PlainUcs2(std::string_view text) {
    if (text.size() < 8) return std::nullopt;
    const auto units = HexUnits(text);
    if (!units || !std::ranges::all_of(*units, IsTextUnit)) return std::nullopt;
    return UnitsToUtf8(*units);
}

// Cell-broadcast data coding, which USSD uses: the general data coding group 01xx with
// the alphabet bits 3..2 = 10 is UCS2 (72 = 0x48 is what the networks send).
bool CodingIsUcs2(int dcs) {
    return (dcs & 0xC0) == 0x40 && (dcs & 0x0C) == 0x08;
}

// Text from the modem: UCS2 hex when the coding says so or it plainly is, otherwise
// Windows-1251 bytes. Hex the coding promises but that does not decode is taken as text:
// some modems decode the message themselves and still pass the network's coding on.
std::string DecodeModemText(std::string_view raw, std::optional<int> dcs) {
    if (dcs && CodingIsUcs2(*dcs)) {
        if (const auto units = HexUnits(raw)) return UnitsToUtf8(*units);
    } else if (auto text = PlainUcs2(raw)) {
        return *std::move(text);
    }
    return Cp1251ToUtf8(raw);
}

// After `at`: blanks, then a line end. A line end that has not arrived yet does not count.
bool LineEndsAt(std::string_view s, size_t at) {
    at = SkipBlanks(s, at);
    return at < s.size() && IsLineEnd(s[at]);
}

// Reads digits at `i` (moving it) as a small number.
std::optional<int> NumberAt(std::string_view s, size_t& i) {
    const size_t first = i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    return SmallNumber(s.substr(first, i - first));
}

enum class Progress { kArriving, kMalformed, kWhole };

struct UssdRecord {
    Progress progress = Progress::kArriving;
    UssdAnswer answer;
};

// The message itself may hold line breaks, commas and quotes, so it ends at the first
// quote followed by the line end, or by ",<dcs>" and the line end. Until such a quote
// comes, the message is still arriving.
UssdRecord ReadUssdText(std::string_view s, size_t i, int status) {
    const size_t first = i;
    for (size_t quote = s.find('"', first); quote != std::string_view::npos; quote = s.find('"', quote + 1)) {
        size_t j = SkipBlanks(s, quote + 1);
        std::optional<int> dcs;
        if (j < s.size() && s[j] == ',') {
            j = SkipBlanks(s, j + 1);
            dcs = NumberAt(s, j);
            if (!dcs) continue;
        }
        if (!LineEndsAt(s, j)) continue;
        if (dcs && *dcs > 255) return {Progress::kMalformed, {}};
        const std::string_view raw = s.substr(first, quote - first);
        return {Progress::kWhole, {status, DecodeModemText(raw, dcs)}};
    }
    return {};
}

// One "+CUSD:" record starting at `i`, just after the tag.
UssdRecord ReadUssd(std::string_view s, size_t i) {
    i = SkipBlanks(s, i);
    const auto status = NumberAt(s, i);
    i = SkipBlanks(s, i);
    if (i >= s.size()) return {};
    if (!status || *status > 5) return {Progress::kMalformed, {}};
    if (IsLineEnd(s[i])) return {Progress::kWhole, {*status, {}}};
    if (s[i] != ',') return {Progress::kMalformed, {}};
    i = SkipBlanks(s, i + 1);
    if (i >= s.size()) return {};
    if (s[i] != '"') return {Progress::kMalformed, {}};
    return ReadUssdText(s, i + 1, *status);
}

// Every "+CUSD:" record that starts a line, in order.
template <typename Visit>
void ForEachUssd(std::string_view answer, Visit visit) {
    for (size_t at = answer.find(kUssdTag); at != std::string_view::npos;
         at = answer.find(kUssdTag, at + 1)) {
        size_t before = at;
        while (before > 0 && IsBlank(answer[before - 1])) --before;
        if (before > 0 && !IsLineEnd(answer[before - 1])) continue;
        visit(ReadUssd(answer, at + kUssdTag.size()));
    }
}

bool IsErrorResult(std::string_view line) {
    return line == "ERROR" || line.starts_with("+CME ERROR") || line.starts_with("+CMS ERROR");
}

// Quotes allowed around it; one trailing 'F' is the filler of the card's BCD storage, not
// part of the number printed on the card and kept by the operator, so it is dropped.
std::optional<std::string> IccidOf(std::string_view id) {
    id = Trim(id);
    if (id.size() >= 2 && id.front() == '"' && id.back() == '"') id = Trim(id.substr(1, id.size() - 2));
    if (!id.empty() && (id.back() == 'F' || id.back() == 'f')) id.remove_suffix(1);
    const bool fits = id.size() >= kMinIccidDigits && id.size() <= kMaxIccidDigits;
    if (!fits || !std::ranges::all_of(id, IsDigit)) return std::nullopt;
    return std::string(id);
}

// Modems differ in the case of their verbose error texts.
bool EqualsNoCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::ranges::equal(a, b, {}, lower, lower);
}

// No control characters, and not 0x98, which the code page leaves undefined.
bool IsPrintableCp1251(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x20 && b != 0x7F && b != 0x98;
}

}  // namespace

// rssi to bars, as a phone draws them:
//   0-2   (-113..-109 dBm) 0 bars: at the edge of reception, calls and data drop
//   3-6   (-107..-101 dBm) 1 bar
//   7-11  ( -99.. -91 dBm) 2 bars
//   12-16 ( -89.. -81 dBm) 3 bars
//   17-21 ( -79.. -71 dBm) 4 bars
//   22-31 ( -69.. -51 dBm) 5 bars
std::optional<SignalQuality> ParseSignal(std::string_view answer) {
    const auto rest = LastTagged(answer, "+CSQ:");
    if (!rest) return std::nullopt;
    const auto fields = SplitFields(*rest);
    if (!fields || fields->size() != 2) return std::nullopt;
    const auto rssi = UnquotedNumber((*fields)[0]);
    const auto ber = UnquotedNumber((*fields)[1]);
    if (!rssi || *rssi > 31 || !ber || (*ber > 7 && *ber != 99)) return std::nullopt;
    constexpr int kBarFloor[] = {3, 7, 12, 17, 22};
    int bars = 0;
    for (const int floor : kBarFloor) {
        if (*rssi >= floor) ++bars;
    }
    return SignalQuality{*rssi, -113 + 2 * *rssi, bars};
}

// Two unquoted numbers are "<n>,<stat>"; the unsolicited form writes its location in
// quotes right after the status, "<stat>,\"<lac>\",\"<ci>\"[,<act>]", and the answer to
// AT+CREG? puts it after both numbers, "<n>,<stat>,\"<lac>\",\"<ci>\"[,<act>]".
Registration ParseRegistration(std::string_view answer) {
    const auto rest = LastTagged(answer, "+CREG:");
    if (!rest) return Registration::kUnknown;
    const auto fields = SplitFields(*rest);
    if (!fields) return Registration::kUnknown;
    const std::vector<Field>& f = *fields;
    size_t statAt = 0;
    if (f.size() >= 2 && !f[1].quoted) {
        const auto n = UnquotedNumber(f[0]);
        if (!n || *n > 2) return Registration::kUnknown;
        statAt = 1;
    }
    const size_t location = f.size() - statAt - 1;  // fields after the status
    if (location != 0 && location != 2 && location != 3) return Registration::kUnknown;
    if (location >= 2 && (!IsHexField(f[statAt + 1]) || !IsHexField(f[statAt + 2]))) {
        return Registration::kUnknown;
    }
    if (location == 3 && !IsAccessTechnology(f[statAt + 3])) return Registration::kUnknown;
    // The modem's own "unknown" (4) is ours too.
    constexpr Registration kByStat[] = {Registration::kNotRegistered, Registration::kHome,
                                        Registration::kSearching,     Registration::kDenied,
                                        Registration::kUnknown,       Registration::kRoaming};
    const auto stat = UnquotedNumber(f[statAt]);
    return stat && *stat < 6 ? kByStat[*stat] : Registration::kUnknown;
}

const char* RegistrationText(Registration registration) {
    const auto* name = NameOf(kRegistrationNames, registration);
    return name ? name->text : kNoData;
}

const char* RegistrationKey(Registration registration) {
    const auto* name = NameOf(kRegistrationNames, registration);
    return name ? name->key : "";
}

// A modem set to the UCS2 character set writes the name as hex; that is read like a USSD
// text with no coding. An empty name, or one broken over lines, is no name to show.
std::optional<std::string> ParseOperator(std::string_view answer) {
    const auto rest = LastTagged(answer, "+COPS:");
    if (!rest) return std::nullopt;
    const auto fields = SplitFields(*rest);
    if (!fields) return std::nullopt;
    const std::vector<Field>& f = *fields;
    const auto mode = UnquotedNumber(f[0]);
    if (!mode || *mode > 4) return std::nullopt;
    if (f.size() == 1) return std::string();
    if (f.size() != 3 && f.size() != 4) return std::nullopt;
    const auto format = UnquotedNumber(f[1]);
    if (!format || *format > 2 || !f[2].quoted) return std::nullopt;
    if (f.size() == 4 && !IsAccessTechnology(f[3])) return std::nullopt;
    const std::string_view raw = f[2].text;
    const bool printable = std::ranges::all_of(raw, IsPrintableCp1251);
    if (raw.empty() || raw.size() > kMaxOperatorBytes || !printable) return std::nullopt;
    std::string name = DecodeModemText(raw, std::nullopt);
    if (std::ranges::any_of(name, [](char c) { return c == '\r' || c == '\n'; })) return std::nullopt;
    if (*format == 2) {
        // The network's code: three digits of country and two or three of network.
        if (name.size() < 5 || name.size() > 6 || !std::ranges::all_of(name, IsDigit)) return std::nullopt;
    }
    return name;
}

SimState ParseSimState(std::string_view answer) {
    SimState state = SimState::kUnknown;
    for (const std::string_view line : CompleteLines(answer)) {
        if (line.starts_with("+CPIN:")) {
            const std::string_view code = Trim(line.substr(6));
            const auto* name = std::ranges::find(kSimStateNames, code, &Named<SimState>::cpinCode);
            state = name == std::end(kSimStateNames) ? SimState::kUnknown : name->value;
        } else if (line.starts_with("+CME ERROR:")) {
            const std::string_view code = Trim(line.substr(11));
            const bool absent = code == "10" || EqualsNoCase(code, "SIM not inserted");
            state = absent ? SimState::kAbsent : SimState::kUnknown;
        } else if (line == "ERROR") {
            state = SimState::kUnknown;
        }
    }
    return state;
}

const char* SimStateText(SimState state) {
    const auto* name = NameOf(kSimStateNames, state);
    return name ? name->text : kNoData;
}

const char* SimStateKey(SimState state) {
    const auto* name = NameOf(kSimStateNames, state);
    return name ? name->key : "";
}

// A tagged line wins over a bare one; a bare line must be the number alone, so neither
// the echo "AT+CCID" nor a 15-digit IMEI is taken for it.
std::optional<std::string> ParseIccid(std::string_view answer) {
    std::optional<std::string_view> tagged;
    std::optional<std::string> bare;
    for (const std::string_view line : CompleteLines(answer)) {
        for (const std::string_view tag : {"+CCID:", "+ICCID:"}) {
            if (line.starts_with(tag)) tagged = line.substr(tag.size());
        }
        if (auto id = IccidOf(line)) bare = std::move(id);
    }
    if (tagged) return IccidOf(*tagged);
    return bare;
}

std::string BalanceCode(std::string_view trackerCode) {
    constexpr const char* kDefaultCode = "*100#";
    const auto usable = [](char c) { return IsDigit(c) || c == '*' || c == '#'; };
    if (trackerCode.empty() || trackerCode.size() > kMaxBalanceCode || trackerCode == "00000" ||
        !std::ranges::all_of(trackerCode, usable)) {
        return kDefaultCode;
    }
    return std::string(trackerCode);
}

std::string AtBalanceRequest(std::string_view code) {
    return "AT+CUSD=1,\"" + std::string(code) + "\",15\r\n";
}

std::optional<UssdAnswer> ParseUssd(std::string_view answer) {
    std::optional<UssdAnswer> found;
    ForEachUssd(answer, [&found](UssdRecord record) {
        if (record.progress == Progress::kWhole) found = std::move(record.answer);
    });
    return found;
}

// The modem says OK as soon as it has sent the request; the network's answer comes
// seconds later as +CUSD, so only that or an error ends the wait. A +CUSD line that is
// whole but cannot be read ends it too: waiting longer would not mend it.
bool HasUssdAnswer(std::string_view answer) {
    if (std::ranges::any_of(CompleteLines(answer), IsErrorResult)) return true;
    bool ended = false;
    ForEachUssd(answer, [&ended](const UssdRecord& record) {
        if (record.progress != Progress::kArriving) ended = true;
    });
    return ended;
}

}  // namespace zort
