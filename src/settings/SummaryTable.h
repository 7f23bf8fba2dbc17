#pragma once
// The read-only overview of the settings: 20 rows of title and value in words (UTF-8),
// shown by the GUI's last page and printed by the CLI.

#include <array>
#include <string>

#include "worker/SettingsImage.h"

namespace zort {

inline constexpr int kSummaryRows = 20;

// [row][0] is the title, [row][1] the value.
using SummaryTable = std::array<std::array<std::string, 2>, kSummaryRows>;

// Rewrites every title and the value of every row from the image. A slot value that
// has no wording leaves that row's value as it was, so the caller keeps one table for
// the whole run and passes it in again.
void RefreshSummaryTable(const SettingsImage& image, SummaryTable& table);

}  // namespace zort
