#pragma once
// What sysfs knows about the USB device behind a serial port. The tty's `device` link
// points at the USB interface (ttyACM) or at the port of a USB serial converter
// (ttyUSB); the device itself, with its ids and strings, is found further up.

#include <optional>
#include <string>

#include "connect/SystemView.h"

namespace zort {

struct UsbInfo {
    std::optional<std::string> vid;  // four lowercase hex digits, as sysfs writes them
    std::optional<std::string> pid;
    std::optional<std::string> manufacturer;
    std::optional<std::string> product;
    std::optional<std::string> serial;

    bool operator==(const UsbInfo&) const = default;
};

// nullopt for a port not on USB (ttyS, a pseudo-terminal, a name sysfs does not know), and
// on Windows, which does not tell it cheaply.
std::optional<UsbInfo> FindUsbInfo(const SystemView& system, const std::string& port);

// "1a86:7523 QinHeng USB Serial" style one-liner of what is known; empty when nothing is.
std::string DescribeUsb(const UsbInfo& usb);

}  // namespace zort
