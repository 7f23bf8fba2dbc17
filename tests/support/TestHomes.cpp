// Linked into every test program: before anything runs, the desktop's data and state
// folders point into the build tree, so backups and session logs of the programs under
// test never land in the home of whoever runs the suite.

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>

#include <filesystem>
#endif

namespace {

#ifdef _WIN32

// Both the C runtime's copy, which the program reads, and the process's own block, which
// the programs it starts inherit. The folder is made absolute ("/work/..." names no
// drive), as the program takes only absolute folders from these variables.
void PointInto(const wchar_t* variable, const wchar_t* folder) {
    const std::wstring value = std::filesystem::absolute(std::filesystem::path(ZORT_TEST_HOMES_DIR) / folder);
    ::_wputenv_s(variable, value.c_str());
    ::SetEnvironmentVariableW(variable, value.c_str());
}

const bool kHomesSet = [] {
    PointInto(L"APPDATA", L"data");
    PointInto(L"LOCALAPPDATA", L"state");
    return true;
}();

#else

const bool kHomesSet = [] {
    ::setenv("XDG_DATA_HOME", ZORT_TEST_HOMES_DIR "/data", 1);
    ::setenv("XDG_STATE_HOME", ZORT_TEST_HOMES_DIR "/state", 1);
    return true;
}();

#endif

}  // namespace
