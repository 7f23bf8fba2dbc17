#pragma once
// The modem's answers about the mobile network and the SIM card, read into values:
// AT+CSQ, AT+CREG?, AT+COPS?, AT+CPIN?, AT+CCID and the USSD answer +CUSD. Each parser
// takes the whole answer as it arrived (echo, blank lines and the final result code
// included) and gives nothing, or kUnknown, for anything it does not recognise, so an
// odd answer shows as "нет данных", never as a wrong figure. Pure functions.

#include <optional>
#include <string>
#include <string_view>

namespace zort {

inline constexpr const char* kNoData = "нет данных";

inline constexpr const char* kAtSignal = "AT+CSQ\r\n";
inline constexpr const char* kAtRegistration = "AT+CREG?\r\n";
inline constexpr const char* kAtOperator = "AT+COPS?\r\n";
inline constexpr const char* kAtSimState = "AT+CPIN?\r\n";
inline constexpr const char* kAtIccid = "AT+CCID\r\n";

struct SignalQuality {
    int rssi = 0;  // as AT+CSQ gives it, 0-31
    int dbm = 0;   // -113 .. -51
    int bars = 0;  // 0-5, as a phone draws them
};
// Nothing for 99 (not known or not detectable) or any answer not of the form
// "+CSQ: <rssi>,<ber>".
std::optional<SignalQuality> ParseSignal(std::string_view answer);

enum class Registration { kUnknown, kNotRegistered, kHome, kSearching, kDenied, kRoaming };
// "+CREG: <n>,<stat>[,...]" and the unsolicited "+CREG: <stat>[,...]".
Registration ParseRegistration(std::string_view answer);
// "домашняя сеть", "роуминг", "поиск сети", "регистрация отклонена", "нет регистрации",
// "нет данных"; and "home", "roaming", "searching", "denied", "not_registered" for
// scripts (empty for kUnknown).
const char* RegistrationText(Registration registration);
const char* RegistrationKey(Registration registration);

// The operator of "+COPS: <mode>,<format>,\"<name>\"[,<act>]" as UTF-8; an empty text
// for "+COPS: <mode>" (registered nowhere); nothing for anything else.
std::optional<std::string> ParseOperator(std::string_view answer);

enum class SimState { kUnknown, kReady, kPinNeeded, kPukNeeded, kAbsent };
// "+CPIN: READY", "+CPIN: SIM PIN", "+CPIN: SIM PUK", and the modem's ways of saying
// there is no card ("+CME ERROR: 10", "+CME ERROR: SIM not inserted").
SimState ParseSimState(std::string_view answer);
// "готова", "нужен PIN-код", "нужен PUK-код", "нет SIM-карты", "нет данных"; and
// "ready", "pin", "puk", "absent" for scripts (empty for kUnknown).
const char* SimStateText(SimState state);
const char* SimStateKey(SimState state);

// The card's ICCID from "+CCID: <id>", "+ICCID: <id>" or a bare line of it: 18 to 22
// digits (the last may be 'F', padding, which is dropped), quotes allowed around it.
std::optional<std::string> ParseIccid(std::string_view answer);

// The USSD request for the balance: the tracker's balance code, or "*100#" when the
// tracker holds the factory "00000" (or nothing usable: a code is digits, '*' and '#').
std::string BalanceCode(std::string_view trackerCode);
// "AT+CUSD=1,\"<code>\",15\r\n".
std::string AtBalanceRequest(std::string_view code);

struct UssdAnswer {
    int status = 0;    // 0 done, 1 more is asked, 2 ended by the network, 4 not supported, 5 timed out
    std::string text;  // UTF-8, decoded from UCS2 hex when the coding says so (or when
                       // the text is plainly hex of whole UCS2 characters)
};
// "+CUSD: <m>[,\"<text>\"[,<dcs>]]"; nothing when no such line is there. Text that is
// not UCS2 is read as Windows-1251.
std::optional<UssdAnswer> ParseUssd(std::string_view answer);

// The answer holds an error result code or a whole +CUSD line: for the waits. "OK"
// alone is not the end: the modem says it at once, the network's answer comes later.
bool HasUssdAnswer(std::string_view answer);

}  // namespace zort
