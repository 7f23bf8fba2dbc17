#include "cli/SummaryPrint.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "link/Cp1251.h"
#include "settings/SettingTable.h"
#include "settings/SummaryTable.h"

namespace zort::cli {
namespace {

// Columns are counted in characters, not bytes: the titles are Cyrillic.
template <typename Rows>
std::string Columns(const Rows& rows) {
    size_t width = 0;
    for (const auto& row : rows) width = std::max(width, Utf8Length(row[0]));
    std::string text;
    for (const auto& row : rows) {
        text += row[0];
        if (!row[1].empty()) text.append(width - Utf8Length(row[0]) + 2, ' ') += row[1];
        text += '\n';
    }
    return text;
}

std::string Caption(int slot) {
    return std::string(SettingOf(slot).name) + ":";
}

}  // namespace

std::string FormatSummary(const SettingsImage& image) {
    SummaryTable table;
    RefreshSummaryTable(image, table);
    return Columns(table);
}

std::string FormatDeviceInfo(const SettingsImage& image) {
    const std::array<std::array<std::string, 2>, 4> rows = {{
        {Caption(slot::kSoftwareVersion), image.Utf8Text(slot::kSoftwareVersion)},
        {Caption(slot::kBootloaderVersion), image.Utf8Text(slot::kBootloaderVersion)},
        {Caption(slot::kImei), image.Utf8Text(slot::kImei)},
        {"", image.Utf8Text(slot::kDeviceIdentity)},
    }};
    return "Информация об устройстве\n" + Columns(rows);
}

}  // namespace zort::cli
