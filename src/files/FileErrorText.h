#pragma once
// What a failed file operation tells the user: the common causes in Russian words, and
// the system's own text for the rest.

#include <string>
#include <system_error>

namespace zort {

// For a file being written.
std::string FileErrorText(const std::error_code& error);
// For a file being read.
std::string FileReadErrorText(const std::error_code& error);

}  // namespace zort
