// A program killed while it saves must leave either the file it had or the complete new
// one, never a mixture or a stump. A child saves two contents by turns, as fast as it
// can; the parent kills it at a random moment and looks at what is on disk.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <thread>

#include "history/BackupStore.h"
#include "service/IniProfile.h"
#include "settings/CommandRecord.h"
#include "settings/ConfigRecord.h"
#include "settings/SettingsDefaults.h"

namespace zort {
namespace {

namespace fs = std::filesystem;

constexpr int kKills = 200;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Everything in the folder but the target: temporaries killed saves left behind.
int Leftovers(const fs::path& folder, const fs::path& target) {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(folder)) n += entry.path() != target;
    return n;
}

// The temporary the killed child was writing, under either naming the writers use.
bool CaughtWriting(const fs::path& target, pid_t child) {
    return fs::exists(target.string() + ".tmp") ||
           fs::exists(target.string() + ".tmp" + std::to_string(child));
}

struct Kind {
    const char* name;
    const char* fileName;
    std::function<bool(const std::string& path, bool second)> save;
    bool boundedTemporaries;  // a killed save's temporary is reused by the next save
};

struct Figures {
    int first = 0;     // kills after which the first content was there
    int second = 0;    // ... the second
    int midWrite = 0;  // kills that caught the child writing its temporary
    int temporaries = 0;
};

// Kills a child that saves by turns, `kKills` times; every time the target must hold one
// of the two complete contents.
Figures KillWhileSaving(const Kind& kind, const fs::path& folder, uint32_t seed) {
    const fs::path target = folder / kind.fileName;
    Figures figures;
    std::string contents[2];
    for (int i : {1, 0}) {
        EXPECT_TRUE(kind.save(target.string(), i == 1));
        contents[i] = ReadAll(target);
    }
    EXPECT_NE(contents[0], contents[1]);
    EXPECT_FALSE(contents[0].empty());

    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayUs(0, 3000);
    for (int kill = 0; kill < kKills; ++kill) {
        int ready[2];
        if (pipe(ready) != 0) {
            ADD_FAILURE() << "pipe";
            break;
        }
        const pid_t child = fork();
        if (child == 0) {
            close(ready[0]);
            (void)!write(ready[1], "r", 1);
            for (bool second = true;; second = !second) kind.save(target.string(), second);
        }
        close(ready[1]);
        char c;
        (void)!read(ready[0], &c, 1);
        close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        const std::string now = ReadAll(target);
        if (now == contents[0]) {
            ++figures.first;
        } else if (now == contents[1]) {
            ++figures.second;
        } else {
            ADD_FAILURE() << kind.name << ": after kill " << kill << " the file holds " << now.size()
                          << " bytes that are neither content";
        }
        figures.midWrite += CaughtWriting(target, child);
    }
    figures.temporaries = Leftovers(folder, target);
    // The next save in a healthy process still works after all that.
    EXPECT_TRUE(kind.save(target.string(), true));
    EXPECT_EQ(ReadAll(target), contents[1]);
    return figures;
}

TEST(FilesSurviveKill, EveryKillLeavesTheOldOrTheNewFileWhole) {
    SettingsImage first, second;
    StoreDefaults(first, "+79001234567");
    StoreDefaults(second, "+79007654321");
    second.SetText(2, "7");
    const Kind kinds[] = {
        {"settings file", "config.cfg",
         [&](const std::string& path, bool b) { return bool(SaveConfigFile(path, b ? second : first)); },
         true},
        {"command file", "command.cfg",
         [](const std::string& path, bool b) {
             return bool(SaveCommandFile(path, {b ? CommandRecord::kDailyMode : CommandRecord::kSearchMode}));
         },
         true},
        {"config.ini", "config.ini",
         [](const std::string& path, bool b) {
             return IniProfile(path).Write("config", "FirmwarePath",
                                           b ? "C:\\ZORT\\firmware\\gnss-2.bin" : "C:\\ZORT\\gnss-1.bin");
         },
         true},
    };
    uint32_t seed = 20261208;
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        const fs::path folder = fs::path(::testing::TempDir()) / ("zort-kill-" + std::to_string(getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        const Figures f = KillWhileSaving(kind, folder, seed++);
        std::printf(
            "%s: %d kills, old content %d, new content %d, never torn; killed mid-write %d, "
            "temporaries left %d\n",
            kind.name, kKills, f.first, f.second, f.midWrite, f.temporaries);
        EXPECT_EQ(f.first + f.second, kKills);
        EXPECT_GT(f.midWrite, 0) << "no kill fell inside a save: the test proves nothing";
        // A fixed temporary name is reused: kills cannot pile temporaries up. config.ini's
        // writer names its temporary after the process, so each killed writer leaves
        // its own; that count is only printed.
        if (kind.boundedTemporaries) {
            EXPECT_LE(f.temporaries, 1);
        }
        fs::remove_all(folder);
    }
}

// Backups are new files rather than replacements: a store killed at any moment leaves no
// backup that is not whole, and the temporary it was writing is cleared by the next store.
TEST(FilesSurviveKill, EveryKillDuringABackupLeavesOnlyWholeBackups) {
    const fs::path root = fs::path(::testing::TempDir()) / ("zort-kill-backups-" + std::to_string(getpid()));
    fs::remove_all(root);
    SettingsImage image;
    StoreDefaults(image, "+79001234567");
    image.SetText(24, "861234050123456");
    const BackupStore store(root);
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> delayUs(0, 3000);
    int midWrite = 0;
    for (int kill = 0; kill < kKills / 2; ++kill) {
        const pid_t child = fork();
        if (child == 0) {
            // A second apart each, so that the folder fills up with distinct names.
            for (auto t = std::chrono::system_clock::now();; t += std::chrono::seconds(1))
                store.Store(image, "/dev/ttyACM0", "запись настроек", t);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        bool caught = false;
        std::error_code notYet;  // killed before its first store made the folder
        for (const auto& entry : fs::directory_iterator(root / "861234050123456", notYet)) {
            if (entry.path().extension() == ".tmp") {
                caught = true;
                continue;
            }
            SettingsImage back;
            BackupEntry kept;
            ASSERT_TRUE(LoadBackup(entry.path(), back, kept))
                << "after kill " << kill << ": " << entry.path();
        }
        midWrite += caught;
    }
    ASSERT_TRUE(store.Store(image, "/dev/ttyACM0", "запись настроек", std::chrono::system_clock::now()).ok);
    int temporaries = 0;
    for (const auto& entry : fs::directory_iterator(root / "861234050123456"))
        temporaries += entry.path().extension() == ".tmp";
    std::printf(
        "backups: %d kills, every backup whole; kills that left a temporary %d, temporaries after the next "
        "store %d\n",
        kKills / 2, midWrite, temporaries);
    EXPECT_GT(midWrite, 0) << "no kill fell inside a store: the test proves nothing";
    EXPECT_EQ(temporaries, 0) << "a killed store's temporary outlives the next store";
    EXPECT_LE(store.List().size(), static_cast<size_t>(kBackupsKeptPerDevice));
    fs::remove_all(root);
}

}  // namespace
}  // namespace zort
