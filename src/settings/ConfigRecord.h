#pragma once
// The settings file: one 118-byte record carrying 19 of the 30 settings, numbers as
// little-endian binary and texts as fixed-width Windows-1251 fields. The Wialon slots
// 8..11, the markers 14 and 28 and the device information are not in it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "settings/SettingsFile.h"
#include "worker/SettingsImage.h"

namespace zort {

inline constexpr std::size_t kConfigRecordSize = 118;
inline constexpr std::string_view kDefaultConfigFileName = "config.cfg";
inline constexpr std::string_view kConfigFileFilter = "Файл конфигурации|*.cfg";

struct ConfigRecord {
    std::array<std::uint8_t, kConfigRecordSize> bytes{};

    // Packs the image. Refuses, naming the field, a text longer than its field (phone
    // 29, server 31, balance code 9, contact time 4, intervals 16, geofence 5
    // characters) or a number its field cannot hold (port and balance threshold over
    // 65535, a one-byte setting over 255, a time zone outside -128..127); `out` is
    // untouched then.
    static FileResult FromImage(const SettingsImage& image, ConfigRecord& out);

    // Takes the bytes of a file: refuses anything that does not open with the record
    // kind 01 01 01; a shorter record reads with its missing bytes zero, a longer one
    // is cut at 118 bytes.
    static FileResult FromBytes(std::span<const std::uint8_t> data, ConfigRecord& out);

    // Clears slots 0..7, 12, 13 and 15..23 and fills them from the record; every other
    // slot keeps what it held.
    void ToImage(SettingsImage& image) const;
};

// Saves the image under CfgFileName(name). Nothing is written unless the image packs,
// and an existing file is replaced only by a complete new one.
FileResult SaveConfigFile(const std::string& name, const SettingsImage& image);

// Loads CfgFileName(name) into the image; on any failure the image is unchanged.
// Showing the result in the pages and the summary is the caller's next step.
FileResult LoadConfigFile(const std::string& name, SettingsImage& image);

}  // namespace zort
