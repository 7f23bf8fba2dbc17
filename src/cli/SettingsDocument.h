#pragma once
// The settings as a JSON document: one object, one key per slot, every value the
// slot's text as a string (UTF-8), so a round trip loses nothing. Scripts depend on the
// key names; they are only ever added to.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Outcome.h"
#include "worker/SettingsImage.h"

namespace zort::cli {

inline constexpr std::array<std::string_view, kSlotCount> kSettingsKeys = {
    "owner_phone",
    "pin",
    "time_zone",
    "contact_time",
    "coord_format",
    "delivery_mode",
    "server_host",
    "server_port",
    "wialon_enabled",
    "wialon_host",
    "wialon_port",
    "wialon_password",
    "wakeup_frequency",
    "fix_period_days",
    "marker_14",
    "guard_mode",
    "guard_intervals",
    "sensor_timeout_min",
    "false_trigger_protection",
    "amplitude_threshold",
    "duration_threshold",
    "geofence",
    "balance_threshold",
    "balance_code",
    "imei",
    "software_version",
    "bootloader_version",
    "device_info",
    "marker_28",
    "device_identity",
};

// The slot a key names, -1 for an unknown key.
int SlotOfKey(std::string_view key);

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
