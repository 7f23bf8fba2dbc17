#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "service/ServiceProfile.h"

namespace zort {

ConfigLocation ConfigLocation::FromEnvironment() {
    namespace fs = std::filesystem;
    ConfigLocation l;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    l.executableDir = ec ? fs::current_path(ec) : exe.parent_path();
    l.executableDirWritable = access(l.executableDir.c_str(), W_OK) == 0;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME")) l.xdgConfigHome = xdg;
    if (const char* home = std::getenv("HOME")) {
        l.home = home;
    } else if (const passwd* pw = getpwuid(getuid())) {
        l.home = pw->pw_dir;
    }
    return l;
}

std::filesystem::path ConfigIniPath(const ConfigLocation& location) {
    namespace fs = std::filesystem;
    if (location.executableDirWritable) return location.executableDir / kConfigIniName;
    // A relative XDG_CONFIG_HOME is invalid and is to be ignored.
    fs::path base;
    if (!location.xdgConfigHome.empty() && fs::path(location.xdgConfigHome).is_absolute()) {
        base = location.xdgConfigHome;
    } else if (!location.home.empty()) {
        base = fs::path(location.home) / ".config";
    } else {
        // Nowhere better to go: reads still work, writes report their failure.
        return location.executableDir / kConfigIniName;
    }
    return base / kConfigFolderName / kConfigIniName;
}

}  // namespace zort
