#pragma once
// The Wialon command file: three bytes that switch a tracker into one of three modes.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/SettingsFile.h"

namespace zort {

inline constexpr std::string_view kDefaultCommandFileName = "command.cfg";
inline constexpr std::string_view kCommandFileFilter = "Команда WIALON|*.cfg";

// The entries of TForm2's ComboBox1 (two blanks after "Включить"; the quotation marks
// are part of the text). Entry i selects mode i + 1.
inline constexpr std::array<std::string_view, 3> kCommandModeChoices = {
    "Включить  режим \"ПОИСК\"",
    "Включить  режим \"ТЕСТ\"",
    "Включить  режим \"СУТОЧНЫЙ\"",
};

struct CommandRecord {
    static constexpr std::uint8_t kKind = 2;  // a settings file starts with 1
    static constexpr std::uint8_t kSearchMode = 1;
    static constexpr std::uint8_t kTestMode = 2;
    static constexpr std::uint8_t kDailyMode = 3;

    std::uint8_t mode = kSearchMode;  // 1..3

    // The mode of ComboBox1's entry `index` (0..2).
    static CommandRecord FromChoice(int index) { return {static_cast<std::uint8_t>(index + 1)}; }
    bool IsValid() const { return mode >= kSearchMode && mode <= kDailyMode; }
    std::array<std::uint8_t, 3> Bytes() const { return {kKind, 1, mode}; }
};

// Saves the record under CfgFileName(name), replacing an existing file only with a
// complete new one. A record whose mode is not 1..3 is refused and nothing is written.
FileResult SaveCommandFile(const std::string& name, const CommandRecord& record);

}  // namespace zort
