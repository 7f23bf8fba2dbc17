#pragma once
// The serial ports offered in the port chooser.

#include <string>
#include <vector>

namespace zort {

// Serial devices of the machine that can be opened now, in natural order
// (/dev/ttyACM0, /dev/ttyACM1, /dev/ttyUSB0, ...; COM3, COM10 on Windows). Ports held by
// another program are not listed.
std::vector<std::string> ListSerialPorts();

#ifdef _WIN32
// The COM ports the drivers have registered, whether or not they open: the data of the
// string values of `registryKey` (HKEY_LOCAL_MACHINE\ or HKEY_CURRENT_USER\ and the
// key's path), in natural order. Parameterised for tests.
std::vector<std::string> FindSerialDevices(
    const std::string& registryKey = "HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM");
#else
// The serial devices the kernel knows, whether or not they open: every entry of
// `sysClassTty` with a `device` link (virtual consoles and pseudo-terminals have
// none), as a path under `devDir`, in natural order. Parameterised for tests.
std::vector<std::string> FindSerialDevices(const std::string& sysClassTty = "/sys/class/tty",
                                           const std::string& devDir = "/dev");
#endif

// Orders names so that embedded numbers compare by value: ttyUSB2 < ttyUSB10, COM3 < COM10.
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace zort
