#pragma once
// Order and addressing of the settings exchange with the tracker. A read fetches all 30
// items; a write sends items 0..24 only, so slots 24..27 and 29 stay device information.

#include <array>
#include <cstdint>

namespace zort {

struct ExchangeItem {
    std::uint32_t id;  // parameter id on the wire
    int slot;          // where the parameter lives in the SettingsImage
};

inline constexpr int kExchangeItemCount = 30;
inline constexpr int kWrittenItemCount = 25;  // items 0..24

// The id the reader asks for once more after a complete read (item 14's marker).
inline constexpr std::uint32_t kFollowUpReadId = 0x080802C0;

inline constexpr std::array<ExchangeItem, kExchangeItemCount> kExchangeTable = {{
    {0x08080460, 0},
    {0x08080480, 1},
    {0x08080580, 2},
    {0x08080560, 3},
    {0x080805A0, 4},
    {0x08080660, 5},
    {0x080800A0, 6},
    {0x080800C0, 7},
    {0x080808C0, 8},
    {0x080800E0, 9},
    {0x08080100, 10},
    {0x08080120, 11},
    {0x080805C0, 12},
    {0x08080520, 13},
    {0x080802C0, 14},
    {0x08080600, 15},
    {0x08080620, 16},
    {0x08080640, 17},
    {0x080806E0, 18},
    {0x080806A0, 19},
    {0x080806C0, 20},
    {0x08080720, 21},
    {0x08080540, 22},
    {0x080804A0, 23},
    // The marker of slot 28 travels with the written items; device information follows.
    {0x08080440, 28},
    {0x080807E0, 24},
    {0x080807A0, 25},
    {0x080807C0, 26},
    {0x080808E0, 27},
    {0x08080940, 29},
}};

}  // namespace zort
