#include "worker/SettingsImage.h"

#include <algorithm>

#include "link/Cp1251.h"

namespace zort {

std::int64_t DecimalToInt(std::string_view text, bool allowMinus) {
    // Far beyond any slot's range, far below overflow.
    constexpr std::int64_t kSaturation = 1'000'000'000'000'000;
    std::size_t i = 0;
    bool negative = false;
    if (allowMinus && !text.empty() && text[0] == '-') {
        negative = true;
        i = 1;
    }
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < kSaturation) value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

std::string ParameterSlot::Text() const {
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return std::string(bytes.begin(), end);
}

bool ParameterSlot::SetText(std::string_view cp1251) {
    if (cp1251.size() > kSlotTextMax || cp1251.find('\0') != std::string_view::npos) return false;
    Clear();
    std::copy(cp1251.begin(), cp1251.end(), bytes.begin());
    return true;
}

void ParameterSlot::CopyReply(std::span<const std::uint8_t> reply) {
    const std::size_t limit = std::min(reply.size(), kSlotSize);
    for (std::size_t i = 0; i < limit; ++i) {
        bytes[i] = reply[i];
        if (reply[i] == 0) break;
    }
}

std::string SettingsImage::Utf8Text(int slot) const {
    return Cp1251ToUtf8(Text(slot));
}

void ParameterSlot::SetMarker() {
    bytes[0] = '1';
    bytes[1] = 0;
}

void SettingsImage::Reset() {
    std::size_t left = kResetLength;
    for (auto& slot : slots) {
        const std::size_t n = std::min(left, kSlotSize);
        std::fill_n(slot.bytes.begin(), n, std::uint8_t{0});
        left -= n;
    }
}

std::array<std::uint8_t, kImageSize> SettingsImage::Bytes() const {
    std::array<std::uint8_t, kImageSize> out{};
    for (std::size_t s = 0; s < slots.size(); ++s) {
        std::copy(slots[s].bytes.begin(), slots[s].bytes.end(), out.begin() + s * kSlotSize);
    }
    return out;
}

}  // namespace zort
