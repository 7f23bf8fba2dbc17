#include "sim/ModemModel.h"

#include <algorithm>
#include <cstdint>

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

}  // namespace

ModemModel::ModemModel() {
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
    }
    powered = on;
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
         ", \"no_prompt\": " + (options.noPrompt ? "true" : "false") + "}";
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
