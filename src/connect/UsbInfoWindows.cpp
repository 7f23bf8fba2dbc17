#include "connect/UsbInfo.h"

namespace zort {

// The device behind a COM port is known to the setup API, not to anything the checks
// read cheaply; unknown, every port is shown by its name alone.
std::optional<UsbInfo> FindUsbInfo(const SystemView&, const std::string&) {
    return std::nullopt;
}

}  // namespace zort
