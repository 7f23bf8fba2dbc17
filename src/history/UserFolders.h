#pragma once
// Where the program keeps what it remembers for the user. On Linux after the desktop's
// rules: data (backups) under $XDG_DATA_HOME, state (the session log) under
// $XDG_STATE_HOME, each falling back to its folder under $HOME; a relative value is
// ignored, as those rules say. On Windows in a "ZORT" folder: data in %APPDATA%, which
// follows the user from machine to machine, state in %LOCALAPPDATA%, this machine's;
// each falls back to the other.

#include <filesystem>
#include <functional>

namespace zort {

// Reads an environment variable (UTF-8); nullptr when it is not set. Tests pass their own.
using Environment = std::function<const char*(const char*)>;
const char* ProcessEnvironment(const char* name);

// "<data home>/zort-configurator" ("%APPDATA%\ZORT"); empty when no variable gives a folder.
std::filesystem::path ProgramDataFolder(const Environment& env = ProcessEnvironment);
// "<state home>/zort-configurator" ("%LOCALAPPDATA%\ZORT").
std::filesystem::path ProgramStateFolder(const Environment& env = ProcessEnvironment);

}  // namespace zort
