#include "cli/Outcome.h"

namespace zort::cli {

int ExitStatus(OutcomeKind kind) {
    switch (kind) {
        case OutcomeKind::kSuccess:
            return kExitSuccess;
        case OutcomeKind::kDeviceFailed:
            return kExitDeviceFailed;
        case OutcomeKind::kBadInput:
            return kExitBadInput;
    }
    return kExitBadInput;
}

int Finish(const Outcome& outcome, std::FILE* err) {
    if (!outcome.Ok()) {
        if (!outcome.message.empty()) std::fprintf(err, "%s\n", outcome.message.c_str());
        if (!outcome.detail.empty()) std::fprintf(err, "%s\n", outcome.detail.c_str());
        std::fflush(err);
    }
    return ExitStatus(outcome.kind);
}

}  // namespace zort::cli
