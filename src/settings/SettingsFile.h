#pragma once
// File plumbing shared by the settings file and the Wialon command file: the ".cfg"
// name rule, a save that never leaves a half-written file, and a bounded read.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace zort {

// The outcome of a file operation. `error` is the Russian text for the user (shown in
// a box titled kFileErrorTitle); `osError` is what the system said, when it said
// anything.
struct FileResult {
    bool ok = true;
    std::string error;
    std::error_code osError;

    static FileResult Success() { return {}; }
    static FileResult Failure(std::string error, std::error_code osError = {}) {
        return {false, std::move(error), osError};
    }
    explicit operator bool() const { return ok; }
};

inline constexpr std::string_view kFileErrorTitle = "Ошибка";
inline constexpr std::string_view kOpenFileError = "Ошибка открытия файла";
inline constexpr std::string_view kWriteFileError = "Ошибка записи файла";

// A name that does not contain ".cfg" anywhere gets ".cfg" appended; any other name is
// used as it stands ("a.cfg.bak" included).
std::string CfgFileName(std::string name);

// Writes `bytes` to a temporary file beside `path`, then renames it over `path`. On
// any failure the temporary file is removed and an existing `path` is left untouched.
// Paths are UTF-8.
FileResult WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// Reads at most `limit` bytes from the start of the file at `path` (UTF-8).
FileResult ReadFileHead(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes);

}  // namespace zort
