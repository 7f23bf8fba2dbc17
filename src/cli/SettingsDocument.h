#pragma once
// The settings as a JSON document: one object, one key per slot (the keys of the
// settings table), every value the slot's text as a string (UTF-8), so a round trip
// loses nothing. Scripts depend on the key names; they are only ever added to.

#include <string>
#include <string_view>
#include <vector>

#include "cli/Outcome.h"
#include "settings/SettingTable.h"
#include "worker/SettingsImage.h"

namespace zort::cli {

// All 30 keys in slot order, indented, ending with a newline.
std::string SettingsToJson(const SettingsImage& image);

// Stores the document's values over the image; absent keys keep what the image holds.
// Refuses (bad input, naming every offending key, image untouched) text that is not
// JSON, anything but one object, unknown keys, values that are not strings, and texts
// a slot cannot hold. `source` names the document in the message.
Outcome ApplySettingsJson(std::string_view text, const std::string& source, SettingsImage& image);

// The same for NAME=TEXT assignments (--set), applied in order.
Outcome ApplySettingAssignments(const std::vector<std::string>& assignments, SettingsImage& image);

}  // namespace zort::cli
