#pragma once
// How the simulator reads a number wherever one is typed: on its command line, in a
// fault rule and in the modem's AT commands. Decimal digits and nothing else: no sign,
// no blanks, nothing after them.

#include <cstdint>
#include <string_view>

namespace zort::sim {

// False when `text` is not all digits or its value lies outside [min, max].
bool ParseNumber(std::string_view text, uint64_t min, uint64_t max, uint64_t& value);
bool ParseNumber(std::string_view text, int min, int max, int& value);

}  // namespace zort::sim
