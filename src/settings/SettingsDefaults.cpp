#include "settings/SettingsDefaults.h"

#include <string>
#include <utility>

#include "link/Cp1251.h"
#include "settings/SettingsBinding.h"

namespace zort {

void StoreDefaults(SettingsImage& image, std::string_view ownerNumber) {
    image.Reset();

    bool lossless = false;
    const std::string owner = Utf8ToCp1251(ownerNumber, &lossless);
    // A number that cannot be stored is left out rather than cut: the write's own
    // validation names it if it is still typed then.
    if (lossless) image.SetText(0, owner);

    const std::pair<int, std::string_view> kValues[] = {
        {1, kFactoryPin},
        {2, "3"},
        {3, "1200"},
        {4, "3"},
        {5, "3"},
        {6, kDefaultServerHost},
        {7, kDefaultServerPort},
        {8, "0"},
        {9, kDefaultWialonHost},
        {10, kDefaultWialonPort},
        {11, ""},
        {12, "1"},
        {13, "0"},
        {14, "1"},
        {15, "0"},
        {16, "2300070010001700"},
        {17, "5"},
        {18, "1"},
        {19, "20"},
        {20, "0"},
        {21, "0 001"},
        {22, "50"},
        {23, kNotSetText},
    };
    for (const auto& [slot, text] : kValues) image.SetText(slot, text);
}

void RestoreDefaults(SettingsImage& image, SettingsPages& pages) {
    const std::string typedOwner = pages.Edit1;
    StoreDefaults(image, typedOwner);
    ImageToControls(image, pages);
    pages.Edit1 = typedOwner;
}

}  // namespace zort
