#include <algorithm>
#include <filesystem>
#include <fstream>

#include "connect/PortCandidates.h"
#include "link/PortList.h"

namespace zort {
namespace {

namespace fs = std::filesystem;

// The 8250 driver registers ttyS0..ttyS31 whether or not a UART is fitted; sysfs gives
// the ones without one the port type 0 (unknown).
bool IsPhantomUart(const fs::path& ttyDir) {
    std::ifstream in(ttyDir / "type");
    int type = -1;
    return (in >> type) && type == 0;
}

}  // namespace

bool IsUsbSerialName(std::string_view name) {
    return name.starts_with("ttyACM") || name.starts_with("ttyUSB");
}

std::vector<std::string> CandidatePorts(const SystemView& system, const CandidateOptions& options) {
    std::vector<std::string> usb, other;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(system.SysRoot()) / "class/tty", ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code linkEc;
        // Consoles and pseudo-terminals have no device behind them.
        if (!fs::exists(it->path() / "device", linkEc)) continue;
        const std::string path = (fs::path(system.DevRoot()) / name).string();
        if (IsUsbSerialName(name)) {
            usb.push_back(path);
        } else if (options.all && !IsPhantomUart(it->path())) {
            other.push_back(path);
        }
    }
    std::sort(usb.begin(), usb.end(), NaturalLess);
    std::sort(other.begin(), other.end(), NaturalLess);
    usb.insert(usb.end(), other.begin(), other.end());
    for (const std::string& path : options.also) {
        std::error_code missing;
        if (options.presentOnly && !fs::exists(path, missing)) continue;
        if (std::find(usb.begin(), usb.end(), path) == usb.end()) usb.push_back(path);
    }
    return usb;
}

}  // namespace zort
