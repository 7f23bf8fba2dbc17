#pragma once
// Windows-1251 <-> UTF-8. The tracker's texts and the settings files are Windows-1251
// bytes; everything inside the program and everything printed is UTF-8.

#include <string>
#include <string_view>

namespace zort {

// Every Windows-1251 byte maps to one character (0x98, undefined in the code page,
// becomes U+FFFD), so this never fails.
std::string Cp1251ToUtf8(std::string_view cp1251);

// Characters with no Windows-1251 byte become '?'; so do malformed UTF-8 sequences.
// `lossless`, when given, tells whether every character found its byte.
std::string Utf8ToCp1251(std::string_view utf8, bool* lossless = nullptr);

// Number of characters (code points) in a UTF-8 text: what a user counts in a field.
size_t Utf8Length(std::string_view utf8);

}  // namespace zort
