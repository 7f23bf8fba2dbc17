#include "settings/SettingsDefaults.h"

#include <string>

#include "link/Cp1251.h"
#include "settings/SettingsBinding.h"

namespace zort {

void StoreDefaults(SettingsImage& image, std::string_view ownerNumber) {
    image.Reset();

    bool lossless = false;
    const std::string owner = Utf8ToCp1251(ownerNumber, &lossless);
    // A number that cannot be stored is left out rather than cut: the write's own
    // validation names it if it is still typed then.
    if (lossless) image.SetText(slot::kOwnerPhone, owner);

    for (const SettingRow& row : kSettingTable) {
        if (row.factory) image.SetText(row.slot, *row.factory);
    }
}

void RestoreDefaults(SettingsImage& image, SettingsPages& pages) {
    const std::string typedOwner = pages.Edit1;
    StoreDefaults(image, typedOwner);
    ImageToControls(image, pages);
    pages.Edit1 = typedOwner;
}

}  // namespace zort
