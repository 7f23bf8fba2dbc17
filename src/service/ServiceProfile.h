#pragma once
// "config.ini", where the service window keeps its folder, paths and phone number, and
// the file dialogs the folder they were last used in: section "config", keys
// "Directory", "DAPath", "FirmwarePath", "Phone" and "LastFolder".
//
// It lives beside the executable. Where that folder cannot be written (an installed
// program), it lives in $XDG_CONFIG_HOME/zort-configurator/ (by default
// ~/.config/zort-configurator/), on Windows in %APPDATA%\ZORT\, instead, for reading
// as well as writing, so what is written is what the next start reads.

#include <filesystem>
#include <string>

#include "service/IniProfile.h"

namespace zort {

inline constexpr const char* kConfigIniName = "config.ini";
#ifdef _WIN32
inline constexpr const char* kConfigFolderName = "ZORT";
#else
inline constexpr const char* kConfigFolderName = "zort-configurator";
#endif
inline constexpr const char* kConfigSection = "config";
inline constexpr const char* kKeyDirectory = "Directory";
inline constexpr const char* kKeyDAPath = "DAPath";
inline constexpr const char* kKeyFirmwarePath = "FirmwarePath";
inline constexpr const char* kKeyPhone = "Phone";
inline constexpr const char* kKeyLastFolder = "LastFolder";

// What decides where "config.ini" is; tests build their own.
struct ConfigLocation {
    std::filesystem::path executableDir;
    bool executableDirWritable = true;
    std::string xdgConfigHome;        // empty when unset
    std::string home;                 // empty when unknown
    std::filesystem::path appData{};  // %APPDATA% on Windows; empty when unset

    // The running program's folder, whether it may be written, and the environment.
    static ConfigLocation FromEnvironment();
};

std::filesystem::path ConfigIniPath(const ConfigLocation& location);

// The profile of this program: ConfigIniPath(ConfigLocation::FromEnvironment()).
IniProfile OpenConfigIni();

// The four values the service window starts with; empty when missing.
struct ServiceProfile {
    std::string directory;
    std::string daPath;
    std::string firmwarePath;
    std::string phone;

    static ServiceProfile Load(const IniProfile& ini);
};

}  // namespace zort
