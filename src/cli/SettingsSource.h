#pragma once
// Where a command takes its settings from (--json FILE, --cfg FILE or --defaults,
// then --set overrides) and how settings files are loaded and saved by their name.

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "cli/Outcome.h"
#include "worker/SettingsImage.h"

namespace zort::cli {

struct SettingsSource {
    std::string jsonPath;
    std::string cfgPath;
    bool defaults = false;
    std::vector<std::string> assignments;  // NAME=TEXT
};

// --json FILE | --cfg FILE | --defaults, exactly one of them.
void AddSourceOptions(CLI::App& command, SettingsSource& source);
// --set NAME=TEXT, repeatable.
void AddSetOption(CLI::App& command, SettingsSource& source);

// The factory values (with no owner's number), then the chosen file over them, then
// the assignments: what the pages of a freshly started configurator would hold after
// loading that file and typing those values.
Outcome BuildImage(const SettingsSource& source, SettingsImage& image);

enum class FileFormat { kUnknown, kCfg, kJson };

// By the name's ending: ".cfg" or ".json".
FileFormat FormatOf(const std::string& path);

// Loads a settings file over the image. A .cfg name goes through the configurator's
// ".cfg" rule, as in its load dialog.
Outcome LoadSettingsFile(const std::string& path, FileFormat format, SettingsImage& image);

// Saves the image; "-" as a JSON path writes the document to stdout. A .cfg name goes
// through the ".cfg" rule (a name without it gets it appended).
Outcome SaveSettingsFile(const std::string& path, FileFormat format, const SettingsImage& image);

}  // namespace zort::cli
