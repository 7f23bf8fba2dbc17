// The session log: one line per operation, kept short by rotation, and whole lines from
// several programs writing at once.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>

#ifdef _WIN32
#include <thread>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "history/SessionLog.h"
#include "support/TempFolder.h"

namespace zort {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const auto kNoon = std::chrono::sys_days{std::chrono::December / 9 / 2026} + 12h;

SessionEntry Write(std::string result = "успешно") {
    return {kNoon + 3s, "/dev/ttyACM0", "861234050123456", "запись настроек", std::move(result), 4130ms};
}

std::vector<std::string> Lines(const fs::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

fs::path Numbered(const fs::path& file, int k) {
    fs::path name = file;
    return name += "." + std::to_string(k);
}

// Runs `program(p)` for p = 0 .. count-1 all at once; true when every one returned true.
// On Linux each is a process of its own. On Windows each is a thread: a lock taken with
// LockFileEx belongs to the handle, and every Append opens its own, so threads contend
// for the log exactly as programs do.
bool RunAtOnce(int count, const std::function<bool(int)>& program) {
#ifdef _WIN32
    std::vector<char> ok(static_cast<size_t>(count), 0);
    std::vector<std::thread> threads;
    for (int p = 0; p < count; ++p) threads.emplace_back([&, p] { ok[static_cast<size_t>(p)] = program(p); });
    for (std::thread& t : threads) t.join();
    return std::all_of(ok.begin(), ok.end(), [](char c) { return c != 0; });
#else
    std::vector<pid_t> children;
    for (int p = 0; p < count; ++p) {
        const pid_t child = ::fork();
        if (child < 0) return false;
        if (child == 0) ::_exit(program(p) ? 0 : 1);
        children.push_back(child);
    }
    bool all = true;
    for (pid_t child : children) {
        int status = 0;
        all &= ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return all;
#endif
}

TEST(SessionLog, OneLinePerOperationEvenWhenAMessageSpansLines) {
    EXPECT_EQ(SessionLine(Write()),
              "2026-12-09T12:00:03Z  /dev/ttyACM0  IMEI 861234050123456  запись настроек  успешно  4,1 с");
    SessionEntry unknown = Write("Ошибка во время записи параметров\nУже записаны (2 из 25)");
    unknown.imei.clear();
    unknown.duration = 250ms;
    EXPECT_EQ(SessionLine(unknown),
              "2026-12-09T12:00:03Z  /dev/ttyACM0  IMEI ?  запись настроек  "
              "Ошибка во время записи параметров Уже записаны (2 из 25)  0,3 с");
}

TEST(SessionLog, PastTheLimitTheFileMovesAsideAndOnlyTheNewestAreKept) {
    const test::TempFolder folder("session-log");
    const fs::path file = folder.path / "state" / "log";
    const std::string line = SessionLine(Write()) + "\n";
    const SessionLog log(file, line.size() * 3);
    for (int k = 0; k < 3 * (kLogsKept + 3); ++k) ASSERT_TRUE(log.Append(Write()));
    EXPECT_EQ(Lines(file).size(), 3u);
    for (int k = 1; k <= kLogsKept; ++k) EXPECT_EQ(Lines(Numbered(file, k)).size(), 3u) << k;
    EXPECT_FALSE(fs::exists(Numbered(file, kLogsKept + 1)));

    EXPECT_FALSE(SessionLog({}).Append(Write()));
    EXPECT_FALSE(SessionLog(folder.path / "state" / "log" / "inside").Append(Write())) << "a file in the way";
}

TEST(SessionLog, ProgramsWritingAtOnceLoseNoLineAndTearNone) {
    const test::TempFolder folder("session-log");
    const fs::path file = folder.path / "log";
    const std::string line = SessionLine(Write()) + "\n";
    constexpr int kPrograms = 4;
    constexpr int kEach = 150;
    // Room for every line in the files kept, with rotations happening meanwhile.
    const SessionLog log(file, line.size() * kPrograms * kEach / kLogsKept + line.size());
    EXPECT_TRUE(RunAtOnce(kPrograms, [&](int p) {
        bool ok = true;
        for (int k = 0; k < kEach; ++k) ok &= log.Append(Write("успешно " + std::to_string(p)));
        return ok;
    }));
    std::vector<int> perProgram(kPrograms, 0);
    const std::regex whole(
        "2026-12-09T12:00:03Z  /dev/ttyACM0  IMEI 861234050123456  запись настроек  успешно ([0-9])  4,1 с");
    std::vector<fs::path> files = {file};
    for (int k = 1; k <= kLogsKept; ++k) files.push_back(Numbered(file, k));
    for (const fs::path& f : files) {
        for (const std::string& l : Lines(f)) {
            std::smatch m;
            ASSERT_TRUE(std::regex_match(l, m, whole)) << "torn: " << l;
            ++perProgram[static_cast<size_t>(std::stoi(m[1]))];
        }
    }
    for (int p = 0; p < kPrograms; ++p) EXPECT_EQ(perProgram[static_cast<size_t>(p)], kEach) << p;
}

}  // namespace
}  // namespace zort
