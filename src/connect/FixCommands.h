#pragma once
// The doctor's fixes as something to paste into a terminal: the commands as they are,
// the udev rules written to their file in one go, and advice that is no command kept as
// a comment, so that pasting the whole text never runs anything unintended.

#include <string>
#include <vector>

#include "connect/DoctorChecks.h"

namespace zort {

// Empty when no check found a problem with a fix.
std::string FixCommands(const std::vector<CheckResult>& results);

}  // namespace zort
