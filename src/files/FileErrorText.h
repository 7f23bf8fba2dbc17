#pragma once
// What a failed file operation tells the user: the common causes in Russian words, and
// the system's own text for the rest.

#include <string>
#include <system_error>

namespace zort {

std::string FileErrorText(const std::error_code& error);

}  // namespace zort
