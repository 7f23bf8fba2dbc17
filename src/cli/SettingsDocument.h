#pragma once
// The settings document for the command line: the document's refusals are bad input.

#include <string>
#include <string_view>
#include <vector>

#include "cli/Outcome.h"
#include "settings/SettingsDocument.h"

namespace zort::cli {

using zort::SettingsToJson;

Outcome ApplySettingsJson(std::string_view text, const std::string& source, SettingsImage& image);
Outcome ApplySettingAssignments(const std::vector<std::string>& assignments, SettingsImage& image);

}  // namespace zort::cli
