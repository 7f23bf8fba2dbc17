#pragma once
// Order and addressing of the settings exchange with the tracker, taken from the table
// of settings. A read fetches all 30 items; a write sends items 0..24 only, so slots
// 24..27 and 29 stay device information.

#include <array>
#include <cstdint>
#include <vector>

#include "settings/SettingTable.h"
#include "worker/SettingsImage.h"

namespace zort {

struct ExchangeItem {
    std::uint32_t id;  // parameter id on the wire
    int slot;          // where the parameter lives in the SettingsImage
};

// The id the reader asks for once more after a complete read (item 14's marker).
inline constexpr std::uint32_t kFollowUpReadId = SettingOf(slot::kMarker14).id;

constexpr std::array<ExchangeItem, kExchangeItemCount> ExchangeOrder() {
    std::array<ExchangeItem, kExchangeItemCount> order{};
    for (const SettingRow& row : kSettingTable)
        order[static_cast<std::size_t>(row.item)] = {row.id, row.slot};
    return order;
}

inline constexpr std::array<ExchangeItem, kExchangeItemCount> kExchangeTable = ExchangeOrder();

// The slots a write sends whose text differs between `a` and `b`, in the order written:
// what a read-back shows the tracker did not keep.
inline std::vector<int> WrittenSlotsDiffering(const SettingsImage& a, const SettingsImage& b) {
    std::vector<int> slots;
    for (int k = 0; k < kWrittenItemCount; ++k) {
        const int slot = kExchangeTable[static_cast<std::size_t>(k)].slot;
        if (a.Text(slot) != b.Text(slot)) slots.push_back(slot);
    }
    return slots;
}

}  // namespace zort
