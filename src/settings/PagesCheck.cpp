#include "settings/PagesCheck.h"

#include "settings/ExchangeTable.h"
#include "settings/SettingsBinding.h"

namespace zort {

PagesCheck CheckThroughPages(SettingsImage& image, SettingsPrompts& prompts, SettingsPages* shown) {
    PagesCheck check;
    SettingsPages own;
    SettingsPages& pages = shown != nullptr ? *shown : own;
    pages = SettingsPages{};
    check.unshown = ImageToControls(image, pages);
    if (!check.unshown.empty()) return check;
    const SettingsImage given = image;
    if (!ControlsToImage(pages, image, prompts)) return check;
    // The markers are always written as "1" and are nobody's choice.
    for (const int slot : WrittenSlotsDiffering(given, image)) {
        if (slot != slot::kMarker14 && slot != slot::kMarker28) check.normalised.push_back(slot);
    }
    check.ok = true;
    return check;
}

}  // namespace zort
