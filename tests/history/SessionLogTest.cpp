// The session log: one line per operation, kept short by rotation, and whole lines from
// several programs writing at once.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>

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
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
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
    for (int k = 1; k <= kLogsKept; ++k)
        EXPECT_EQ(Lines(file.string() + "." + std::to_string(k)).size(), 3u) << k;
    EXPECT_FALSE(fs::exists(file.string() + "." + std::to_string(kLogsKept + 1)));

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
    std::vector<pid_t> children;
    for (int p = 0; p < kPrograms; ++p) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            bool ok = true;
            for (int k = 0; k < kEach; ++k) ok &= log.Append(Write("успешно " + std::to_string(p)));
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::vector<int> perProgram(kPrograms, 0);
    const std::regex whole(
        "2026-12-09T12:00:03Z  /dev/ttyACM0  IMEI 861234050123456  запись настроек  успешно ([0-9])  4,1 с");
    std::vector<fs::path> files = {file};
    for (int k = 1; k <= kLogsKept; ++k) files.push_back(file.string() + "." + std::to_string(k));
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
