// What the connection checks read from made-up system trees: candidate ports, USB
// identities, holders, locks, the kernel's terminal drivers and the group file.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstring>

#include "connect/GroupDatabase.h"
#include "connect/Holders.h"
#include "connect/PortCandidates.h"
#include "connect/PortLocks.h"
#include "connect/PortNode.h"
#include "connect/UsbInfo.h"
#include "support/MadeUpTree.h"
#include "support/Ptys.h"

namespace zort {
namespace {

using test::MadeUpTree;
using ::testing::ElementsAre;

// A sysfs with two USB ports (an ACM device and a converter), two UARTs of which one is
// a phantom, and ttys with no device behind them.
struct MadeUpMachine {
    MadeUpMachine() {
        system.sysRoot = tree.Path("sys");
        system.procRoot = tree.Path("proc");
        system.devRoot = tree.Path("dev");
        system.groupFile = tree.Path("etc/group");
        system.lockDir = tree.Path("lock");
        const std::string acm = "sys/devices/pci0000:00/usb1/1-1";
        tree.Write(acm + "/idVendor", "0483\n");
        tree.Write(acm + "/idProduct", "5740\n");
        tree.Write(acm + "/manufacturer", "ZORT\n");
        tree.Write(acm + "/product", "Z410\n");
        tree.Write(acm + "/serial", "004217\n");
        tree.Dir(acm + "/1-1:1.0/tty/ttyACM0");
        tree.Link("sys/class/tty/ttyACM0/device", tree.Path(acm + "/1-1:1.0"));
        const std::string ch = "sys/devices/pci0000:00/usb1/1-2";
        tree.Write(ch + "/idVendor", "1a86\n");
        tree.Write(ch + "/idProduct", "7523\n");
        tree.Dir(ch + "/1-2:1.0/ttyUSB10/tty/ttyUSB10");
        tree.Link("sys/class/tty/ttyUSB10/device", tree.Path(ch + "/1-2:1.0/ttyUSB10"));
        tree.Dir("sys/devices/pci0000:00/usb1/1-3/1-3:1.0/ttyUSB2");
        tree.Link("sys/class/tty/ttyUSB2/device",
                  tree.Path("sys/devices/pci0000:00/usb1/1-3/1-3:1.0/ttyUSB2"));
        for (const char* uart : {"ttyS0", "ttyS1"}) {
            tree.Dir(std::string("sys/devices/platform/serial8250/") + uart);
            tree.Link(std::string("sys/class/tty/") + uart + "/device",
                      tree.Path(std::string("sys/devices/platform/serial8250/") + uart));
        }
        tree.Write("sys/class/tty/ttyS0/type", "4\n");
        tree.Write("sys/class/tty/ttyS1/type", "0\n");
        tree.Dir("sys/class/tty/tty0");
        tree.Dir("sys/class/tty/console");
    }
    MadeUpTree tree;
    FixedSystemView system;
};

TEST(Candidates, UsbPortsByDefaultUartsWhenAskedNamedPathsAfterThem) {
    MadeUpMachine m;
    const std::string dev = m.system.devRoot;
    EXPECT_THAT(CandidatePorts(m.system), ElementsAre(dev + "/ttyACM0", dev + "/ttyUSB2", dev + "/ttyUSB10"));
    EXPECT_THAT(CandidatePorts(m.system, {true, {}}),
                ElementsAre(dev + "/ttyACM0", dev + "/ttyUSB2", dev + "/ttyUSB10", dev + "/ttyS0"))
        << "ttyS1 has no UART fitted";
    EXPECT_THAT(CandidatePorts(m.system, {false, {"/dev/pts/7", dev + "/ttyUSB2"}}),
                ElementsAre(dev + "/ttyACM0", dev + "/ttyUSB2", dev + "/ttyUSB10", "/dev/pts/7"));
    m.system.sysRoot = m.tree.Path("nowhere");
    EXPECT_THAT(CandidatePorts(m.system, {true, {"/dev/pts/7"}}), ElementsAre("/dev/pts/7"));
    // A watcher sees a named path come and go with the file behind it.
    const std::string named = m.tree.Path("tracker");
    EXPECT_THAT(CandidatePorts(m.system, {false, {named}, true}), ElementsAre());
    m.tree.Write("tracker", "");
    EXPECT_THAT(CandidatePorts(m.system, {false, {named}, true}), ElementsAre(named));
}

TEST(UsbIdentity, FoundAboveTheInterfaceWithWhatTheDeviceTells) {
    MadeUpMachine m;
    const auto acm = FindUsbInfo(m.system, "/dev/ttyACM0");
    ASSERT_TRUE(acm.has_value());
    EXPECT_EQ(*acm, (UsbInfo{"0483", "5740", "ZORT", "Z410", "004217"}));
    EXPECT_EQ(DescribeUsb(*acm), "0483:5740 ZORT Z410 S/N 004217");

    const auto converter = FindUsbInfo(m.system, "/dev/ttyUSB10");
    ASSERT_TRUE(converter.has_value()) << "two levels up from a converter's port";
    EXPECT_EQ(*converter, (UsbInfo{"1a86", "7523", std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(DescribeUsb(*converter), "1a86:7523");

    EXPECT_FALSE(FindUsbInfo(m.system, "/dev/ttyS0")) << "a UART is no USB device";
    EXPECT_FALSE(FindUsbInfo(m.system, "/dev/pts/3"));
    EXPECT_FALSE(FindUsbInfo(m.system, "/dev/ttyUSB2")) << "ids nowhere up to /sys";
    m.tree.Write("idVendor", "dead\n");  // above the sysfs root: must not be reached
    m.tree.Write("idProduct", "beef\n");
    EXPECT_FALSE(FindUsbInfo(m.system, "/dev/ttyUSB2"));
}

TEST(Holders, ProcessesWithThePortOpenButNotTheMasterOfAPseudoTerminal) {
    MadeUpMachine m;
    const std::string acm = m.system.devRoot + "/ttyACM0";
    const std::string pts = m.system.devRoot + "/pts/7";
    auto process = [&](int pid, const char* comm) {
        m.tree.Write("proc/" + std::to_string(pid) + "/comm", std::string(comm) + "\n");
    };
    auto fd = [&](int pid, int n, const std::string& target) {
        m.tree.Link("proc/" + std::to_string(pid) + "/fd/" + std::to_string(n), target);
    };
    process(812, "ModemManager");
    fd(812, 9, acm);
    process(4410, "minicom");
    fd(4410, 3, acm);
    fd(4410, 4, "/dev/null");
    process(900, "zort-sim");  // serves pts/7 and keeps a slave of its own
    fd(900, 5, "/dev/ptmx");
    m.tree.Write("proc/900/fdinfo/5", "pos:\t0\nflags:\t02\nmnt_id:\t24\nino:\t90\ntty-index:\t7\n");
    fd(900, 6, pts);
    process(901, "screen");  // the master of another pty
    fd(901, 3, "/dev/ptmx");
    m.tree.Write("proc/901/fdinfo/3", "tty-index:\t8\n");
    fd(901, 4, pts);
    m.tree.Write("proc/self", "");  // not a pid

    const HolderScan scan = FindHolders(m.system, {acm, pts, m.system.devRoot + "/ttyUSB0"});
    EXPECT_TRUE(scan.complete);
    ASSERT_EQ(scan.perPort.size(), 3u);
    EXPECT_THAT(scan.perPort[0], ElementsAre(Holder{812, "ModemManager"}, Holder{4410, "minicom"}));
    EXPECT_THAT(scan.perPort[1], ElementsAre(Holder{901, "screen"}));
    EXPECT_TRUE(scan.perPort[2].empty());
    EXPECT_THAT(ProcessesNamed(m.system, {"ModemManager", "brltty"}),
                ElementsAre(Holder{812, "ModemManager"}));
}

TEST(Holders, ALinkToTheSameDeviceUnderAnotherNameCounts) {
    MadeUpMachine m;
    m.tree.Write("dev/ttyACM0", "");
    m.tree.Link("dev/serial/by-id/usb-ZORT_Z410-if00", m.tree.Path("dev/ttyACM0"));
    m.tree.Write("proc/77/comm", "gpsd\n");
    m.tree.Link("proc/77/fd/3", m.tree.Path("dev/serial/by-id/usb-ZORT_Z410-if00"));
    EXPECT_THAT(FindHolders(m.system, {m.tree.Path("dev/ttyACM0")}).perPort[0],
                ElementsAre(Holder{77, "gpsd"}));
}

TEST(Locks, UucpLockFilesAreNamedAndReadInBothForms) {
    MadeUpMachine m;
    EXPECT_EQ(UucpLockPath(m.system, m.system.devRoot + "/ttyUSB0"), m.system.lockDir + "/LCK..ttyUSB0");
    EXPECT_EQ(UucpLockPath(m.system, m.system.devRoot + "/pts/3"), m.system.lockDir + "/LCK..pts_3");
    EXPECT_EQ(UucpLockPath(m.system, "/elsewhere/ttyX"), m.system.lockDir + "/LCK..ttyX");

    const int binary = 4410;
    const struct {
        std::string content;
        int pid;
    } cases[] = {{"      4410\n", 4410},
                 {"4410\n", 4410},
                 {std::string(reinterpret_cast<const char*>(&binary), sizeof binary), 4410},
                 {"", 0},
                 {"garbage", 0},
                 {"99999999999\n", 0}};
    for (const auto& c : cases) EXPECT_EQ(ParseUucpLockPid(c.content), c.pid) << c.content;

    m.tree.Write("lock/LCK..ttyUSB0", "      4410\n");
    EXPECT_EQ(UucpLocker(m.system, m.system.devRoot + "/ttyUSB0"), 0) << "no process 4410: a stale lock";
    m.tree.Dir("proc/4410");
    EXPECT_EQ(UucpLocker(m.system, m.system.devRoot + "/ttyUSB0"), 4410);
    EXPECT_EQ(UucpLocker(m.system, m.system.devRoot + "/ttyUSB1"), 0);
}

TEST(Locks, FlockHoldersAreReadFromTheKernelsTable) {
    const std::string locks =
        "1: POSIX  ADVISORY  WRITE 500 00:05:123 0 EOF\n"
        "2: FLOCK  ADVISORY  WRITE 4410 00:05:123 0 EOF\n"
        "2: -> FLOCK  ADVISORY  WRITE 4411 00:05:123 0 EOF\n"
        "3: FLOCK  ADVISORY  WRITE 77 00:05:124 0 EOF\n"
        "4: FLOCK  ADVISORY  WRITE 78 fd:1a:123 0 EOF\n";
    EXPECT_THAT(ParseFlockHolders(locks, makedev(0, 5), 123), ElementsAre(4410));
    EXPECT_THAT(ParseFlockHolders(locks, makedev(0xfd, 0x1a), 123), ElementsAre(78))
        << "the device is in hex";
    EXPECT_TRUE(ParseFlockHolders("", makedev(0, 5), 123).empty());
}

TEST(PortNodes, OnlyASerialLineOrAPtySlaveIsAPort) {
    const std::string drivers =
        "/dev/tty             /dev/tty        5       0 system:/dev/tty\n"
        "/dev/ptmx            /dev/ptmx       5       2 system\n"
        "serial               /dev/ttyS       4 64-111 serial\n"
        "pty_slave            /dev/pts      136 0-1048575 pty:slave\n"
        "acm                  /dev/ttyACM   166 0-255 serial\n"
        "unknown              /dev/tty        4 1-63 console\n"
        "broken line\n";
    const std::vector<TtyDriver> parsed = ParseTtyDrivers(drivers);
    ASSERT_EQ(parsed.size(), 6u);
    EXPECT_EQ(parsed[2].minorFirst, 64u);
    EXPECT_EQ(parsed[2].minorLast, 111u);
    EXPECT_EQ(parsed[0].minorLast, 0u);

    MadeUpMachine m;
    test::LonePty pty;
    m.tree.Write("proc/tty/drivers", drivers);
    EXPECT_EQ(InspectNode(m.system, pty.path).kind, NodeKind::kSerialLine);
    EXPECT_EQ(InspectNode(m.system, "/dev/ptmx").kind, NodeKind::kSystemTerminal);
    EXPECT_EQ(InspectNode(m.system, "/dev/null").kind, NodeKind::kCharDevice);
    EXPECT_EQ(InspectNode(m.system, m.tree.Path("sys")).kind, NodeKind::kDirectory);
    EXPECT_EQ(InspectNode(m.system, m.tree.Path("nothing/here")).kind, NodeKind::kMissing);
    // The pty's number from its device number, for a node of any name.
    EXPECT_EQ(PtyIndex(m.system, InspectNode(m.system, pty.path).rdev),
              std::stoi(pty.path.substr(pty.path.rfind('/') + 1)));
    EXPECT_EQ(PtyIndex(m.system, InspectNode(m.system, "/dev/null").rdev), -1);
    m.tree.Write("proc/tty/drivers", "serial /dev/ttyS 4 64-111 serial\n");
    EXPECT_EQ(InspectNode(m.system, pty.path).kind, NodeKind::kCharDevice) << "no driver owns it now";
}

TEST(Groups, TheGroupFileWithMembersAndItsOddLines) {
    const std::vector<GroupEntry> groups = ParseGroups(
        "root:x:0:\n# comment\ndialout:x:20:alice,bob\nbroken\nuucp:x:abc:\nplugdev:x:46:carol,\n\n");
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[1].name, "dialout");
    EXPECT_EQ(groups[1].gid, 20u);
    EXPECT_THAT(groups[1].members, ElementsAre("alice", "bob"));
    EXPECT_THAT(groups[2].members, ElementsAre("carol"));
    EXPECT_TRUE(groups[0].members.empty());
    EXPECT_EQ(GroupById(groups, 46)->name, "plugdev");
    EXPECT_FALSE(GroupById(groups, 5).has_value());
}

}  // namespace
}  // namespace zort
