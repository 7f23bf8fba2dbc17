#include "history/ChangePreview.h"

#include "settings/ExchangeTable.h"
#include "settings/SettingTable.h"

namespace zort {
namespace {

// The tracker keeps "00000" for a value that was never set: no owner number, or a
// balance code found by itself.
std::string Shown(int slot, const std::string& text) {
    if (text == kNotSetText && slot == slot::kOwnerPhone) return "(нет номера)";
    if (text == kNotSetText && slot == slot::kBalanceCode) return "(автоматически)";
    return text.empty() ? "(пусто)" : text;
}

}  // namespace

std::vector<SettingChange> ChangesBetween(const SettingsImage& before, const SettingsImage& after) {
    std::vector<SettingChange> changes;
    for (int item = 0; item < kWrittenItemCount; ++item) {
        const int slot = kExchangeTable[static_cast<size_t>(item)].slot;
        const SettingRow& row = SettingOf(slot);
        if (row.name.empty()) continue;
        std::string was = before.Utf8Text(slot);
        std::string will = after.Utf8Text(slot);
        if (was != will) changes.push_back({slot, std::string(row.name), std::move(was), std::move(will)});
    }
    return changes;
}

std::string ChangeLine(const SettingChange& change) {
    return change.name + ": " + Shown(change.slot, change.before) + " → " + Shown(change.slot, change.after);
}

}  // namespace zort
