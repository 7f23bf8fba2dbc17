#include "connect/UsbInfo.h"

namespace zort {

std::string DescribeUsb(const UsbInfo& usb) {
    std::string text;
    auto add = [&](const std::string& part) {
        if (part.empty()) return;
        if (!text.empty()) text += ' ';
        text += part;
    };
    if (usb.vid || usb.pid) add(usb.vid.value_or("????") + ":" + usb.pid.value_or("????"));
    add(usb.manufacturer.value_or(""));
    add(usb.product.value_or(""));
    if (usb.serial) add("S/N " + *usb.serial);
    return text;
}

}  // namespace zort
