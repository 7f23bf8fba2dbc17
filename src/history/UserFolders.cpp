#include "history/UserFolders.h"

#include <cstdlib>

namespace zort {
namespace {

constexpr const char* kProgramFolder = "zort-configurator";

std::filesystem::path Folder(const Environment& env, const char* variable, const char* underHome) {
    const char* value = env(variable);
    if (value != nullptr && value[0] == '/') return std::filesystem::path(value) / kProgramFolder;
    const char* home = env("HOME");
    if (home != nullptr && home[0] == '/') return std::filesystem::path(home) / underHome / kProgramFolder;
    return {};
}

}  // namespace

const char* ProcessEnvironment(const char* name) {
    return std::getenv(name);
}

std::filesystem::path ProgramDataFolder(const Environment& env) {
    return Folder(env, "XDG_DATA_HOME", ".local/share");
}

std::filesystem::path ProgramStateFolder(const Environment& env) {
    return Folder(env, "XDG_STATE_HOME", ".local/state");
}

}  // namespace zort
