#pragma once
// Names of Windows's serial ports. COM5, com5 and \\.\COM5 are one port: the device
// namespace's prefix is needed from COM10 on and allowed below, and device names are
// compared without regard to case. A name with a folder or a drive in it is a path.

#include <string>
#include <string_view>

namespace zort {

// The device name without the namespace's prefix ("COM5" for \\.\COM5); empty for a path.
std::string PortDeviceName(std::string_view name);

// COM followed by digits, in any case.
bool IsComName(std::string_view device);

// Whether two names given for ports name the same device.
bool SamePortName(std::string_view a, std::string_view b);

}  // namespace zort
