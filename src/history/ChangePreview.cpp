#include "history/ChangePreview.h"

#include "settings/ExchangeTable.h"
#include "settings/SettingTable.h"

namespace zort {
namespace {

std::string Shown(const std::string& text) {
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
    return change.name + ": " + Shown(change.before) + " → " + Shown(change.after);
}

}  // namespace zort
