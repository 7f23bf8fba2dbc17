#pragma once
// Readers for the fixed-format slot texts, shared by the pages and the summary so both
// read a slot the same way.

#include <cstdint>
#include <optional>
#include <string_view>

namespace zort {

// Field `index` of two-digit decimals laid end to end ("%02d%02d..." in slots 3 and
// 16). A field the text is too short for, or one that is not numeric, reads 0.
int TwoDigitField(std::string_view text, std::size_t index);

// Slot 21, "%d %03d": the guard-zone mode, blanks, the diameter in km (at most three
// digits are read). `diameter` is empty when no digit follows the mode.
struct GeofenceValue {
    std::int64_t mode = 0;
    std::optional<std::int64_t> diameter;
};
GeofenceValue ParseGeofence(std::string_view text);

}  // namespace zort
