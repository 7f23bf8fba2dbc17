// Opening what is not a usable serial port: each failure is told apart, carries the
// system's error and leaves nothing open.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/PortList.h"
#include "link/SerialDevice.h"
#include "support/OnWine.h"
#include "support/TempFolder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace zort {
namespace {

struct FailedOpen {
    std::string name;
    OpenFailure reason;
};

TEST(SerialDevice, WhatIsNoUsablePortFailsToOpenForItsReason) {
    test::TempFolder folder("zort-serial");
    const std::string file = folder.Write("settings.cfg", "not a port");
    const std::vector<FailedOpen> cases = {
#ifdef _WIN32
        {"COM0", OpenFailure::kNoDevice},  // COM ports are numbered from 1
        {"COM999", OpenFailure::kNoDevice},
        {"com999", OpenFailure::kNoDevice},
        {"\\\\.\\COM999", OpenFailure::kNoDevice},
        {"", OpenFailure::kNoDevice},
        {"C:\\no\\such\\folder\\COM5", OpenFailure::kNoDevice},
        {"NUL", OpenFailure::kNotSerial},  // opens, but has no line settings
        {file, OpenFailure::kNotSerial},
        {folder.path.string(), OpenFailure::kNotSerial},  // "access denied", yet nobody holds it
#else
        {"/dev/ttyZORT-missing", OpenFailure::kNoDevice},
        {"", OpenFailure::kNoDevice},
        {"/dev/null", OpenFailure::kNotSerial},
        {file, OpenFailure::kNotSerial},
#endif
    };
    for (const FailedOpen& c : cases) {
        SerialDevice device;
        OpenError error;
        EXPECT_FALSE(device.Open(c.name, error)) << c.name;
        EXPECT_FALSE(device.IsOpen()) << c.name;
        EXPECT_EQ(error.reason, c.reason) << c.name;
        EXPECT_EQ(error.port, c.name);
        EXPECT_NE(error.osError, 0) << c.name << ": the system's error is kept";
    }
}

#ifdef _WIN32
// Needs a serial port that opens; a machine without one skips.
TEST(SerialDevice, APortHeldIsRefusedToASecondOpenerUntilClosed) {
    ZORT_SKIP_ON_WINE("a COM port opens a second time whatever the share mode of the first opening");
    std::string port;
    for (const std::string& name : FindSerialDevices()) {
        SerialDevice probe;
        OpenError error;
        if (probe.Open(name, error)) {
            port = name;
            break;
        }
    }
    if (port.empty()) GTEST_SKIP() << "no serial port opens on this machine";
    SerialDevice first, second;
    OpenError error;
    ASSERT_TRUE(first.Open(port, error)) << error.Describe();
    EXPECT_FALSE(second.Open(port, error));
    EXPECT_EQ(error.reason, OpenFailure::kBusy);
    EXPECT_EQ(error.osError, ERROR_ACCESS_DENIED);
    first.Close();
    EXPECT_TRUE(second.Open(port, error)) << error.Describe();
}
#endif

}  // namespace
}  // namespace zort
