// Backups before writes: where they go, that each is whole and never replaces another,
// how many are kept, what a list shows, and what a write would change.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>

#include <csignal>
#endif
#include <filesystem>
#include <fstream>
#include <map>

#include "files/Utf8Path.h"
#include "history/BackupStore.h"
#include "history/ChangePreview.h"
#include "history/UserFolders.h"
#include "settings/SettingTable.h"
#include "settings/SettingsDefaults.h"
#include "support/TempFolder.h"

namespace zort {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

const auto kNoon = std::chrono::sys_days{std::chrono::December / 9 / 2026} + 12h;

SettingsImage Tracker(const std::string& imei = "861234050123456") {
    SettingsImage image;
    StoreDefaults(image, "+79161234567");
    image.SetText(slot::kImei, imei);
    image.SetText(slot::kDeviceIdentity, "Z410 004217");
    return image;
}

class BackupStoreTest : public test::TempFolderTest {
  protected:
    fs::path Root() const { return folder.path / "zort-configurator" / "backups"; }
    BackupStore store{Root()};
};

TEST_F(BackupStoreTest, ABackupHoldsTheSettingsAndSaysWhenWhereAndWhy) {
    const BackupResult stored = store.Store(Tracker(), "/dev/ttyACM0", "запись настроек", kNoon + 3s);
    ASSERT_TRUE(stored.ok) << stored.error;
    EXPECT_EQ(stored.file, Root() / "861234050123456" / "20261209T120003Z.json");

    SettingsImage back;
    BackupEntry entry;
    ASSERT_TRUE(LoadBackup(stored.file, back, entry));
    for (int s = 0; s < kSlotCount; ++s) EXPECT_EQ(back.Text(s), Tracker().Text(s)) << KeyOf(s);
    EXPECT_EQ(entry.savedAt, "2026-12-09T12:00:03Z");
    EXPECT_EQ(entry.port, "/dev/ttyACM0");
    EXPECT_EQ(entry.reason, "запись настроек");
    EXPECT_EQ(entry.imei, "861234050123456");
    EXPECT_EQ(entry.identity, "Z410 004217");
    EXPECT_THAT(Read("zort-configurator/backups/861234050123456/20261209T120003Z.json"),
                HasSubstr("{\n  \"saved_at\": \"2026-12-09T12:00:03Z\",\n  \"port\": \"/dev/ttyACM0\",\n"
                          "  \"reason\": \"запись настроек\",\n  \"owner_phone\": \"+79161234567\","));

    // Within the same second another backup gets a name of its own.
    const BackupResult again = store.Store(Tracker(), "/dev/ttyACM0", "восстановление", kNoon + 3s);
    ASSERT_TRUE(again.ok) << again.error;
    EXPECT_EQ(again.file.filename(), "20261209T120003Z-1.json");
    EXPECT_EQ(store.List().front().reason, "восстановление") << "the later one is newer";
}

TEST_F(BackupStoreTest, ATrackerWithoutAUsableImeiGoesUnderUnknown) {
    for (const char* imei : {"", "00000", "../../etc", "86 12", "8612/3"}) {
        EXPECT_EQ(BackupFolderName(imei), "unknown-imei") << imei;
        const BackupResult stored = store.Store(Tracker(imei), "/dev/ttyACM0", "запись настроек", kNoon);
        ASSERT_TRUE(stored.ok) << stored.error;
        EXPECT_EQ(stored.file.parent_path(), Root() / "unknown-imei") << imei;
    }
    EXPECT_EQ(BackupFolderName("861234050123456"), "861234050123456");
}

TEST_F(BackupStoreTest, TheNewestHundredAreKeptAndOtherFilesAreLeftAlone) {
    Write("keep.txt", "not ours");
    fs::create_directories(Root() / "861234050123456");
    fs::copy_file(File("keep.txt"), Root() / "861234050123456" / "notes.json");
    for (int k = 0; k < kBackupsKeptPerDevice + 5; ++k) {
        ASSERT_TRUE(store.Store(Tracker(), "/dev/ttyACM0", "запись настроек", kNoon + k * 1min).ok);
    }
    const std::vector<BackupEntry> kept = store.List("861234050123456");
    ASSERT_EQ(kept.size(), static_cast<size_t>(kBackupsKeptPerDevice));
    EXPECT_EQ(kept.front().savedAt, "2026-12-09T13:44:00Z");
    EXPECT_EQ(kept.back().savedAt, "2026-12-09T12:05:00Z") << "the five oldest went";
    EXPECT_TRUE(fs::exists(Root() / "861234050123456" / "notes.json"));
}

TEST_F(BackupStoreTest, AListIsNewestFirstPerTrackerAndSkipsWhatIsNoBackup) {
    ASSERT_TRUE(store.Store(Tracker("111111111111111"), "/dev/ttyACM0", "запись настроек", kNoon).ok);
    ASSERT_TRUE(store.Store(Tracker("222222222222222"), "/dev/ttyACM1", "запись настроек", kNoon + 1h).ok);
    ASSERT_TRUE(store.Store(Tracker("111111111111111"), "/dev/ttyACM0", "восстановление", kNoon + 2h).ok);
    std::ofstream(Root() / "111111111111111" / "20261209T150000Z.json") << "{ torn";
    std::ofstream(Root() / "111111111111111" / "20261209T160000Z.json") << R"({"colour": "red"})";
    std::ofstream(Root() / "111111111111111" / "20261209T170000Z-99999999999999999999.json") << "{}";

    std::vector<std::string> seen;
    for (const BackupEntry& e : store.List()) seen.push_back(e.imei + " " + e.savedAt);
    EXPECT_THAT(seen,
                ElementsAre("111111111111111 2026-12-09T14:00:00Z", "222222222222222 2026-12-09T13:00:00Z",
                            "111111111111111 2026-12-09T12:00:00Z"));
    EXPECT_EQ(store.List("222222222222222").size(), 1u);
    EXPECT_TRUE(store.List("333333333333333").empty());
    EXPECT_TRUE(BackupStore(folder.path / "none").List().empty());
}

#ifndef _WIN32
// Windows programs of ours cannot make symbolic links (that takes a privilege), and the
// standard library there does not tell one from what it leads to.
TEST_F(BackupStoreTest, NothingIsStoredWhereTheFolderIsALink) {
    fs::create_directories(Root().parent_path());
    fs::create_directories(folder.path / "elsewhere");
    fs::create_symlink(folder.path / "elsewhere", Root());
    BackupResult stored = store.Store(Tracker(), "/dev/ttyACM0", "запись настроек", kNoon);
    EXPECT_FALSE(stored.ok);
    EXPECT_THAT(stored.error, HasSubstr("символическая ссылка"));
    EXPECT_TRUE(fs::is_empty(folder.path / "elsewhere"));
}
#else
// Shown as skipped with the reason, so the Windows run says what it does not check.
TEST_F(BackupStoreTest, NothingIsStoredWhereTheFolderIsALink) {
    GTEST_SKIP() << "Windows: making a symbolic link takes a privilege the tests do not have";
}
#endif

TEST_F(BackupStoreTest, NothingIsStoredWhereTheFolderIsAFileOrCannotBeMade) {
    fs::create_directories(Root());
    Write("zort-configurator/backups/861234050123456", "a file");
    BackupResult stored = store.Store(Tracker(), "/dev/ttyACM0", "запись настроек", kNoon);
    EXPECT_FALSE(stored.ok);
    EXPECT_THAT(stored.error, HasSubstr("не папка"));

    stored =
        BackupStore(PathFromUtf8(File("zort-configurator/backups/861234050123456")) / "deeper" / "backups")
            .Store(Tracker(), "/dev/ttyACM0", "запись настроек", kNoon);
    EXPECT_FALSE(stored.ok);
    EXPECT_THAT(stored.error, HasSubstr("Резервная копия настроек не сохранена"));

    EXPECT_FALSE(BackupStore({}).Store(Tracker(), "/dev/ttyACM0", "запись настроек", kNoon).ok);
}

#ifndef _WIN32
// A disk that fills half-way through the document (a file size limit stands in for it, in
// a child so that the limit stays there; Windows has no such limit): refused, and no part
// of it is left.
TEST_F(BackupStoreTest, NothingIsLeftOfABackupTheDiskHadNoRoomFor) {
    fs::create_directories(Root() / "861234050123456");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{256, 256};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const BackupResult full = store.Store(Tracker(), "/dev/ttyACM0", "запись настроек", kNoon);
        ::_exit(!full.ok && full.error.find("Резервная копия настроек не сохранена") == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a full disk was not refused";
    EXPECT_TRUE(fs::is_empty(Root() / "861234050123456")) << "a torn backup or its temporary was left";
}
#else
// Shown as skipped with the reason, so the Windows run says what it does not check.
TEST_F(BackupStoreTest, NothingIsLeftOfABackupTheDiskHadNoRoomFor) {
    GTEST_SKIP() << "Windows: no file size limit to stand in for a full disk";
}
#endif

// What a store killed half-way leaves is cleared by the next store, unless its program
// is still running and may yet finish it.
TEST_F(BackupStoreTest, TheTemporaryOfAProgramThatIsGoneIsClearedAndARunningOnesKept) {
    const std::string device = "zort-configurator/backups/861234050123456/";
    const std::string gone = device + "20261209T115900Z.json.2147483600-0.tmp";
    const std::string running = device + "20261209T115900Z.json." + std::to_string(::getpid()) + "-7.tmp";
    fs::create_directories(Root() / "861234050123456");
    Write(gone, "{ half");
    Write(running, "{ half");
    ASSERT_TRUE(store.Store(Tracker(), "/dev/ttyACM0", "запись настроек", kNoon).ok);
    EXPECT_FALSE(fs::exists(PathFromUtf8(File(gone))));
    EXPECT_TRUE(fs::exists(PathFromUtf8(File(running))));
}

TEST_F(BackupStoreTest, ABackupThatIsNoSettingsDocumentIsRefusedNamingTheField) {
    SettingsImage image;
    BackupEntry entry;
    const DocumentResult refused = LoadBackup(
        Write("b.json", R"({"saved_at": "x", "server_port": 23351, "colour": "red"})"), image, entry);
    EXPECT_FALSE(refused);
    EXPECT_THAT(refused.detail, HasSubstr("«server_port»"));
    EXPECT_THAT(refused.detail, HasSubstr("«colour»"));
    EXPECT_FALSE(LoadBackup(File("missing.json"), image, entry));
}

TEST(ChangePreview, OnlyWhatAWriteChangesUnderThePagesNames) {
    SettingsImage before = Tracker();
    SettingsImage after = before;
    after.SetText(slot::kServerPort, "20332");
    after.SetText(slot::kOwnerPhone, "");
    after.SetText(slot::kMarker14, "9");            // the tracker's own
    after.SetText(slot::kImei, "999999999999999");  // never written
    std::vector<std::string> lines;
    for (const SettingChange& c : ChangesBetween(before, after)) lines.push_back(ChangeLine(c));
    EXPECT_THAT(lines, ElementsAre("Номер телефона владельца: +79161234567 → (пусто)",
                                   "Порт сервера мониторинга: 23351 → 20332"));
    EXPECT_TRUE(ChangesBetween(before, before).empty());

    after = before;
    before.SetText(slot::kOwnerPhone, "00000");
    after.SetText(slot::kBalanceCode, "*102#");
    lines.clear();
    for (const SettingChange& c : ChangesBetween(before, after)) lines.push_back(ChangeLine(c));
    EXPECT_THAT(lines, ElementsAre("Номер телефона владельца: (нет номера) → +79161234567",
                                   "Код запроса баланса: (автоматически) → *102#"));
}

class UserFolders : public ::testing::Test {
  protected:
    std::map<std::string, std::string> vars;
    const Environment env = [this](const char* name) -> const char* {
        const auto it = vars.find(name);
        return it == vars.end() ? nullptr : it->second.c_str();
    };
};

#ifdef _WIN32

TEST_F(UserFolders, RoamingDataAndThisMachinesStateEachFallingBackOnTheOther) {
    const std::string local = "C:\\Users\\Техник\\AppData\\Local";
    const std::string roaming = "C:\\Users\\Техник\\AppData\\Roaming";
    EXPECT_EQ(ProgramDataFolder(env), fs::path());
    vars["LOCALAPPDATA"] = local;
    EXPECT_EQ(ProgramDataFolder(env), PathFromUtf8(local + "\\ZORT"));
    EXPECT_EQ(ProgramStateFolder(env), PathFromUtf8(local + "\\ZORT"));
    vars["APPDATA"] = "relative\\ignored";
    EXPECT_EQ(ProgramDataFolder(env), PathFromUtf8(local + "\\ZORT"));
    vars["APPDATA"] = roaming;
    EXPECT_EQ(ProgramDataFolder(env), PathFromUtf8(roaming + "\\ZORT"));
    EXPECT_EQ(ProgramStateFolder(env), PathFromUtf8(local + "\\ZORT"));
    vars.erase("LOCALAPPDATA");
    EXPECT_EQ(ProgramStateFolder(env), PathFromUtf8(roaming + "\\ZORT"));
}

// The process's variables are read wide: a user name in Cyrillic is not lost to the ANSI
// code page on its way to the folder's name.
TEST_F(UserFolders, TheProcesssVariablesComeAsUtf8) {
    ASSERT_EQ(::_wputenv_s(L"ZORT_TEST_FOLDER", L"C:\\Users\\Техник"), 0);
    ASSERT_NE(ProcessEnvironment("ZORT_TEST_FOLDER"), nullptr);
    EXPECT_STREQ(ProcessEnvironment("ZORT_TEST_FOLDER"), "C:\\Users\\Техник");
    EXPECT_EQ(ProcessEnvironment("ZORT_TEST_UNSET"), nullptr);
}

#else

TEST_F(UserFolders, TheDesktopsVariablesThenHome) {
    EXPECT_EQ(ProgramDataFolder(env), fs::path());
    vars["HOME"] = "/home/tech";
    EXPECT_EQ(ProgramDataFolder(env), "/home/tech/.local/share/zort-configurator");
    EXPECT_EQ(ProgramStateFolder(env), "/home/tech/.local/state/zort-configurator");
    vars["XDG_DATA_HOME"] = "relative/ignored";
    EXPECT_EQ(ProgramDataFolder(env), "/home/tech/.local/share/zort-configurator");
    vars["XDG_DATA_HOME"] = "/data";
    vars["XDG_STATE_HOME"] = "/state";
    EXPECT_EQ(ProgramDataFolder(env), "/data/zort-configurator");
    EXPECT_EQ(ProgramStateFolder(env), "/state/zort-configurator");
}

#endif

}  // namespace
}  // namespace zort
