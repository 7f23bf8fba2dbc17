#pragma once
// The summary table as text for a terminal: titles in one column, values aligned after
// them; and the device information of the last settings page.

#include <string>

#include "worker/SettingsImage.h"

namespace zort::cli {

// The 20 rows of the summary, one line each.
std::string FormatSummary(const SettingsImage& image);

// "Информация об устройстве" with software and boot loader versions, IMEI and the
// identity text below it, as the device page shows them.
std::string FormatDeviceInfo(const SettingsImage& image);

}  // namespace zort::cli
