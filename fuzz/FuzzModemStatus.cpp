// The modem status parsers on arbitrary bytes, as they arrive in the receive buffer:
// never read past the bytes given, and every value they give is within its range.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "status/ModemStatus.h"

namespace {

void Check(bool holds) {
    if (!holds) std::abort();
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto lead = static_cast<unsigned char>(s[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
        if (lead < 0xC2 || lead > 0xF4 || i + extra >= s.size()) return false;
        char32_t cp = lead & (0x3F >> extra);
        for (size_t k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        const char32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (cp < least[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so AddressSanitizer sees any read beyond the answer.
    const std::vector<char> bytes(data, data + size);
    const std::string_view answer(bytes.data(), bytes.size());

    if (const auto signal = zort::ParseSignal(answer)) {
        Check(signal->rssi >= 0 && signal->rssi <= 31);
        Check(signal->dbm == -113 + 2 * signal->rssi && signal->dbm >= -113 && signal->dbm <= -51);
        Check(signal->bars >= 0 && signal->bars <= 5);
    }
    Check(*zort::RegistrationText(zort::ParseRegistration(answer)) != '\0');
    Check(*zort::SimStateText(zort::ParseSimState(answer)) != '\0');
    if (const auto name = zort::ParseOperator(answer)) {
        Check(IsValidUtf8(*name));
        for (const char c : *name) Check(static_cast<unsigned char>(c) >= 0x20);
    }
    if (const auto iccid = zort::ParseIccid(answer)) {
        Check(iccid->size() >= 18 && iccid->size() <= 22);
        for (const char c : *iccid) Check(IsDigit(c));
    }
    if (const auto ussd = zort::ParseUssd(answer)) {
        Check(ussd->status >= 0 && ussd->status <= 5);
        Check(IsValidUtf8(ussd->text));
        Check(zort::HasUssdAnswer(answer));
    }
    // The wait for the USSD answer looks at what has arrived so far: once it sees the
    // end, more bytes must not take it back.
    if (size > 0) {
        const std::string_view arrived = answer.substr(0, data[0] % size);
        if (zort::HasUssdAnswer(arrived)) Check(zort::HasUssdAnswer(answer));
    }
    const std::string code = zort::BalanceCode(answer);
    Check(code == "*100#" || (code == answer && code.size() <= 20));
    for (const char c : code) Check(IsDigit(c) || c == '*' || c == '#');
    const std::string request = zort::AtBalanceRequest(code);
    Check(request.starts_with("AT+CUSD=1,\"") && request.ends_with("\",15\r\n"));
    return 0;
}
