#include "files/Utf8Path.h"

#ifdef _WIN32
#include <windows.h>

#include <cerrno>
#endif

namespace zort {

std::filesystem::path PathFromUtf8(std::string_view utf8) {
    // Through char8_t: the one constructor that says what the bytes are on every system.
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

#ifdef _WIN32

std::wstring WideFromUtf8(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int wideSize = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), wideSize);
    return wide;
}

std::string Utf8FromWide(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int utf8Size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(utf8Size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), utf8Size, nullptr, nullptr);
    return utf8;
}

bool PathTooLong(const std::filesystem::path& path) {
    // The length Windows checks is the full path's; the size asked for counts the final zero.
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    return needed == 0 ? path.native().size() >= MAX_PATH : needed > MAX_PATH;
}

std::FILE* OpenFileUtf8(std::string_view utf8, const char* mode) {
    const std::filesystem::path path = PathFromUtf8(utf8);
    if (PathTooLong(path)) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    return ::_wfopen(path.c_str(), WideFromUtf8(mode).c_str());
}

#else

bool PathTooLong(const std::filesystem::path&) {
    return false;
}

std::FILE* OpenFileUtf8(std::string_view utf8, const char* mode) {
    return std::fopen(std::string(utf8).c_str(), mode);
}

#endif

}  // namespace zort
