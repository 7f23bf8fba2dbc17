#include <windows.h>

#include <cstdlib>
#include <string>
#include <system_error>

#include "service/ServiceProfile.h"

namespace zort {
namespace {

namespace fs = std::filesystem;

fs::path ProgramFolder() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) {
            std::error_code ec;
            return fs::current_path(ec);
        }
        // A name that filled the buffer may have been cut.
        if (length < name.size()) {
            name.resize(length);
            return fs::path(name).parent_path();
        }
        name.resize(name.size() * 2);
    }
}

// Neither the folder's attributes nor a look at its access list answer this on Windows
// (Program Files refuses through inherited rights, a read-only attribute on a folder
// means nothing), so a file is made there and goes again when closed.
bool CanCreateFilesIn(const fs::path& folder) {
    const fs::path probe = folder / (L"config-" + std::to_wstring(::GetCurrentProcessId()) + L".probe");
    const HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(file);
    return true;
}

}  // namespace

ConfigLocation ConfigLocation::FromEnvironment() {
    ConfigLocation l;
    l.executableDir = ProgramFolder();
    l.executableDirWritable = CanCreateFilesIn(l.executableDir);
    if (const wchar_t* appData = ::_wgetenv(L"APPDATA")) l.appData = fs::path(appData);
    return l;
}

std::filesystem::path ConfigIniPath(const ConfigLocation& location) {
    if (location.executableDirWritable) return location.executableDir / kConfigIniName;
    if (location.appData.is_absolute()) return location.appData / kConfigFolderName / kConfigIniName;
    // Nowhere better to go: reads still work, writes report their failure.
    return location.executableDir / kConfigIniName;
}

}  // namespace zort
