#include "connect/ComPortName.h"

#include <algorithm>
#include <cctype>

namespace zort {
namespace {

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

}  // namespace

std::string PortDeviceName(std::string_view name) {
    for (std::string_view prefix : {"\\\\.\\", "\\\\?\\"}) {
        if (name.starts_with(prefix)) {
            name.remove_prefix(prefix.size());
            break;
        }
    }
    if (name.empty() || name.find_first_of("\\/:") != std::string_view::npos) return {};
    return std::string(name);
}

bool IsComName(std::string_view device) {
    if (device.size() < 4) return false;
    if (Upper(device[0]) != 'C' || Upper(device[1]) != 'O' || Upper(device[2]) != 'M') return false;
    return std::all_of(device.begin() + 3, device.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

bool SamePortName(std::string_view a, std::string_view b) {
    const std::string left = PortDeviceName(a);
    const std::string right = PortDeviceName(b);
    if (left.empty() || right.empty()) return a == b;
    return std::equal(left.begin(), left.end(), right.begin(), right.end(),
                      [](char x, char y) { return Upper(x) == Upper(y); });
}

}  // namespace zort
