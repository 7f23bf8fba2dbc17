#include "service/ModemAnswers.h"

#include <cstring>

namespace zort {
namespace {

constexpr std::string_view kFreeMemoryTag = "+FSMEM: C:";
constexpr size_t kImeiDigits = 15;
// More digits than any modem's memory needs; keeps the value far from overflowing.
constexpr size_t kMaxFreeMemoryDigits = 15;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string_view AnswerText(const uint8_t* bytes, size_t size) {
    if (bytes == nullptr || size == 0) return {};
    const void* zero = std::memchr(bytes, 0, size);
    const size_t length = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes) : size;
    return {reinterpret_cast<const char*>(bytes), length};
}

bool AnswerContains(std::string_view answer, std::string_view what) {
    return answer.find(what) != std::string_view::npos;
}

bool HasFinalResult(std::string_view answer) {
    return AnswerContains(answer, "OK\r\n") || AnswerContains(answer, "ERROR");
}

bool HasPrompt(std::string_view answer) {
    return AnswerContains(answer, ">");
}

std::optional<int64_t> ParseFreeMemory(std::string_view answer) {
    if (!AnswerContains(answer, "\r\n")) return std::nullopt;
    // The last answer counts: a fragment of an earlier one may have come in front of it.
    const size_t tag = answer.rfind(kFreeMemoryTag);
    if (tag == std::string_view::npos) return std::nullopt;
    size_t i = tag + kFreeMemoryTag.size();
    while (i < answer.size() && (answer[i] == ' ' || answer[i] == '\t')) ++i;
    const size_t first = i;
    int64_t value = 0;
    while (i < answer.size() && IsDigit(answer[i])) {
        if (i - first == kMaxFreeMemoryDigits) return std::nullopt;
        value = value * 10 + (answer[i] - '0');
        ++i;
    }
    if (i == first || i == answer.size()) return std::nullopt;
    return value;
}

std::optional<std::string> ParseImei(std::string_view answer) {
    size_t first = 0;
    while (first < answer.size() && !IsDigit(answer[first])) ++first;
    if (answer.size() - first < kImeiDigits) return std::nullopt;
    for (size_t i = first; i < first + kImeiDigits; ++i) {
        if (!IsDigit(answer[i])) return std::nullopt;
    }
    if (first + kImeiDigits < answer.size() && IsDigit(answer[first + kImeiDigits])) return std::nullopt;
    return std::string(answer.substr(first, kImeiDigits));
}

}  // namespace zort
