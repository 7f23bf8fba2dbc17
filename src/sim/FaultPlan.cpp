#include "sim/FaultPlan.h"

#include <charconv>
#include <climits>

#include "sim/ParseNumber.h"

namespace zort::sim {
namespace {

struct ActionName {
    const char* text;
    FaultAction action;
    bool takesArg;
};

// In the order of FaultAction.
constexpr ActionName kActionNames[] = {
    {"drop", FaultAction::kDrop, false},  {"delay", FaultAction::kDelay, true},
    {"extra", FaultAction::kExtra, true}, {"garbage", FaultAction::kGarbage, true},
    {"short", FaultAction::kShort, true}, {"close", FaultAction::kClose, false},
    {"hold", FaultAction::kHold, false},
};

bool ParseHex(const std::string& text, std::vector<uint8_t>& bytes) {
    if (text.empty() || text.size() % 2 != 0) return false;
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        const auto [ptr, ec] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (ec != std::errc() || ptr != text.data() + i + 2) return false;
        bytes.push_back(static_cast<uint8_t>(value));
    }
    return true;
}

// ACTION[=ARG], the part before the '@'.
bool ParseAction(std::string action, const std::string& text, FaultRule& rule, std::string& error) {
    std::string arg;
    if (const size_t eq = action.find('='); eq != std::string::npos) {
        arg = action.substr(eq + 1);
        action.resize(eq);
    }
    for (const ActionName& n : kActionNames) {
        if (action != n.text) continue;
        rule.action = n.action;
        if (n.takesArg != !arg.empty() || (n.takesArg && !ParseNumber(arg, 0, INT_MAX, rule.arg))) {
            error = "bad argument for " + action + ": " + text;
            return false;
        }
        return true;
    }
    error = "unknown fault action: " + action;
    return false;
}

}  // namespace

const char* FaultActionName(FaultAction action) {
    return kActionNames[static_cast<int>(action)].text;
}

bool FaultActionTakesArg(FaultAction action) {
    return kActionNames[static_cast<int>(action)].takesArg;
}

bool ParseOccurrence(std::string text, int& nth, bool& onward) {
    onward = !text.empty() && text.back() == '+';
    if (onward) text.pop_back();
    return ParseNumber(text, 1, INT_MAX, nth);
}

bool FaultRule::Selects(int frameCommand, const std::vector<uint8_t>& framePayload) const {
    if (command != 0 && command != frameCommand) return false;
    return payload.empty() || payload == framePayload;
}

bool FaultRule::Fires(int count) const {
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
    if (!ParseAction(text.substr(0, at), text, rule, error)) return false;
    std::string cmd = text.substr(at + 1, hash - at - 1);
    if (const size_t colon = cmd.find(':'); colon != std::string::npos) {
        if (!ParseHex(cmd.substr(colon + 1), rule.payload)) {
            error = "bad payload (pairs of hex digits): " + text;
            return false;
        }
        cmd.resize(colon);
        if (cmd == "*") {
            error = "a payload needs a command code: " + text;
            return false;
        }
    }
    if (cmd == "*") {
        rule.command = 0;
    } else if (!ParseNumber(cmd, 1, 255, rule.command)) {
        error = "bad command code: " + text;
        return false;
    }
    if (!ParseOccurrence(text.substr(hash + 1), rule.nth, rule.onward)) {
        error = "bad frame count: " + text;
        return false;
    }
    return true;
}

}  // namespace zort::sim
