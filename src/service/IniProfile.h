#pragma once
// A small profile file of the Windows kind: "[section]" lines, then "key=value" lines.
// Section and key names are matched without regard to ASCII letter case; the first match
// wins. Every read goes to the file, every write rewrites it whole through a temporary
// file and a rename, so a crash never leaves half a file and a reader never sees one.
//
// The file is UTF-8. A file that is not valid UTF-8 was saved in the Windows-1251 code
// page (by an editor on Windows, say) and is read as such. A value with blanks at either
// end is written in double quotes, which reading removes, so it comes back as given.

#include <filesystem>
#include <string>
#include <string_view>

namespace zort {

class IniProfile {
  public:
    explicit IniProfile(std::filesystem::path file) : file(std::move(file)) {}

    // The value of `key` in `section`; `fallback` when the file, the section or the key
    // is missing.
    std::string Read(std::string_view section, std::string_view key, std::string_view fallback = {}) const;

    // Sets `key` in `section`, adding either where missing; other sections, keys and
    // comments stay as they were. Creates the file (and its folder) when missing. False,
    // with the reason (Russian) in `why`, when it cannot be written or the value holds a
    // line break.
    bool Write(std::string_view section, std::string_view key, std::string_view value,
               std::string* why = nullptr) const;

    const std::filesystem::path& Path() const { return file; }

  private:
    std::filesystem::path file;
};

}  // namespace zort
