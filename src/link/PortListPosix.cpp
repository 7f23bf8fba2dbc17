// Port enumeration from sysfs: a tty with a `device` link is backed by hardware (or a
// driver that behaves like it); consoles and pseudo-terminals have none.

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "link/PortList.h"

namespace zort {
namespace {

// The legacy 8250 driver registers ttyS0..ttyS31 whether or not a UART is fitted;
// those without one report PORT_UNKNOWN and would only confuse the user.
bool IsPhantomUart(int fd) {
    serial_struct info{};
    if (ioctl(fd, TIOCGSERIAL, &info) != 0) return false;
    return info.type == PORT_UNKNOWN;
}

bool OpensNow(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    bool usable = isatty(fd) && flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (usable && path.find("/ttyS") != std::string::npos) usable = !IsPhantomUart(fd);
    ::close(fd);
    return usable;
}

}  // namespace

std::vector<std::string> FindSerialDevices(const std::string& sysClassTty, const std::string& devDir) {
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    std::error_code ec;
    for (fs::directory_iterator it(sysClassTty, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkEc;
        if (!fs::exists(it->path() / "device", linkEc)) continue;
        found.push_back((fs::path(devDir) / it->path().filename()).string());
    }
    std::sort(found.begin(), found.end(), NaturalLess);
    return found;
}

std::vector<std::string> ListSerialPorts() {
    std::vector<std::string> ports;
    for (const std::string& path : FindSerialDevices()) {
        if (OpensNow(path)) ports.push_back(path);
    }
    return ports;
}

}  // namespace zort
