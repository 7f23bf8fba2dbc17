#pragma once
// The serial ports offered in the port chooser.

#include <string>
#include <vector>

namespace zort {

// Serial devices of the machine that can be opened now, in natural order
// (/dev/ttyACM0, /dev/ttyACM1, /dev/ttyUSB0, ...). Ports held by another program are
// not listed.
std::vector<std::string> ListSerialPorts();

// The serial devices the kernel knows, whether or not they open: every entry of
// `sysClassTty` with a `device` link (virtual consoles and pseudo-terminals have
// none), as a path under `devDir`, in natural order. Parameterised for tests.
std::vector<std::string> FindSerialDevices(const std::string& sysClassTty = "/sys/class/tty",
                                           const std::string& devDir = "/dev");

// Orders names so that embedded numbers compare by value: ttyUSB2 < ttyUSB10, COM3 < COM10.
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace zort
