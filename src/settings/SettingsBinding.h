#pragma once
// Moving settings between the image and the pages. Both directions run on the thread
// that owns the pages (the GUI's main thread, or the CLI's only one).

#include <vector>

#include "settings/SettingsPages.h"
#include "settings/SettingsPrompts.h"
#include "worker/SettingsImage.h"

namespace zort {

// Shows the image in the pages (after a device read, a file load, restore-defaults).
// Never fails. A value the pages cannot show (time zone outside -12..14, minute 60, a
// mode with no radio button...) leaves its control as it was; the slots concerned are
// returned in ascending order, empty when everything was shown. "00000" in slots 0 and
// 1 is not shown either, by design, and is not reported.
std::vector<int> ImageToControls(const SettingsImage& image, SettingsPages& pages);

// Stores the pages into slots 0..23 and 28 before a device write or a file save.
// Questions and refusals reach the user through `prompts` in the order the pages are
// checked; navigation moves to the field concerned before each. On any refusal, or
// "No" to a question, returns false and the image is left exactly as it was: nothing
// is stored until every field has passed.
bool ControlsToImage(SettingsPages& pages, SettingsImage& image, SettingsPrompts& prompts);

}  // namespace zort
