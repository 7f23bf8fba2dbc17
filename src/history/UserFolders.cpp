#include "history/UserFolders.h"

#include <cstdlib>

#include "files/Utf8Path.h"

#ifdef _WIN32
#include <mutex>
#include <set>
#include <string>
#endif

namespace zort {
namespace {

#ifdef _WIN32

constexpr const char* kProgramFolder = "ZORT";

std::filesystem::path Folder(const Environment& env, const char* first, const char* second) {
    for (const char* variable : {first, second}) {
        const char* value = env(variable);
        if (value == nullptr) continue;
        const std::filesystem::path folder = PathFromUtf8(value);
        if (folder.is_absolute()) return folder / kProgramFolder;
    }
    return {};
}

#else

constexpr const char* kProgramFolder = "zort-configurator";

std::filesystem::path Folder(const Environment& env, const char* variable, const char* underHome) {
    const char* value = env(variable);
    if (value != nullptr && value[0] == '/') return std::filesystem::path(value) / kProgramFolder;
    const char* home = env("HOME");
    if (home != nullptr && home[0] == '/') return std::filesystem::path(home) / underHome / kProgramFolder;
    return {};
}

#endif

}  // namespace

#ifdef _WIN32

// The variables are read wide and kept as UTF-8 for the rest of the run: a value handed
// out stays valid, and one the program changes later is a new entry.
const char* ProcessEnvironment(const char* name) {
    const wchar_t* wide = ::_wgetenv(WideFromUtf8(name).c_str());
    if (wide == nullptr) return nullptr;
    static std::mutex mutex;
    static std::set<std::string> values;
    std::lock_guard lock(mutex);
    return values.insert(Utf8FromWide(wide)).first->c_str();
}

std::filesystem::path ProgramDataFolder(const Environment& env) {
    return Folder(env, "APPDATA", "LOCALAPPDATA");
}

std::filesystem::path ProgramStateFolder(const Environment& env) {
    return Folder(env, "LOCALAPPDATA", "APPDATA");
}

#else

const char* ProcessEnvironment(const char* name) {
    return std::getenv(name);
}

std::filesystem::path ProgramDataFolder(const Environment& env) {
    return Folder(env, "XDG_DATA_HOME", ".local/share");
}

std::filesystem::path ProgramStateFolder(const Environment& env) {
    return Folder(env, "XDG_STATE_HOME", ".local/state");
}

#endif

}  // namespace zort
