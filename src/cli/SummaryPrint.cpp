#include "cli/SummaryPrint.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "link/Cp1251.h"
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

}  // namespace

std::string FormatSummary(const SettingsImage& image) {
    SummaryTable table;
    RefreshSummaryTable(image, table);
    return Columns(table);
}

std::string FormatDeviceInfo(const SettingsImage& image) {
    const std::array<std::array<std::string, 2>, 4> rows = {{
        {"Версия ПО:", image.Utf8Text(25)},
        {"Версия загрузчика:", image.Utf8Text(26)},
        {"IMEI:", image.Utf8Text(24)},
        {"", image.Utf8Text(29)},
    }};
    return "Информация об устройстве\n" + Columns(rows);
}

}  // namespace zort::cli
