#pragma once
// How a command ended, and the one place where that becomes an exit status and an
// error on stderr. Scripts depend on the statuses: 0 done, 1 the device operation
// failed (no device, a reply missing, the tracker refused or did not keep a value),
// 2 bad usage or bad input (a file, a value, a validation question answered "no").

#include <cstdio>
#include <string>

namespace zort::cli {

enum class OutcomeKind {
    kSuccess,
    kDeviceFailed,
    kBadInput,
};

struct Outcome {
    OutcomeKind kind = OutcomeKind::kSuccess;
    std::string message;  // the system's text (UTF-8), first line on stderr
    std::string detail;   // more, where known; may span lines; may be empty

    static Outcome Success() { return {}; }
    static Outcome DeviceFailed(std::string message, std::string detail = {}) {
        return {OutcomeKind::kDeviceFailed, std::move(message), std::move(detail)};
    }
    static Outcome BadInput(std::string message, std::string detail = {}) {
        return {OutcomeKind::kBadInput, std::move(message), std::move(detail)};
    }
    bool Ok() const { return kind == OutcomeKind::kSuccess; }
};

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitDeviceFailed = 1;
inline constexpr int kExitBadInput = 2;

int ExitStatus(OutcomeKind kind);

// Prints a failure (message, then detail) to `err` and returns the exit status.
int Finish(const Outcome& outcome, std::FILE* err = stderr);

}  // namespace zort::cli
