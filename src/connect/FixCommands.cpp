#include "connect/FixCommands.h"

#include <algorithm>

namespace zort {
namespace {

bool IsCommand(const std::string& fix) {
    return fix.rfind("sudo ", 0) == 0;
}

void AddOnce(std::vector<std::string>& lines, const std::string& line) {
    if (std::find(lines.begin(), lines.end(), line) == lines.end()) lines.push_back(line);
}

// A fix of several lines is the text of a udev rule. Rules for several devices go into
// the one file together: writing them one after another would keep only the last.
void AddRuleLines(std::vector<std::string>& rule, const std::string& text) {
    size_t from = 0;
    while (from < text.size()) {
        const size_t end = std::min(text.find('\n', from), text.size());
        if (end > from) AddOnce(rule, text.substr(from, end - from));
        from = end + 1;
    }
}

}  // namespace

std::string FixCommands(const std::vector<CheckResult>& results) {
    std::vector<std::string> lines;
    std::vector<std::string> rule;
    for (const CheckResult& r : results) {
        if (r.status != CheckStatus::kProblem || r.fix.empty()) continue;
        if (r.fix.find('\n') != std::string::npos) {
            AddRuleLines(rule, r.fix);
        } else {
            AddOnce(lines, IsCommand(r.fix) ? r.fix : "# " + r.fix);
        }
    }
    std::string text;
    if (!rule.empty()) {
        text += "sudo tee " + std::string(kUdevRulePath) + " > /dev/null <<'EOF'\n";
        for (const std::string& line : rule) text += line + "\n";
        text += "EOF\nsudo udevadm control --reload-rules && sudo udevadm trigger\n";
    }
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

}  // namespace zort
