#pragma once
// Where the program keeps what it remembers for the user, after the desktop's rules:
// data (backups) under $XDG_DATA_HOME, state (the session log) under $XDG_STATE_HOME,
// each falling back to its folder under $HOME. A relative value is ignored, as those
// rules say.

#include <filesystem>
#include <functional>

namespace zort {

// Reads an environment variable; nullptr when it is not set. Tests pass their own.
using Environment = std::function<const char*(const char*)>;
const char* ProcessEnvironment(const char* name);

// "<data home>/zort-configurator"; empty when neither variable gives a folder.
std::filesystem::path ProgramDataFolder(const Environment& env = ProcessEnvironment);
// "<state home>/zort-configurator".
std::filesystem::path ProgramStateFolder(const Environment& env = ProcessEnvironment);

}  // namespace zort
