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

// fopen for a UTF-8 name (_wfopen on Windows). `mode` as for fopen.
std::FILE* OpenFileUtf8(std::string_view utf8, const char* mode);

#ifdef _WIN32
// UTF-8 <-> UTF-16 for the wide Windows calls; malformed UTF-8 becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);
#endif

}  // namespace zort
