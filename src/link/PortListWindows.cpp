// Port enumeration from the registry: every serial driver that has started a port
// (usbser.sys for CDC-ACM, the USB serial adapters' drivers, Bluetooth) adds a value to
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM whose data is the COM name. The key is missing
// when there is no port at all. (Under wine it lists the ports wine made at start-up:
// /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM* and those of HKLM\Software\Wine\Ports, not a
// comN link added to dosdevices later.)

#include <windows.h>

#include <algorithm>

#include "files/Utf8Path.h"
#include "link/PortList.h"
#include "link/SerialDevice.h"

namespace zort {
namespace {

// Splits "HKEY_LOCAL_MACHINE\path" into the root and the path; false for other roots.
bool SplitRegistryKey(const std::string& registryKey, HKEY& root, std::wstring& path) {
    static const struct {
        const char* prefix;
        HKEY root;
    } kRoots[] = {{"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE}, {"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER}};
    for (const auto& candidate : kRoots) {
        const std::string prefix = candidate.prefix;
        if (registryKey.rfind(prefix, 0) == 0) {
            root = candidate.root;
            path = WideFromUtf8(registryKey.substr(prefix.size()));
            return true;
        }
    }
    return false;
}

// The value's data as a name: REG_SZ data need not end with a terminator, or may carry
// more than one.
std::string NameFromRegistryString(const wchar_t* data, DWORD bytes) {
    std::wstring_view name(data, bytes / sizeof(wchar_t));
    name = name.substr(0, name.find(L'\0'));
    return Utf8FromWide(name);
}

}  // namespace

std::vector<std::string> FindSerialDevices(const std::string& registryKey) {
    HKEY root;
    std::wstring path;
    std::vector<std::string> found;
    HKEY key;
    if (!SplitRegistryKey(registryKey, root, path) ||
        ::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return found;
    }
    std::wstring valueName(16384, L'\0');  // the longest a value name may be, and its terminator
    wchar_t data[256];
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(valueName.size());
        DWORD type = 0;
        DWORD bytes = sizeof data;
        const LONG rc = ::RegEnumValueW(key, index, valueName.data(), &nameLength, nullptr, &type,
                                        reinterpret_cast<BYTE*>(data), &bytes);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        // Data longer than any COM name is not one.
        if (rc == ERROR_MORE_DATA || (rc == ERROR_SUCCESS && type != REG_SZ)) continue;
        if (rc != ERROR_SUCCESS) break;
        std::string name = NameFromRegistryString(data, bytes);
        if (!name.empty()) found.push_back(std::move(name));
    }
    ::RegCloseKey(key);
    std::sort(found.begin(), found.end(), NaturalLess);
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

std::vector<std::string> ListSerialPorts() {
    std::vector<std::string> ports;
    for (const std::string& name : FindSerialDevices()) {
        // Opened as the configurator opens it: exclusively, so a port another program
        // holds is refused; then closed at once.
        SerialDevice device;
        OpenError error;
        if (device.Open(name, error)) ports.push_back(name);
    }
    return ports;
}

}  // namespace zort
