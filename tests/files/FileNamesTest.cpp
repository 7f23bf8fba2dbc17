// Every kind of file the program opens, named as users name them: in Cyrillic, with
// blanks, and with a path longer than Windows opens. Each goes through the program's own
// loading function. On Windows a Cyrillic name reaches the wide calls whole, or not at
// all if any step takes the bytes in the ANSI code page; a path too long is refused,
// where the loader can say so, in words that say why.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "files/Utf8Path.h"
#include "firmware/GPSUpdateThread.h"
#include "firmware/MCUpdateThread.h"
#include "history/BackupStore.h"
#include "history/SessionLog.h"
#include "service/IniProfile.h"
#include "service/ServiceProfile.h"
#include "service/SoundFileList.h"
#include "settings/CommandRecord.h"
#include "settings/ConfigRecord.h"
#include "settings/SettingTable.h"
#include "settings/SettingsDefaults.h"
#include "support/TempFolder.h"

namespace zort {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// The test makes and reads its files on its own way from UTF-8, so that a loader that
// mistakes the bytes cannot be matched by the same mistake here.
fs::path Native(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

void Make(const std::string& file, size_t length) {
    fs::create_directories(Native(file).parent_path());
    std::ofstream out(Native(file), std::ios::binary);
    for (size_t i = 0; i < length; ++i) out.put(static_cast<char>(i * 7));
}

std::string ReadBack(const std::string& file) {
    std::ifstream in(Native(file), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

SettingsImage Tracker() {
    SettingsImage image;
    StoreDefaults(image, "+79161234567");
    image.SetText(slot::kImei, "861234050123456");
    return image;
}

// One kind of file: opened under `folder` by names made from `word`; the text the user
// would see, empty when it was opened.
struct FileKind {
    const char* what;
    std::function<std::string(const std::string& folder, const std::string& word)> open;
    bool saysWhy;  // whether its refusal names the cause; some only come back empty
};

const FileKind kKinds[] = {
    {"файл настроек",
     [](const std::string& folder, const std::string& word) -> std::string {
         const std::string file = folder + "/" + word + ".cfg";
         if (const FileResult saved = SaveConfigFile(file, Tracker()); !saved) return saved.error;
         SettingsImage back;
         if (const FileResult loaded = LoadConfigFile(file, back); !loaded) return loaded.error;
         return back.Utf8Text(slot::kOwnerPhone) == "+79161234567" ? "" : "прочитано не то";
     },
     true},
    {"файл команды",
     [](const std::string& folder, const std::string& word) -> std::string {
         const std::string file = folder + "/" + word + ".cfg";
         if (const FileResult saved = SaveCommandFile(file, CommandRecord::FromChoice(1)); !saved)
             return saved.error;
         return ReadBack(file) == std::string("\x02\x01\x02", 3) ? "" : "записано не то";
     },
     true},
    {"файл прошивки трекера",
     [](const std::string& folder, const std::string& word) -> std::string {
         const std::string file = folder + "/" + word + ".fmw";
         Make(file, 100);
         std::string why;
         return CheckFirmwareFile(file, &why) == 100 - static_cast<long long>(kFirmwareHeaderSize) ? "" : why;
     },
     true},
    {"файл загрузчика",
     [](const std::string& folder, const std::string& word) -> std::string {
         const std::string file = folder + "/" + word + ".bin";
         Make(file, kGnssLoaderLength);
         std::vector<uint8_t> loader;
         std::string why;
         return ReadGnssLoader(file, loader, why) ? "" : why;
     },
     true},
    {"файл прошивки GPS модуля",
     [](const std::string& folder, const std::string& word) -> std::string {
         const std::string file = folder + "/" + word + ".rom";
         Make(file, 5000);
         std::vector<uint8_t> image;
         std::string why;
         return ReadGnssFirmware(file, image, why) && image.size() == 5000 ? "" : why;
     },
     true},
    // The folder as config.ini keeps it, listed, and its file opened as the upload opens it.
    {"config.ini и папка звуков",
     [](const std::string& folder, const std::string& word) -> std::string {
         const std::string sounds = folder + "/" + word;
         Make(sounds + "/a.amr", 5);
         const IniProfile ini(Native(folder) / "config.ini");
         std::string why;
         if (!ini.Write(kConfigSection, kKeyDirectory, sounds, &why)) return why;
         const SoundFileList list = SoundFileList::FromFolder(ServiceProfile::Load(ini).directory);
         if (list.paths.size() != 1 || list.totalSize != 5) return "папка звуков не прочитана";
         std::FILE* file = OpenFileUtf8(list.paths.front(), "rb");
         if (file == nullptr) return "файл звука не открыт";
         std::fclose(file);
         return {};
     },
     true},
    {"папка звуков",
     [](const std::string& folder, const std::string& word) -> std::string {
         Make(folder + "/" + word + "/b.AMR", 7);
         const SoundFileList list = SoundFileList::FromFolder(folder + "/" + word);
         return list.paths.size() == 1 && list.totalSize == 7 ? "" : "папка звуков не прочитана";
     },
     false},
    {"резервная копия",
     [](const std::string& folder, const std::string& word) -> std::string {
         const BackupResult stored =
             BackupStore(Native(folder + "/" + word))
                 .Store(Tracker(), "COM3", kWriteReason, std::chrono::system_clock::now());
         if (!stored.ok) return stored.error;
         SettingsImage back;
         BackupEntry entry;
         // As a user names it to restore from: a UTF-8 text.
         const DocumentResult loaded = LoadBackup(Utf8FromPath(stored.file), back, entry);
         if (!loaded) return loaded.message;
         return entry.imei == "861234050123456" ? "" : "прочитано не то";
     },
     true},
    {"журнал операций",
     [](const std::string& folder, const std::string& word) -> std::string {
         const SessionLog log(Native(folder + "/" + word + "/log"));
         SessionEntry entry;
         entry.operation = "чтение настроек";
         if (!log.Append(entry)) return "строка не записана";
         return ReadBack(folder + "/" + word + "/log").find("чтение настроек") != std::string::npos
                    ? ""
                    : "записано не то";
     },
     false},
};

struct Place {
    const char* what;
    std::string folder;  // under the test's own folder
    std::string word;    // what the file names are made of
};

// Past MAX_PATH (260) by the folder alone, and well within what Linux takes.
std::string LongFolder() {
    std::string folder;
    for (char c = 'a'; c < 'f'; ++c) folder += (folder.empty() ? "" : "/") + std::string(55, c);
    return folder;
}

class FileNames : public test::TempFolderTest {
  protected:
    std::string Under(const std::string& folder) const {
        return Utf8FromPath(this->folder.path) + "/" + folder;
    }
};

TEST_F(FileNames, EveryKindOfFileOpensByACyrillicNameAndOneWithBlanks) {
    for (const Place& place : {Place{"кириллица", "Заказчики/Автобаза №2", "Трекер-Ёж"},
                               Place{"пробелы", "my trackers/fleet 2", "tracker one"}}) {
        int k = 0;
        for (const FileKind& kind : kKinds) {
            const std::string folder = Under(place.folder) + "/" + std::to_string(++k);
            fs::create_directories(Native(folder));
            EXPECT_EQ(kind.open(folder, place.word), "") << kind.what << ", " << place.what;
        }
    }
}

TEST_F(FileNames, APathTooLongForWindowsIsRefusedSayingSoAndOpensElsewhere) {
    ASSERT_GT(Under(LongFolder()).size(), 260u);
    int k = 0;
    for (const FileKind& kind : kKinds) {
        const std::string folder = Under(LongFolder()) + "/" + std::to_string(++k);
        fs::create_directories(Native(folder));
        const std::string seen = kind.open(folder, "tracker");
#ifdef _WIN32
        EXPECT_NE(seen, "") << kind.what << " opened a path Windows would not";
        if (kind.saysWhy) {
            EXPECT_THAT(seen, HasSubstr(kPathTooLongText)) << kind.what;
        }
#else
        EXPECT_EQ(seen, "") << kind.what;
#endif
    }
}

}  // namespace
}  // namespace zort
