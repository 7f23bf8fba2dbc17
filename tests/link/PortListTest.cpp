#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "link/PortList.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace zort {
namespace {

TEST(PortList, NaturalOrderComparesNumbersByValue) {
    std::vector<std::string> names = {"/dev/ttyUSB10", "/dev/ttyUSB2", "/dev/ttyACM1", "/dev/ttyS0",
                                      "/dev/ttyACM0",  "/dev/ttyUSB0", "COM10",        "COM3"};
    std::sort(names.begin(), names.end(), NaturalLess);
    EXPECT_EQ(names, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyS0", "/dev/ttyUSB0",
                                               "/dev/ttyUSB2", "/dev/ttyUSB10", "COM3", "COM10"}));
    EXPECT_FALSE(NaturalLess("COM3", "COM3"));
    EXPECT_TRUE(NaturalLess("COM3", "COM03x"));
}

#ifdef _WIN32

// A key of the test's own laid out as the drivers fill HARDWARE\DEVICEMAP\SERIALCOMM,
// in the order the registry enumerates it, with what does not belong there.
TEST(PortList, RegisteredComPortsComeInNaturalOrder) {
    const std::wstring path = L"Software\\ZortTest\\" + std::to_wstring(::GetCurrentProcessId());
    HKEY key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
              ERROR_SUCCESS);
    auto set = [&](const wchar_t* name, DWORD type, const void* data, size_t bytes) {
        ::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(bytes));
    };
    set(L"\\Device\\Serial0", REG_SZ, L"COM1", sizeof L"COM1");
    set(L"\\Device\\Serial11", REG_SZ, L"COM12", sizeof L"COM12");
    set(L"\\Device\\Serial2", REG_SZ, L"COM3", sizeof L"COM3");
    set(L"\\Device\\USBSER000", REG_SZ, L"COM10", sizeof L"COM10" - sizeof(wchar_t));  // no terminator
    set(L"\\Device\\BthModem0", REG_SZ, L"COM3", sizeof L"COM3");                      // the same name twice
    set(L"\\Device\\Empty", REG_SZ, L"", sizeof L"");
    const DWORD number = 7;
    set(L"\\Device\\Odd", REG_DWORD, &number, sizeof number);
    ::RegCloseKey(key);

    const std::string name =
        "HKEY_CURRENT_USER\\Software\\ZortTest\\" + std::to_string(::GetCurrentProcessId());
    EXPECT_EQ(FindSerialDevices(name), (std::vector<std::string>{"COM1", "COM3", "COM10", "COM12"}));
    ::RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\ZortTest");  // unless another run still uses it
    EXPECT_TRUE(FindSerialDevices(name).empty()) << "no key: no ports";
    EXPECT_TRUE(FindSerialDevices("HKEY_NOWHERE\\SERIALCOMM").empty());
}

#else

TEST(PortList, OnlyTtysBackedByADeviceAreCandidates) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("zort-sysfs-" + std::to_string(::getpid()));
    fs::remove_all(root);
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "tty0", "console", "ptmx"}) {
        fs::create_directories(root / name);
    }
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0"}) {
        fs::create_directories(root / "devices" / name);
        fs::create_directory_symlink(root / "devices" / name, root / name / "device");
    }
    EXPECT_EQ(FindSerialDevices(root.string(), "/dev"),
              (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyUSB2", "/dev/ttyUSB10"}));
    EXPECT_TRUE(FindSerialDevices((root / "missing").string(), "/dev").empty());
    fs::remove_all(root);
}

#endif

}  // namespace
}  // namespace zort
