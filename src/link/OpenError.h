#pragma once
// Why a serial port could not be opened, with the OS error of the call that failed, and
// the line a person reads about it.

#include <string>

namespace zort {

enum class OpenFailure {
    kNone,
    kNoDevice,          // no such device (unplugged, wrong name)
    kPermissionDenied,  // the user may not open it
    kBusy,              // another program holds it
    kNotSerial,         // it exists but is not a terminal device
    kSetupFailed,       // line settings could not be applied
    kCancelled,         // the channel was cancelled (the program is closing)
};

struct OpenError {
    OpenFailure reason = OpenFailure::kNone;
    int osError = 0;          // errno of the failing call (GetLastError() on Windows)
    std::string port;         // the name that was opened
    std::string accessGroup;  // group that owns the device, for kPermissionDenied

    // One line, Russian, for a message box or stderr: what went wrong and what helps.
    std::string Describe() const;
};

// The system's own words for `osError`: strerror, or on Windows FormatMessage in the
// user's language without the closing dot.
std::string OsErrorText(int osError);

}  // namespace zort
