// What the connection checks make of Windows's serial ports: a port is a name the system
// lists or the device namespace knows, in any case and with or without the namespace's
// prefix; a file or a folder given for one is said to be what it is, and a probe never
// opens what is no port.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "connect/ComPortName.h"
#include "connect/PortCandidates.h"
#include "connect/PortNode.h"
#include "connect/Probe.h"
#include "connect/ProbeRefusals.h"
#include "support/MadeUpTree.h"

namespace zort {
namespace {

using ::testing::ElementsAre;

TEST(WindowsPortNames, OneDeviceWhateverTheCaseOrThePrefix) {
    const struct {
        const char* name;
        const char* device;
        bool com;
    } names[] = {
        {"COM5", "COM5", true},        {"com12", "com12", true}, {"\\\\.\\COM10", "COM10", true},
        {"\\\\?\\COM3", "COM3", true}, {"NUL", "NUL", false},    {"COM", "COM", false},
        {"COM5x", "COM5x", false},     {"C:\\port", "", false},  {"/dev/ttyACM0", "", false},
        {"\\\\.\\C:\\x", "", false},   {"", "", false},
    };
    for (const auto& n : names) {
        EXPECT_EQ(PortDeviceName(n.name), n.device) << n.name;
        EXPECT_EQ(IsComName(PortDeviceName(n.name)), n.com) << n.name;
    }
    EXPECT_TRUE(SamePortName("COM5", "com5"));
    EXPECT_TRUE(SamePortName("\\\\.\\COM12", "Com12"));
    EXPECT_FALSE(SamePortName("COM1", "COM10"));
    EXPECT_FALSE(SamePortName("C:\\a", "c:\\A")) << "paths are compared as given";
}

struct PortsMachine {
    PortsMachine() {
        system.serialPorts = {"COM3", "COM12"};
        tree.Write("settings.cfg", "");
        tree.Dir("folder");
    }
    test::MadeUpTree tree;
    FixedSystemView system;
};

TEST(WindowsPortNodes, ListedPortsAreSerialLinesAndAnythingElseIsWhatItIs) {
    PortsMachine m;
    const struct {
        std::string path;
        NodeKind kind;
    } cases[] = {
        {"COM3", NodeKind::kSerialLine},
        {"com3", NodeKind::kSerialLine},
        {"\\\\.\\COM12", NodeKind::kSerialLine},
        {"COM199", NodeKind::kMissing},  // neither listed nor in the device namespace
        {"NUL", NodeKind::kCharDevice},
        {m.tree.Path("settings.cfg"), NodeKind::kRegularFile},
        {m.tree.Path("folder"), NodeKind::kDirectory},
        {m.tree.Path("nothing"), NodeKind::kMissing},
    };
    for (const auto& c : cases) EXPECT_EQ(InspectNode(m.system, c.path).kind, c.kind) << c.path;
    EXPECT_EQ(NotSerialReason("NUL", NodeKind::kCharDevice),
              "NUL не является последовательным портом: это устройство, но не терминал");
}

TEST(WindowsCandidates, TheListedPortsThenTheNamedOnesEachOnce) {
    PortsMachine m;
    EXPECT_THAT(CandidatePorts(m.system), ElementsAre("COM3", "COM12"));
    EXPECT_THAT(CandidatePorts(m.system, {false, {"com3", "COM7", "COM7"}}),
                ElementsAre("COM3", "COM12", "COM7"))
        << "com3 is the listed COM3";
    // A watcher takes a named port only while it is there.
    EXPECT_THAT(CandidatePorts(m.system, {false, {"COM199", m.tree.Path("settings.cfg")}, true}),
                ElementsAre("COM3", "COM12", m.tree.Path("settings.cfg")));
    m.system.serialPorts.clear();
    EXPECT_THAT(CandidatePorts(m.system), ElementsAre());
}

TEST(WindowsProbe, WhatIsNoPortIsRefusedBeforeAnyOpen) {
    PortsMachine m;
    const std::vector<ProbeResult> results =
        ProbePorts(m.system, {"COM199", m.tree.Path("settings.cfg"), m.tree.Path("folder")});
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(StateName(results[0].state), "missing");
    EXPECT_EQ(results[0].reason, "Порт COM199 не найден: устройство не подключено или имя порта неверно");
    EXPECT_EQ(StateName(results[1].state), "error");
    EXPECT_EQ(results[1].reason,
              m.tree.Path("settings.cfg") + " не является последовательным портом: это обычный файл");
    EXPECT_EQ(results[2].reason, m.tree.Path("folder") + " не является последовательным портом: это папка");
    for (const ProbeResult& r : results) {
        EXPECT_TRUE(r.holders.empty()) << r.port;
        EXPECT_FALSE(r.usb.has_value()) << r.port;
    }
}

TEST(WindowsProbe, AnOpenThatFailsIsToldInTheLinksWords) {
    const struct {
        OpenFailure failure;
        ProbeState state;
    } cases[] = {
        {OpenFailure::kNoDevice, ProbeState::kMissing},        {OpenFailure::kBusy, ProbeState::kBusy},
        {OpenFailure::kPermissionDenied, ProbeState::kDenied}, {OpenFailure::kNotSerial, ProbeState::kError},
        {OpenFailure::kSetupFailed, ProbeState::kError},
    };
    for (const auto& c : cases) {
        const OpenError error{c.failure, 31, "COM5", {}};
        ProbeResult before;
        before.port = "COM5";
        before.identity = "half an answer";
        const ProbeResult r = OpenRefused(FixedSystemView{}, before, error);
        EXPECT_EQ(StateName(r.state), StateName(c.state)) << error.Describe();
        EXPECT_EQ(r.reason, error.Describe());
        EXPECT_EQ(r.osError, 31);
        EXPECT_EQ(r.identity, "");
    }
}

}  // namespace
}  // namespace zort
