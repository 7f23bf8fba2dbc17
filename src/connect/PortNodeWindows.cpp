#include <windows.h>

#include <algorithm>

#include "connect/ComPortName.h"
#include "connect/PortNode.h"
#include "files/Utf8Path.h"

namespace zort {
namespace {

bool IsNotFound(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_DEVICE_NOT_CONNECTED:
            return true;
        default:
            return false;
    }
}

// A COM port the registry does not list (wine's dosdevices links, some virtual ports'
// drivers) is asked for in the device namespace: an open for no access at all, closed at
// once, which the port's own open follows anyway. A port another program holds refuses
// even that, and is there all the same.
PortNode ComPortInNamespace(const std::string& device) {
    PortNode node;
    const std::wstring path = L"\\\\.\\" + WideFromUtf8(device);
    const HANDLE handle = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        ::CloseHandle(handle);
        node.kind = NodeKind::kSerialLine;
        return node;
    }
    const DWORD error = ::GetLastError();
    if (IsNotFound(error)) node.osError = static_cast<int>(error);
    node.kind = IsNotFound(error) ? NodeKind::kMissing : NodeKind::kSerialLine;
    return node;
}

bool IsOtherDevice(const std::string& device) {
    wchar_t target[MAX_PATH];
    return ::QueryDosDeviceW(WideFromUtf8(device).c_str(), target, MAX_PATH) != 0;
}

PortNode FileOrFolder(const std::string& path) {
    PortNode node;
    const DWORD attributes = ::GetFileAttributesW(PathFromUtf8(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        node.osError = static_cast<int>(::GetLastError());
        node.kind = NodeKind::kMissing;
    } else {
        node.kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? NodeKind::kDirectory : NodeKind::kRegularFile;
    }
    return node;
}

}  // namespace

PortNode InspectNode(const SystemView& system, const std::string& path) {
    const std::string device = PortDeviceName(path);
    if (device.empty()) return FileOrFolder(path);
    const std::vector<std::string> listed = system.SerialPorts();
    if (std::any_of(listed.begin(), listed.end(),
                    [&](const std::string& p) { return SamePortName(p, device); })) {
        PortNode node;
        node.kind = NodeKind::kSerialLine;
        return node;
    }
    if (IsComName(device)) return ComPortInNamespace(device);
    if (IsOtherDevice(device)) {
        PortNode node;
        node.kind = NodeKind::kCharDevice;
        return node;
    }
    return FileOrFolder(path);  // a file name without a folder
}

}  // namespace zort
