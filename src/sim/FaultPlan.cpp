#include "sim/FaultPlan.h"

#include <charconv>

namespace zort::sim {
namespace {

bool ParseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= 0;
}

}  // namespace

bool FaultRule::Matches(int frameCommand, int countOfCommand, int countOfAll) const {
    if (command != 0 && command != frameCommand) return false;
    const int count = command == 0 ? countOfAll : countOfCommand;
    return onward ? count >= nth : count == nth;
}

bool FaultRule::Parse(const std::string& text, FaultRule& rule, std::string& error) {
    rule = FaultRule{};
    const size_t at = text.find('@');
    const size_t hash = text.find('#', at == std::string::npos ? 0 : at);
    if (at == std::string::npos || hash == std::string::npos) {
        error = "expected ACTION[=ARG]@CMD#K[+]: " + text;
        return false;
    }
    std::string action = text.substr(0, at);
    std::string arg;
    if (const size_t eq = action.find('='); eq != std::string::npos) {
        arg = action.substr(eq + 1);
        action.resize(eq);
    }
    struct Name {
        const char* text;
        FaultAction action;
        bool needsArg;
    };
    static const Name kNames[] = {
        {"drop", FaultAction::kDrop, false},     {"delay", FaultAction::kDelay, true},
        {"extra", FaultAction::kExtra, true},    {"garbage", FaultAction::kGarbage, true},
        {"short", FaultAction::kShort, true},    {"close", FaultAction::kClose, false},
    };
    bool known = false;
    for (const Name& n : kNames) {
        if (action != n.text) continue;
        known = true;
        rule.action = n.action;
        if (n.needsArg != !arg.empty() || (n.needsArg && !ParseInt(arg, rule.arg))) {
            error = "bad argument for " + action + ": " + text;
            return false;
        }
    }
    if (!known) {
        error = "unknown fault action: " + action;
        return false;
    }
    const std::string cmd = text.substr(at + 1, hash - at - 1);
    std::string nth = text.substr(hash + 1);
    if (!nth.empty() && nth.back() == '+') {
        rule.onward = true;
        nth.pop_back();
    }
    if (cmd == "*") {
        rule.command = 0;
    } else if (!ParseInt(cmd, rule.command) || rule.command < 1 || rule.command > 255) {
        error = "bad command code: " + text;
        return false;
    }
    if (!ParseInt(nth, rule.nth) || rule.nth < 1) {
        error = "bad frame count: " + text;
        return false;
    }
    return true;
}

}  // namespace zort::sim
