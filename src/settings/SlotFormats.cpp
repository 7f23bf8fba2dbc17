#include "settings/SlotFormats.h"

#include "worker/SettingsImage.h"

namespace zort {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

int TwoDigitField(std::string_view text, std::size_t index) {
    const std::size_t at = index * 2;
    if (at >= text.size()) return 0;
    return static_cast<int>(DecimalToInt(text.substr(at, 2)));
}

GeofenceValue ParseGeofence(std::string_view text) {
    GeofenceValue g;
    g.mode = DecimalToInt(text, true);
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') ++i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && IsDigit(text[i])) g.diameter = DecimalToInt(text.substr(i, 3));
    return g;
}

}  // namespace zort
