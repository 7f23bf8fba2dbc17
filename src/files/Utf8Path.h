#pragma once
// File names are UTF-8 std::strings everywhere in the program. These are the only places
// where one becomes an OS path and back: on Windows std::filesystem::path built from a
// char string takes the bytes in the ANSI code page, and fopen does too, so a Cyrillic
// firmware or sound file name would not be found. On Linux both are plain byte copies.

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace zort {

std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

// fopen for a UTF-8 name (_wfopen on Windows). `mode` as for fopen. A path too long
// for Windows fails with ENAMETOOLONG.
std::FILE* OpenFileUtf8(std::string_view utf8, const char* mode);

// Windows opens no path of MAX_PATH (260) characters or more for a program that does not
// declare itself long-path aware, and the C runtime's folder listing cannot follow one
// even behind the "\\?\" prefix. Such a path is refused before anything is opened, in
// words the user can act on rather than the "not found" Windows itself would give.
inline constexpr const char* kPathTooLongText = "путь длиннее 259 символов: Windows не открывает такие пути";

// Whether Windows would refuse `path` for its length (a relative one counted from the
// current folder, as Windows counts it). Never on Linux.
bool PathTooLong(const std::filesystem::path& path);

#ifdef _WIN32
// UTF-8 <-> UTF-16 for the wide Windows calls; malformed UTF-8 becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);
#endif

}  // namespace zort
