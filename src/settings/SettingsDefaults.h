#pragma once
// Factory values of the settings: what restore-defaults stores and what the pages show
// when the program starts. The values themselves are a column of the settings table.

#include <string_view>

#include "settings/SettingTable.h"
#include "settings/SettingsPages.h"
#include "worker/SettingsImage.h"

namespace zort {

// Zeroes the image (its first kResetLength bytes) and stores the factory values.
// Slot 0 takes `ownerNumber` (UTF-8, the number now typed in Edit1) when a slot can
// hold it, and stays empty otherwise. Slots 24..29 are left zero.
void StoreDefaults(SettingsImage& image, std::string_view ownerNumber);

// The restore-defaults action: StoreDefaults with Edit1's text, then the image is
// shown in the pages. Edit1 keeps what was typed. The summary table is not refreshed.
void RestoreDefaults(SettingsImage& image, SettingsPages& pages);

}  // namespace zort
