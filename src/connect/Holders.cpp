#include "connect/Holders.h"

namespace zort {

std::string DescribeHolders(const std::vector<Holder>& holders) {
    std::string text;
    for (const Holder& h : holders) {
        if (!text.empty()) text += ", ";
        text += (h.name.empty() ? std::string("?") : h.name) + " (PID " + std::to_string(h.pid) + ")";
    }
    return text;
}

}  // namespace zort
