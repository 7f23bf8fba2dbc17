#include "sim/ModemModel.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "link/Cp1251.h"
#include "sim/JsonWriter.h"
#include "sim/ParseNumber.h"

namespace zort::sim {
namespace {

const std::string kOk = "\r\nOK\r\n";
const std::string kError = "\r\nERROR\r\n";
const std::string kPrompt = "\r\n> ";
constexpr char kCtrlZ = 0x1A;
constexpr char kEsc = 0x1B;
// Longer command lines overflow the modem's input buffer and are refused.
constexpr size_t kLineLimit = 556;
constexpr int kPhoneBookSize = 250;
// Error 10 of the mobile equipment: SIM not inserted.
const std::string kNoSim = "\r\n+CME ERROR: 10\r\n";
const std::string kIccid = "89701012345678901234";
const std::string kOperator = "ZORT MOBILE";
// Location area and cell, reported with AT+CREG=2 while registered.
const std::string kCell = ",\"1A2B\",\"3C4D\"";

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// Splits the arguments of a command at commas outside double quotes; quotes are
// removed. False when a quote is not closed.
bool SplitArgs(const std::string& args, std::vector<std::string>& out, std::vector<bool>& quoted) {
    out.assign(1, {});
    quoted.assign(1, false);
    bool inQuotes = false;
    for (char c : args) {
        if (c == '"') {
            inQuotes = !inQuotes;
            quoted.back() = true;
        } else if (c == ',' && !inQuotes) {
            out.emplace_back();
            quoted.push_back(false);
        } else {
            out.back() += c;
        }
    }
    return !inQuotes;
}

// The modem's parser reads at most 12 digits of a count.
bool ParseCount(const std::string& text, uint64_t& value) {
    return text.size() <= 12 && ParseNumber(text, 0, UINT64_MAX, value);
}

// One code point from the UTF-8 text at `i`, moving `i` past it; U+FFFD for a byte
// that does not start a well-formed sequence.
uint32_t NextCodePoint(std::string_view text, size_t& i) {
    const auto lead = static_cast<uint8_t>(text[i++]);
    if (lead < 0x80) return lead;
    int more = 0;
    if (lead >= 0xC2 && lead < 0xE0) {
        more = 1;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        more = 2;
    } else if (lead >= 0xF0 && lead < 0xF5) {
        more = 3;
    }
    if (more == 0 || i + more > text.size()) return 0xFFFD;
    uint32_t cp = lead & (0x3F >> more);
    for (int k = 0; k < more; ++k) {
        const auto next = static_cast<uint8_t>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0xFFFD;
        cp = cp << 6 | (next & 0x3F);
    }
    i += more;
    // Overlong forms, surrogates and code points past U+10FFFF are not characters.
    static const uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[more] || (cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF) return 0xFFFD;
    return cp;
}

}  // namespace

std::string Utf8ToUcs2Hex(std::string_view utf8) {
    std::string out;
    auto unit = [&out](uint32_t u) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(u));
        out += buf;
    };
    for (size_t i = 0; i < utf8.size();) {
        const uint32_t cp = NextCodePoint(utf8, i);
        if (cp < 0x10000) {
            unit(cp);
        } else {
            // Beyond the basic plane: a surrogate pair, as UTF-16 writes it.
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    }
    return out;
}

ModemModel::ModemModel() : clock([] { return Clock::now(); }) {
    capacity = options.freeBytes;
}

void ModemModel::SetOptions(const Options& newOptions) {
    options = newOptions;
    SetFreeMemory(options.freeBytes);
}

int64_t ModemModel::UsedMemory() const {
    int64_t used = 0;
    for (const auto& [name, bytes] : files) used += static_cast<int64_t>(bytes.size());
    return used;
}

int64_t ModemModel::FreeMemory() const {
    return std::max<int64_t>(0, capacity - UsedMemory());
}

void ModemModel::SetFreeMemory(int64_t bytes) {
    options.freeBytes = bytes;
    capacity = bytes + UsedMemory();
}

void ModemModel::SetPowered(bool on) {
    if (on && !powered) {
        echo = true;
        textMode = false;
        charset = "IRA";
        registrationReports = 0;
        ussdPresentation = 0;
    }
    powered = on;
    if (!on) ussdPending = false;
    state = State::kCommand;
    line.clear();
    lineTooLong = false;
    afterCr = false;
    if (!on) callActive = false;
}

std::vector<uint8_t> ModemModel::OnPayload(const std::vector<uint8_t>& payload) {
    if (!powered || options.silent) return {};
    std::string out;
    size_t i = 0;
    if (state == State::kFileData) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(writeLeft, payload.size()));
        std::vector<uint8_t>& file = files[writeTarget];
        file.insert(file.end(), payload.begin(), payload.begin() + static_cast<long>(n));
        writeLeft -= n;
        i = n;
        if (writeLeft > 0) return {};
        state = State::kCommand;
        out += kOk;
    } else if (state == State::kSmsText) {
        for (; i < payload.size() && state == State::kSmsText; ++i) {
            const char c = static_cast<char>(payload[i]);
            if (c == kCtrlZ) {
                sentSms.push_back({smsNumber, smsBody});
                out += "\r\n+CMGS: " + std::to_string(sentSms.size()) + "\r\n" + kOk;
                state = State::kCommand;
            } else if (c == kEsc) {
                state = State::kCommand;  // the message is dropped, nothing is sent
            } else {
                smsBody += c;
            }
        }
    }
    for (; i < payload.size() && state == State::kCommand; ++i) {
        const char c = static_cast<char>(payload[i]);
        // The LF of a CR LF belongs to the line end that was already answered.
        const bool lineEndLf = c == '\n' && afterCr;
        afterCr = c == '\r';
        if (echo && !lineEndLf) out += c;
        if (c == '\r') {
            const std::string command = line;
            const bool refused = lineTooLong;
            line.clear();
            lineTooLong = false;
            out += refused ? kError : Run(command);
        } else if (c != '\n') {
            if (line.size() < kLineLimit) {
                line += c;
            } else {
                lineTooLong = true;
            }
        }
    }
    return std::vector<uint8_t>(out.begin(), out.end());
}

std::string ModemModel::FileOnDriveC(const std::string& path) {
    if (path.size() < 4 || Upper(path.substr(0, 3)) != "C:\\") return {};
    return path.substr(3);
}

std::string ModemModel::Run(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const std::string command = text.substr(first);
    const std::string upper = Upper(command);
    // Line noise that does not start with "AT" is ignored, as by every modem.
    if (!StartsWith(upper, "AT")) return {};
    commandLines.push_back(command);
    if (options.errorToAll) return kError;
    const std::string body = command.substr(2);
    const std::string ubody = upper.substr(2);

    if (ubody.empty()) return kOk;
    if (ubody == "E0" || ubody == "E1" || ubody == "E") {
        echo = ubody == "E1";
        return kOk;
    }
    if (ubody == "+FSMEM") return "\r\n+FSMEM: C:" + std::to_string(FreeMemory()) + "bytes\r\n" + kOk;
    if (StartsWith(ubody, "+FSDEL=")) {
        const std::string name = FileOnDriveC(body.substr(7));
        if (name.empty() || files.erase(name) == 0) return kError;
        return kOk;
    }
    if (StartsWith(ubody, "+FSCREATE=")) {
        const std::string name = FileOnDriveC(body.substr(10));
        if (name.empty() || files.count(name) != 0) return kError;
        files[name];
        return kOk;
    }
    if (StartsWith(ubody, "+FSWRITE=")) return FsWrite(body.substr(9));
    if (StartsWith(ubody, "+CPBW=")) return WritePhoneBook(body.substr(6));
    if (ubody == "+GSN") {
        const std::string imei = imeiSource ? imeiSource() : std::string();
        if (imei.empty()) return kError;
        return "\r\n" + imei + "\r\n" + kOk;
    }
    if (StartsWith(ubody, "+CMGF=")) {
        const std::string mode = body.substr(6);
        if (mode != "0" && mode != "1") return kError;
        textMode = mode == "1";
        return kOk;
    }
    if (StartsWith(ubody, "+CSCS=")) {
        std::vector<std::string> args;
        std::vector<bool> quoted;
        if (!SplitArgs(body.substr(6), args, quoted) || args.size() != 1 || !quoted[0]) return kError;
        charset = args[0];
        return kOk;
    }
    if (StartsWith(ubody, "+CMGS=")) return SendSms(body.substr(6));
    if (std::string answer; NetworkQuery(ubody, answer)) return answer;
    if (StartsWith(ubody, "+CREG=")) {
        const std::string n = body.substr(6);
        if (n.size() != 1 || n[0] < '0' || n[0] > '2') return kError;
        registrationReports = n[0] - '0';
        return kOk;
    }
    if (StartsWith(ubody, "+CUSD=")) return Ussd(body.substr(6));
    if (StartsWith(ubody, "D")) {
        // Only voice calls: the number ends with ";".
        if (body.size() < 3 || body.back() != ';') return kError;
        calls.push_back(body.substr(1, body.size() - 2));
        callActive = true;
        return kOk;
    }
    if (ubody == "H" || ubody == "H0") {
        callActive = false;
        ++hangUps;
        return kOk;
    }
    return kError;
}

std::string ModemModel::FsWrite(const std::string& argText) {
    std::vector<std::string> args;
    std::vector<bool> quoted;
    if (!SplitArgs(argText, args, quoted) || args.size() < 3 || args.size() > 4) return kError;
    const std::string name = FileOnDriveC(args[0]);
    uint64_t size = 0;
    if (name.empty() || files.count(name) == 0) return kError;
    if ((args[1] != "0" && args[1] != "1") || !ParseCount(args[2], size)) return kError;
    if (size > static_cast<uint64_t>(FreeMemory()) || options.noPrompt) return kError;
    if (args[1] == "0") files[name].clear();  // 0 writes from the start, 1 appends
    writeTarget = name;
    writeLeft = size;
    state = State::kFileData;
    return kPrompt;
}

std::string ModemModel::SendSms(const std::string& argText) {
    std::vector<std::string> args;
    std::vector<bool> quoted;
    if (!SplitArgs(argText, args, quoted) || args.empty() || !quoted[0] || args[0].empty()) return kError;
    if (!textMode || options.noPrompt) return kError;
    smsNumber = args[0];
    smsBody.clear();
    state = State::kSmsText;
    return kPrompt;
}

bool ModemModel::NetworkQuery(const std::string& ubody, std::string& answer) const {
    const bool registered = !options.noSim && !options.noNetwork;
    std::string line;
    if (ubody == "+CSQ") {
        // The signal is measured with or without a card; the error rate only on a cell
        // the modem is camped on.
        line = options.weakSignal ? "+CSQ: 4,99" : options.noNetwork ? "+CSQ: 11,99" : "+CSQ: 21,0";
    } else if (ubody == "+CREG?") {
        // 0: not registered and not searching (no card), 2: searching, 1: home network.
        const int stat = options.noSim ? 0 : options.noNetwork ? 2 : 1;
        line = "+CREG: " + std::to_string(registrationReports) + "," + std::to_string(stat);
        if (registrationReports == 2 && registered) line += kCell;
    } else if (ubody == "+COPS?") {
        line = registered ? "+COPS: 0,0,\"" + kOperator + "\"" : "+COPS: 0";
    } else if (ubody == "+CPIN?" || ubody == "+CCID") {
        if (options.noSim) {
            answer = kNoSim;
            return true;
        }
        line = ubody == "+CCID" ? "+CCID: " + kIccid : "+CPIN: READY";
    } else if (ubody == "+CUSD?") {
        line = "+CUSD: " + std::to_string(ussdPresentation);
    } else {
        return false;
    }
    answer = "\r\n" + line + "\r\n" + kOk;
    return true;
}

std::string ModemModel::Ussd(const std::string& argText) {
    std::vector<std::string> args;
    std::vector<bool> quoted;
    if (!SplitArgs(argText, args, quoted) || args.size() > 3) return kError;
    if (args[0].size() != 1 || args[0][0] < '0' || args[0][0] > '2') return kError;
    const int n = args[0][0] - '0';
    if (n == 2) {
        ussdPending = false;
        return kOk;
    }
    const std::string code = args.size() > 1 ? args[1] : std::string();
    uint64_t dcs = 0;
    if (args.size() > 1 &&
        (!quoted[1] || code.empty() || code.find_first_not_of("0123456789*#") != std::string::npos)) {
        return kError;
    }
    if (args.size() == 3 && !ParseCount(args[2], dcs)) return kError;
    ussdPresentation = n;
    if (code.empty()) return kOk;
    ussdCodes.push_back(code);
    if (options.noSim) return kNoSim;
    if (ussdPending) return kError;
    if (options.noNetwork) {
        ussdLine = "\r\n+CUSD: 4\r\n";
    } else if (options.ussdText) {
        ussdLine = "\r\n+CUSD: 0,\"" + Utf8ToCp1251(ussdAnswer) + "\",15\r\n";
    } else {
        ussdLine = "\r\n+CUSD: 0,\"" + Utf8ToUcs2Hex(ussdAnswer) + "\",72\r\n";
    }
    ussdPending = true;
    ussdDue = clock() + ussdDelay;
    return kOk;
}

std::vector<uint8_t> ModemModel::TakeSpontaneous() {
    if (!powered || options.silent || !ussdPending || clock() < ussdDue) return {};
    ussdPending = false;
    // With presentation off the network still answers, but the modem keeps it to itself.
    if (ussdPresentation != 1) return {};
    return std::vector<uint8_t>(ussdLine.begin(), ussdLine.end());
}

std::string ModemModel::WritePhoneBook(const std::string& argText) {
    std::vector<std::string> args;
    std::vector<bool> quoted;
    uint64_t index = 0;
    if (!SplitArgs(argText, args, quoted) || !ParseCount(args[0], index)) return kError;
    if (index < 1 || index > kPhoneBookSize) return kError;
    if (args.size() == 1) {
        phoneBook.erase(static_cast<int>(index));
        return kOk;
    }
    PhoneBookEntry entry;
    uint64_t type = 129;
    if (!quoted[1] || args.size() > 4) return kError;
    entry.number = args[1];
    if (args.size() >= 3 && !ParseCount(args[2], type)) return kError;
    entry.type = static_cast<int>(type);
    if (args.size() == 4) {
        if (!quoted[3]) return kError;
        entry.text = args[3];
    }
    phoneBook[static_cast<int>(index)] = entry;
    return kOk;
}

std::string ModemModel::StateJson() const {
    auto text = [](const std::string& bytes) { return JsonQuote(Cp1251ToUtf8(bytes)); };
    std::string j = "{\"powered\": " + std::string(powered ? "true" : "false") +
                    ", \"echo\": " + (echo ? "true" : "false") +
                    ", \"text_mode\": " + (textMode ? "true" : "false") +
                    ", \"free\": " + std::to_string(FreeMemory());
    j += ", \"options\": {\"silent\": " + std::string(options.silent ? "true" : "false") +
         ", \"error_to_all\": " + (options.errorToAll ? "true" : "false") +
         ", \"no_prompt\": " + (options.noPrompt ? "true" : "false") +
         ", \"no_sim\": " + (options.noSim ? "true" : "false") +
         ", \"no_network\": " + (options.noNetwork ? "true" : "false") +
         ", \"weak_signal\": " + (options.weakSignal ? "true" : "false") +
         ", \"ussd_text\": " + (options.ussdText ? "true" : "false") + "}";
    j += ", \"registration_reports\": " + std::to_string(registrationReports) + ", \"ussd_codes\": [";
    for (size_t k = 0; k < ussdCodes.size(); ++k) j += (k ? ", " : "") + text(ussdCodes[k]);
    j += "], \"ussd_pending\": " + std::string(ussdPending ? "true" : "false") +
         ", \"ussd_delay_ms\": " + std::to_string(ussdDelay.count());
    j += ", \"files\": {";
    bool first = true;
    for (const auto& [name, bytes] : files) {
        j += (first ? "" : ", ") + text(name) + ": \"" + HexBytes(bytes.data(), bytes.size()) + "\"";
        first = false;
    }
    j += "}, \"phonebook\": [";
    first = true;
    for (const auto& [index, e] : phoneBook) {
        j += (first ? "" : ", ") + std::string("{\"index\": ") + std::to_string(index) +
             ", \"number\": " + text(e.number) + ", \"type\": " + std::to_string(e.type) +
             ", \"text\": " + text(e.text) + "}";
        first = false;
    }
    j += "], \"sms\": [";
    first = true;
    for (const Sms& s : sentSms) {
        j += (first ? "" : ", ") + std::string("{\"number\": ") + text(s.number) +
             ", \"body\": " + text(s.body) + "}";
        first = false;
    }
    j += "], \"calls\": [";
    first = true;
    for (const std::string& c : calls) {
        j += (first ? "" : ", ") + text(c);
        first = false;
    }
    j += "], \"call_active\": " + std::string(callActive ? "true" : "false") +
         ", \"hang_ups\": " + std::to_string(hangUps) + "}";
    return j;
}

}  // namespace zort::sim
