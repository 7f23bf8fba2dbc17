#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "link/PortList.h"

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

}  // namespace
}  // namespace zort
