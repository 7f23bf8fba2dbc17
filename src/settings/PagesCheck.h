#pragma once
// Settings that did not come from the pages (a file, a backup, a profile, KEY=VALUE on
// the command line) checked as the write button checks what the pages hold: the image
// goes into a fresh set of pages and back. What the pages cannot show would be lost on
// that way, so it is refused; what they show differently is normalised as they would.

#include <vector>

#include "settings/SettingsPages.h"
#include "settings/SettingsPrompts.h"
#include "worker/SettingsImage.h"

namespace zort {

struct PagesCheck {
    bool ok = false;
    std::vector<int> unshown;     // slots whose text no page can show; nothing else is checked then
    std::vector<int> normalised;  // written slots the pages changed ("050" became "50")
};

// `image` is changed as the pages change it; the questions and refusals go to `prompts`.
// `shown`, when given, gets the pages as the check left them (for a window to show).
PagesCheck CheckThroughPages(SettingsImage& image, SettingsPrompts& prompts, SettingsPages* shown = nullptr);

}  // namespace zort
