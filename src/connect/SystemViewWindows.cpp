#include "connect/SystemView.h"
#include "link/PortList.h"

namespace zort {

std::vector<std::string> HostSystemView::SerialPorts() const {
    return FindSerialDevices();
}

const SystemView& HostSystem() {
    static const HostSystemView host;
    return host;
}

}  // namespace zort
