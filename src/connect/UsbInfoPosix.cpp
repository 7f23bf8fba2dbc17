#include <filesystem>
#include <fstream>

#include "connect/UsbInfo.h"

namespace zort {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> ReadAttribute(const fs::path& dir, const char* name) {
    std::ifstream in(dir / name);
    std::string line;
    if (!in || !std::getline(in, line)) return std::nullopt;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    if (line.empty()) return std::nullopt;
    return line;
}

}  // namespace

std::optional<UsbInfo> FindUsbInfo(const SystemView& system, const std::string& port) {
    const std::string name = fs::path(port).filename().string();
    std::error_code ec;
    const fs::path sysRoot = fs::weakly_canonical(system.SysRoot(), ec);
    fs::path dir = fs::canonical(fs::path(system.SysRoot()) / "class/tty" / name / "device", ec);
    if (ec) return std::nullopt;
    // Up from the interface until a folder carries the device's ids; never above /sys.
    for (int depth = 0; depth < 16 && !dir.empty() && dir != dir.root_path(); ++depth) {
        if (dir.string().rfind(sysRoot.string() + "/", 0) != 0) break;
        if (fs::exists(dir / "idVendor", ec) && fs::exists(dir / "idProduct", ec)) {
            UsbInfo usb;
            usb.vid = ReadAttribute(dir, "idVendor");
            usb.pid = ReadAttribute(dir, "idProduct");
            usb.manufacturer = ReadAttribute(dir, "manufacturer");
            usb.product = ReadAttribute(dir, "product");
            usb.serial = ReadAttribute(dir, "serial");
            return usb;
        }
        dir = dir.parent_path();
    }
    return std::nullopt;
}

}  // namespace zort
