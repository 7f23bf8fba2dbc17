#pragma once
// Factory values of the settings: what restore-defaults stores and what the pages show
// when the program starts. The values chosen for this product live here and nowhere
// else; the GUI's initial texts of Edit2, Edit5 and Edit7 take them from here.

#include <string_view>

#include "worker/SettingsImage.h"
#include "settings/SettingsPages.h"

namespace zort {

inline constexpr std::string_view kFactoryPin = "1234";
inline constexpr std::string_view kDefaultServerHost = "track.zort.ru";
inline constexpr std::string_view kDefaultServerPort = "23351";
inline constexpr std::string_view kDefaultWialonHost = "wialon.zort.ru";
inline constexpr std::string_view kDefaultWialonPort = "20332";

// Zeroes the image (its first kResetLength bytes) and stores the factory values.
// Slot 0 takes `ownerNumber` (UTF-8, the number now typed in Edit1) when a slot can
// hold it, and stays empty otherwise. Slots 24..29 are left zero.
void StoreDefaults(SettingsImage& image, std::string_view ownerNumber);

// The restore-defaults action: StoreDefaults with Edit1's text, then the image is
// shown in the pages. Edit1 keeps what was typed. The summary table is not refreshed.
void RestoreDefaults(SettingsImage& image, SettingsPages& pages);

}  // namespace zort
