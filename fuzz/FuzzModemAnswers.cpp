// The modem answer parsers on arbitrary bytes, as they arrive in the receive buffer:
// never read past the bytes given, and what they extract is well formed.

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "service/ModemAnswers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so AddressSanitizer sees any read beyond the answer.
    std::vector<uint8_t> bytes(data, data + size);
    const std::string_view answer = zort::AnswerText(bytes.data(), bytes.size());
    if (answer.size() > size) std::abort();
    (void)zort::HasPrompt(answer);
    (void)zort::HasFinalResult(answer);
    (void)zort::AnswerContains(answer, "\r\nOK\r\n");
    if (const auto free = zort::ParseFreeMemory(answer)) {
        if (*free < 0) std::abort();
    }
    if (const auto imei = zort::ParseImei(answer)) {
        if (imei->size() != 15) std::abort();
        for (char c : *imei) {
            if (!std::isdigit(static_cast<unsigned char>(c))) std::abort();
        }
    }
    return 0;
}
