#pragma once
// The installer's devices table: one row per tracker, its IMEI and the settings that
// tracker gets besides the common profile. Columns are named by settings document keys.

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zort {

struct DeviceRow {
    int line = 0;
    std::string imei;
    // Settings document key -> UTF-8 text, in column order; empty cells are left out.
    std::vector<std::pair<std::string, std::string>> values;
};

struct DeviceTable {
    bool ok = true;
    std::string message;  // "Ошибка в таблице устройств «<source>»"
    std::string detail;   // every problem found, one per line, in file order
    std::string source;
    std::vector<DeviceRow> rows;  // in file order; none when !ok

    const DeviceRow* Find(std::string_view imei) const;  // nullptr when absent
};

// `source` names the table in the message (the file it came from).
DeviceTable ParseDeviceTable(std::string_view bytes, const std::string& source);
// `file` as the user named it (UTF-8).
DeviceTable LoadDeviceTable(const std::string& file);

}  // namespace zort
