#include "sim/ParseNumber.h"

#include <charconv>

namespace zort::sim {

bool ParseNumber(std::string_view text, uint64_t min, uint64_t max, uint64_t& value) {
    const char* end = text.data() + text.size();
    uint64_t parsed = 0;
    // from_chars takes no blanks and, for an unsigned type, no sign: digits only.
    const auto [ptr, ec] = std::from_chars(text.data(), end, parsed);
    if (ec != std::errc() || ptr != end || parsed < min || parsed > max) return false;
    value = parsed;
    return true;
}

bool ParseNumber(std::string_view text, int min, int max, int& value) {
    uint64_t parsed = 0;
    if (min < 0 || !ParseNumber(text, static_cast<uint64_t>(min), static_cast<uint64_t>(max), parsed)) {
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

}  // namespace zort::sim
