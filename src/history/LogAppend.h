#pragma once
// One line added to a log file that several programs write at once: under an exclusive
// lock on the file, after moving a file of `limit` bytes or more aside ("log" to "log.1",
// "log.1" to "log.2" and so on, the one past `kept` dropped). A line is never torn, nor
// lost in another program's rotation: a program that opened the file before it was moved
// finds out once it holds the lock, and opens the new one.

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace zort {

// False when the line could not be written.
bool AppendToLog(const std::filesystem::path& file, std::string_view line, std::uintmax_t limit, int kept);

}  // namespace zort
