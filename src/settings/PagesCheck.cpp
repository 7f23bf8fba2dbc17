#include "settings/PagesCheck.h"

#include "settings/ExchangeTable.h"
#include "settings/SettingsBinding.h"
#include "settings/SettingsPages.h"

namespace zort {

PagesCheck CheckThroughPages(SettingsImage& image, SettingsPrompts& prompts) {
    PagesCheck check;
    SettingsPages pages;
    check.unshown = ImageToControls(image, pages);
    if (!check.unshown.empty()) return check;
    const SettingsImage given = image;
    if (!ControlsToImage(pages, image, prompts)) return check;
    // The markers are always written as "1" and are nobody's choice.
    for (int k = 0; k < kWrittenItemCount; ++k) {
        const int slot = kExchangeTable[static_cast<size_t>(k)].slot;
        if (slot == slot::kMarker14 || slot == slot::kMarker28) continue;
        if (given.Text(slot) != image.Text(slot)) check.normalised.push_back(slot);
    }
    check.ok = true;
    return check;
}

}  // namespace zort
