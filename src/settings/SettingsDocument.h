#pragma once
// The settings as a JSON document: one object, one key per slot (the keys of the
// settings table), every value the slot's text as a string (UTF-8), so a round trip
// loses nothing. Scripts depend on the key names; they are only ever added to. A backup
// carries a few keys about itself besides; whoever reads it names them.

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/SettingTable.h"
#include "worker/SettingsImage.h"

namespace zort {

// Why a document was refused: a first line, and every offending key below it.
struct DocumentResult {
    bool ok = true;
    std::string message;
    std::string detail;

    explicit operator bool() const { return ok; }
};

// Keys besides the settings, with their text (UTF-8), in the order given.
using DocumentExtras = std::vector<std::pair<std::string, std::string>>;

// `extras` first, then all 30 keys in slot order, indented, ending with a newline.
std::string SettingsToJson(const SettingsImage& image, const DocumentExtras& extras = {});
// Only the settings a write sends, without what the tracker tells about itself: a
// profile for other trackers.
std::string WrittenSettingsToJson(const SettingsImage& image);

// Stores the document's values over the image; absent keys keep what the image holds.
// Refuses (naming every offending key, image untouched) text that is not JSON, anything
// but one object, unknown keys, values that are not strings, and texts a slot cannot
// hold. `source` names the document in the message. Keys in `extraKeys` are allowed
// and their string values returned in `extras`.
DocumentResult ApplySettingsDocument(std::string_view text, const std::string& source, SettingsImage& image,
                                     std::span<const std::string_view> extraKeys = {},
                                     DocumentExtras* extras = nullptr);

// The same for NAME=TEXT assignments (--set), applied in order.
DocumentResult ApplySettingsAssignments(const std::vector<std::string>& assignments, SettingsImage& image);

}  // namespace zort
