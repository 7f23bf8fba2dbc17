#pragma once
// The program's copy of every tracker parameter: 30 slots of 32 bytes, each a short
// NUL-terminated Windows-1251 text. The device sends and receives whole slots, so the
// bytes after the NUL matter on the wire and are kept exactly.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zort {

inline constexpr int kSlotCount = 30;
inline constexpr std::size_t kSlotSize = 32;
inline constexpr std::size_t kImageSize = kSlotCount * kSlotSize;  // 960
// Longest text that still leaves room for its NUL inside a slot.
inline constexpr std::size_t kSlotTextMax = kSlotSize - 1;
// A device read and restore-defaults clear only this much of the image: the last
// seven bytes of slot 29 survive, which never changes what its text reads.
inline constexpr std::size_t kResetLength = 953;

// Slot text that means "no number" (slots 0, 1) or "find the balance code
// automatically" (slot 23) — not the number zero.
inline constexpr std::string_view kNotSetText = "00000";

// Decimal text to integer as the tracker's numeric slots are read: optional '-' (only
// when allowMinus), then digits up to the first non-digit; empty or non-numeric text
// gives 0. Very long digit runs saturate instead of overflowing.
std::int64_t DecimalToInt(std::string_view text, bool allowMinus = false);

// One parameter: 32 raw bytes.
struct ParameterSlot {
    std::array<std::uint8_t, kSlotSize> bytes{};

    // The Windows-1251 text up to the first NUL (all 32 bytes when there is none).
    std::string Text() const;
    void Clear() { bytes.fill(0); }
    // Clears the slot, then stores the text. Refuses (false, slot untouched) a text
    // longer than kSlotTextMax bytes or one holding a NUL.
    bool SetText(std::string_view cp1251);
    // Copies a device reply as zero-terminated text: its bytes up to and including
    // the first zero, at most 32. Bytes after that keep what they held.
    void CopyReply(std::span<const std::uint8_t> reply);
    // A marker is written as "1" over whatever the slot held: only its first two bytes
    // change.
    void SetMarker();

    bool operator==(const ParameterSlot&) const = default;
};

class SettingsImage {
  public:
    std::array<ParameterSlot, kSlotCount> slots{};

    ParameterSlot& Slot(int slot) { return slots.at(static_cast<std::size_t>(slot)); }
    const ParameterSlot& Slot(int slot) const { return slots.at(static_cast<std::size_t>(slot)); }

    std::string Text(int slot) const { return Slot(slot).Text(); }
    std::string Utf8Text(int slot) const;
    bool SetText(int slot, std::string_view cp1251) { return Slot(slot).SetText(cp1251); }
    std::int64_t Number(int slot, bool allowMinus = false) const {
        return DecimalToInt(Text(slot), allowMinus);
    }

    // Zeroes the first kResetLength bytes (before a device read, on restore-defaults).
    void Reset();

    // The 960 bytes in slot order, offset 32 * slot.
    std::array<std::uint8_t, kImageSize> Bytes() const;

    bool operator==(const SettingsImage&) const = default;
};

}  // namespace zort
