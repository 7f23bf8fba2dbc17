#include "sim/FaultPlan.h"

#include <charconv>

namespace zort::sim {
namespace {

bool ParseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= 0;
}

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

}  // namespace

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
        {"drop", FaultAction::kDrop, false},  {"delay", FaultAction::kDelay, true},
        {"extra", FaultAction::kExtra, true}, {"garbage", FaultAction::kGarbage, true},
        {"short", FaultAction::kShort, true}, {"close", FaultAction::kClose, false},
        {"hold", FaultAction::kHold, false},
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
