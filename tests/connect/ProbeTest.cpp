// The handshake probe against real pseudo-terminals: a simulated tracker, ports where
// nobody answers or a device streams, ports other programs hold, paths that are no port.

#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>

#include "connect/PortLocks.h"
#include "connect/Probe.h"
#include "link/CommandFrame.h"
#include "settings/SettingTable.h"
#include "support/MadeUpTree.h"
#include "support/PortHolder.h"
#include "support/Ptys.h"
#include "support/SimulatedTracker.h"
#include "support/Threads.h"

namespace zort {
namespace {

using namespace std::chrono_literals;
using test::LonePty;
using test::PlanOf;
using test::RunningThreadsOfThisProcess;
using test::SimulatedTracker;
using ::testing::HasSubstr;
using Clock = std::chrono::steady_clock;

ProbeOptions ShortWaits() {
    ProbeOptions options;
    options.timings.settingsReplyMs = 300;  // the later replies; the first keeps its own 350 ms
    return options;
}

TEST(Probe, ATrackerGivesItsIdentityVersionAndImeiAndIsLeftFree) {
    SimulatedTracker tracker;
    const int threadsBefore = RunningThreadsOfThisProcess();
    const ProbeResult r = ProbePort(HostSystem(), tracker.Path());

    EXPECT_EQ(StateName(r.state), "tracker");
    EXPECT_EQ(r.identity, "ЗОРТ Z410 №004217") << "Windows-1251 on the wire, UTF-8 here";
    EXPECT_EQ(r.softwareVersion, "Z410 2.14");
    EXPECT_EQ(r.imei, "861234050123456");
    EXPECT_EQ(r.reason, "");
    EXPECT_FALSE(r.usb.has_value());
    EXPECT_TRUE(r.holders.empty()) << "the simulator on the master side is the device, not a holder";

    const auto trace = tracker.simulator.Trace();
    ASSERT_EQ(trace.size(), 3u) << "three reads and nothing else";
    const uint32_t ids[] = {SettingOf(slot::kDeviceIdentity).id, SettingOf(slot::kSoftwareVersion).id,
                            SettingOf(slot::kImei).id};
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(trace[k].command, kCmdReadParameter);
        EXPECT_EQ(trace[k].id, ids[k]);
        EXPECT_EQ(trace[k].length, 0u);
    }
    const UseCheck after = CheckInUse(tracker.Path());
    EXPECT_FALSE(after.exclusive) << "the exclusive flag outlives a close unless cleared";
    EXPECT_FALSE(after.locked);
    EXPECT_EQ(RunningThreadsOfThisProcess(), threadsBefore) << "every probe thread is joined";
}

struct SilentCase {
    const char* name;
    const char* plan;  // nullptr: a pseudo-terminal with nobody behind it
    bool flood;
    const char* reason;
    int frames;  // that reached the simulator; -1: depends on how the answers were cut
};

void PrintTo(const SilentCase& c, std::ostream* os) {
    *os << c.name;
}

class ProbeSilent : public ::testing::TestWithParam<SilentCase> {};

TEST_P(ProbeSilent, IsNotATracker) {
    const SilentCase& c = GetParam();
    std::unique_ptr<SimulatedTracker> tracker;
    LonePty lone;
    std::string path = lone.path;
    if (c.plan != nullptr) {
        tracker = std::make_unique<SimulatedTracker>(PlanOf({c.plan}));
        path = tracker->Path();
    }
    if (c.flood) lone.StartFlood();
    const auto start = Clock::now();
    const ProbeResult r = ProbePort(HostSystem(), path, ShortWaits());
    const auto elapsed = Clock::now() - start;

    EXPECT_EQ(StateName(r.state), "silent");
    EXPECT_THAT(r.reason, HasSubstr(c.reason));
    EXPECT_THAT(r.reason, HasSubstr(path));
    EXPECT_EQ(r.identity, "");
    if (tracker && c.frames >= 0) {
        EXPECT_EQ(tracker->simulator.FramesReceived(), c.frames);
    }
    // However the device behaves, the probe ends within its waits.
    EXPECT_LT(elapsed, 350ms + 2 * 300ms + 2s);
}

INSTANTIATE_TEST_SUITE_P(
    States, ProbeSilent,
    ::testing::Values(
        SilentCase{"nobody", nullptr, false, "молчит: трекер не ответил за 350 мс", 0},
        SilentCase{"answersFirstThenSilent", "drop@1#2+", false, "ответило на первый запрос и замолчало", 2},
        SilentCase{"halfAnAnswer", "short=10@1#1", false, "ответило не как трекер (10 байт вместо 32)", 1},
        SilentCase{"longerAnswers", "extra=40@1#1+", false, "поток данных", -1},
        SilentCase{"flood", nullptr, true, "поток данных", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Probe, TheFirstReplyGetsThreeHundredFiftyMillisecondsNotTheLinksUsualWait) {
    LonePty lone;
    const auto start = Clock::now();
    const ProbeResult r = ProbePort(HostSystem(), lone.path);  // the real 4 s wait for the later replies
    const auto elapsed = Clock::now() - start;
    EXPECT_EQ(r.state, ProbeState::kSilent);
    EXPECT_EQ(r.reason, "Порт " + lone.path + " молчит: трекер не ответил за 350 мс");
    EXPECT_GE(elapsed, 350ms);
    EXPECT_LT(elapsed, 4000ms) << "a silent port must not cost the link's usual wait";
}

TEST(Probe, TheLaterRepliesGetTheLinksUsualWaitOrTheInjectedOne) {
    SimulatedTracker slow(PlanOf({"delay=500@1#2"}));
    EXPECT_EQ(ProbePort(HostSystem(), slow.Path()).state, ProbeState::kTracker)
        << "only the first reply must come within 350 ms";

    SimulatedTracker late(PlanOf({"hold@1#2"}));  // the second answer never comes by itself
    ProbeOptions options;
    options.timings.settingsReplyMs = 200;
    const auto start = Clock::now();
    EXPECT_EQ(ProbePort(HostSystem(), late.Path(), options).state, ProbeState::kSilent);
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, 200ms);
    EXPECT_LT(elapsed, 4000ms);
}

// Another descriptor in this process claims the port the way a terminal program would.
class Claim {
  public:
    explicit Claim(const std::string& path) : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~Claim() {
        (void)ioctl(fd, TIOCNXCL);
        ::close(fd);
    }
    int fd;
};

TEST(Probe, APortAnotherProgramHoldsIsBusyAndNothingIsSentToIt) {
    struct Case {
        const char* how;
        std::function<void(int)> claim;
        const char* reason;
    } cases[] = {
        {"exclusive", [](int fd) { ASSERT_EQ(ioctl(fd, TIOCEXCL), 0); }, "открыла его монопольно"},
        {"flock", [](int fd) { ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0); }, "заблокировала его"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        SimulatedTracker tracker;
        {
            Claim claim(tracker.Path());
            c.claim(claim.fd);
            const ProbeResult r = ProbePort(HostSystem(), tracker.Path());
            EXPECT_EQ(StateName(r.state), "busy");
            EXPECT_THAT(r.reason, HasSubstr(c.reason));
        }
        EXPECT_EQ(tracker.simulator.FramesReceived(), 0) << "root may open the port, but must not use it";
        EXPECT_EQ(ProbePort(HostSystem(), tracker.Path()).state, ProbeState::kTracker) << "free again";
    }
}

TEST(Probe, AUucpLockFileNamingALiveProcessMakesThePortBusyAStaleOneDoesNot) {
    SimulatedTracker tracker;
    test::MadeUpTree locks;
    FixedSystemView system;
    system.lockDir = locks.root.string();
    const std::string lockFile = UucpLockPath(system, tracker.Path());
    EXPECT_EQ(std::filesystem::path(lockFile).filename().string().rfind("LCK..pts_", 0), 0u) << lockFile;

    char live[16];
    std::snprintf(live, sizeof live, "%10d\n", static_cast<int>(getpid()));
    std::ofstream(lockFile) << live;
    const ProbeResult busy = ProbePort(system, tracker.Path());
    EXPECT_EQ(busy.state, ProbeState::kBusy);
    EXPECT_THAT(busy.reason, HasSubstr("PID " + std::to_string(getpid())));
    EXPECT_THAT(busy.reason, HasSubstr(lockFile));
    EXPECT_EQ(tracker.simulator.FramesReceived(), 0);

    std::ofstream(lockFile) << "   4194305\n";  // above the largest pid Linux gives: its owner is gone
    EXPECT_EQ(ProbePort(system, tracker.Path()).state, ProbeState::kTracker);
}

TEST(Probe, AHolderInAnotherProcessIsNamed) {
    SimulatedTracker tracker;
    ProbeResult r;
    pid_t child = -1;
    {
        test::PortHolder holder(tracker.Path(), "minicom", true);
        ASSERT_TRUE(holder.holding);
        child = holder.pid;
        r = ProbePort(HostSystem(), tracker.Path());
    }

    EXPECT_EQ(r.state, ProbeState::kBusy);
    ASSERT_EQ(r.holders.size(), 1u) << "the child only: this process serves the master side";
    EXPECT_EQ(r.holders[0].pid, child);
    EXPECT_THAT(r.reason, HasSubstr("(PID " + std::to_string(child) + ")"));
}

TEST(Probe, PathsThatAreNoSerialPortAreRefusedUnopened) {
    test::MadeUpTree tree;
    tree.Write("file", "");
    tree.Dir("folder");
    ASSERT_EQ(mkfifo(tree.Path("fifo").c_str(), 0600), 0);
    // Our own reading end sees whatever would be written into the FIFO.
    const int fifoReader = ::open(tree.Path("fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fifoReader, 0);
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {tree.Path("file"), "это обычный файл"},
        {tree.Path("folder"), "это папка"},
        {tree.Path("fifo"), "это именованный канал"},
        {"/dev/null", "это устройство, но не терминал"},
        {"/dev/ptmx", "это консоль или служебный терминал системы"},
    };
    for (const auto& c : cases) {
        const ProbeResult r = ProbePort(HostSystem(), c.path);
        EXPECT_EQ(StateName(r.state), "error") << c.path;
        EXPECT_EQ(r.reason, c.path + " не является последовательным портом: " + c.reason);
        EXPECT_TRUE(r.holders.empty()) << c.path << ": who has it open (this test, the FIFO) is no news";
    }
    EXPECT_EQ(std::filesystem::file_size(tree.Path("file")), 0u);
    char byte;
    EXPECT_LE(::read(fifoReader, &byte, 1), 0) << "nothing was written into the FIFO";
    ::close(fifoReader);
}

TEST(Probe, APortThatIsNotThereOrGoesAwayIsMissing) {
    const ProbeResult absent = ProbePort(HostSystem(), "/dev/ttyUSB-zort-absent");
    EXPECT_EQ(StateName(absent.state), "missing");
    EXPECT_EQ(absent.reason,
              "Порт /dev/ttyUSB-zort-absent не найден: устройство не подключено или имя порта неверно");

    SimulatedTracker tracker(PlanOf({"close@1#2"}));
    const ProbeResult gone = ProbePort(HostSystem(), tracker.Path(), ShortWaits());
    EXPECT_EQ(StateName(gone.state), "missing");
    EXPECT_THAT(gone.reason, HasSubstr("пропал во время проверки"));
}

// Run as root, the test drops to `nobody` in a child to see what a user without the
// group sees.
TEST(Probe, AUserWithoutAccessIsDenied) {
    if (getuid() != 0) GTEST_SKIP() << "needs root to become another user";
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    LonePty lone;
    ASSERT_EQ(chmod(lone.path.c_str(), 0660), 0);
    int result[2];
    ASSERT_EQ(pipe(result), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(result[0]);
        if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0) _exit(2);
        const ProbeResult r = ProbePort(HostSystem(), lone.path);
        const std::string text = std::string(StateName(r.state)) + "|" + r.reason;
        (void)!::write(result[1], text.data(), text.size());
        _exit(0);
    }
    ::close(result[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(result[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    ::close(result[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child could not drop its rights";
    struct stat st {};
    ASSERT_EQ(stat(lone.path.c_str(), &st), 0);
    const group* owner = getgrgid(st.st_gid);
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(text, "denied|Нет доступа к порту " + lone.path + ": добавьте пользователя в группу «" +
                        owner->gr_name + "» и войдите в систему заново");
}

TEST(Probe, ManyPortsAreProbedSideBySideAndAnsweredInTheOrderAsked) {
    SimulatedTracker first, second;
    LonePty silent[6];
    std::vector<std::string> ports = {first.Path(), "/dev/ttyUSB-zort-absent"};
    for (const LonePty& p : silent) ports.push_back(p.path);
    ports.push_back(second.Path());
    const int threadsBefore = RunningThreadsOfThisProcess();
    const auto start = Clock::now();
    const std::vector<ProbeResult> results = ProbePorts(HostSystem(), ports);
    const auto elapsed = Clock::now() - start;

    ASSERT_EQ(results.size(), ports.size());
    for (size_t k = 0; k < ports.size(); ++k) EXPECT_EQ(results[k].port, ports[k]);
    EXPECT_EQ(results.front().state, ProbeState::kTracker);
    EXPECT_EQ(results[1].state, ProbeState::kMissing);
    for (size_t k = 2; k < 8; ++k) EXPECT_EQ(results[k].state, ProbeState::kSilent);
    EXPECT_EQ(results.back().state, ProbeState::kTracker);
    EXPECT_LT(elapsed, 6 * 350ms) << "six silent ports one after another would take this long";
    EXPECT_EQ(RunningThreadsOfThisProcess(), threadsBefore);
}

}  // namespace
}  // namespace zort
