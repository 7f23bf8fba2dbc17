#include "history/BackupStore.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "files/FileErrorText.h"
#include "files/ReplaceFile.h"
#include "files/Utf8Path.h"
#include "settings/SettingTable.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#endif

namespace zort {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kExtension = ".json";
constexpr size_t kStampLength = 16;  // "20261209T101503Z"
// Enough names for every backup one program could take within a second.
constexpr int kNamesPerSecond = 1000;

std::string UtcText(std::chrono::system_clock::time_point time, const char* format) {
    const std::time_t t = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &t);
#else
    gmtime_r(&t, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, format, &utc);
    return text;
}

// "20261209T101503Z": the time in ISO 8601's basic form, which file systems that refuse
// a colon accept, and which sorts as the time does.
std::string FileStamp(std::chrono::system_clock::time_point time) {
    return UtcText(time, "%Y%m%dT%H%M%SZ");
}

// The order of a backup file among its tracker's: its time, then the number that keeps
// apart two taken within one second. -1 for a file that is no backup.
struct FileOrder {
    std::string stamp;
    int number = -1;

    bool operator<(const FileOrder& other) const {
        return stamp != other.stamp ? stamp < other.stamp : number < other.number;
    }
};

FileOrder OrderOf(const fs::path& file) {
    const std::string name = Utf8FromPath(file.filename());
    if (name.size() < kStampLength + kExtension.size() || !name.ends_with(kExtension)) return {};
    const std::string stamp = name.substr(0, kStampLength);
    if (stamp[8] != 'T' || stamp.back() != 'Z') return {};
    const std::string rest = name.substr(kStampLength, name.size() - kStampLength - kExtension.size());
    if (rest.empty()) return {stamp, 0};
    // A number of our own has at most four digits; a longer one is nobody's backup.
    if (rest.size() < 2 || rest.size() > 5 || rest[0] != '-' ||
        !std::all_of(rest.begin() + 1, rest.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return {};
    return {stamp, std::stoi(rest.substr(1))};
}

std::string NameFor(const std::string& stamp, int number) {
    return stamp + (number == 0 ? "" : "-" + std::to_string(number)) + std::string(kExtension);
}

// A folder of ours: created when missing, refused when something else is in its place
// (a file, or a link that could lead the backups anywhere).
std::string PrepareFolder(const fs::path& folder) {
    if (PathTooLong(folder)) return Utf8FromPath(folder) + ": " + kPathTooLongText;
    std::error_code error;
    const fs::file_status status = fs::symlink_status(folder, error);
    if (fs::exists(status)) {
        if (fs::is_symlink(status)) return "вместо папки " + Utf8FromPath(folder) + " — символическая ссылка";
        if (!fs::is_directory(status)) return Utf8FromPath(folder) + " — не папка";
        return {};
    }
    fs::create_directories(folder, error);
    if (error) return "не удалось создать папку " + Utf8FromPath(folder) + ": " + FileErrorText(error);
    return {};
}

std::string ReadWhole(const fs::path& file, bool& ok) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    ok = static_cast<bool>(in) || in.eof();
    return text.str();
}

// Whether no process has the number `pid` any more.
bool ProcessGone(int pid) {
#ifdef _WIN32
    // A process that has ended but is still held open by someone keeps its number
    // until it is released; its exit code tells.
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) return ::GetLastError() == ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool ended = ::GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
    ::CloseHandle(process);
    return ended;
#else
    return ::kill(pid, 0) != 0 && errno == ESRCH;
#endif
}

// "<backup>.<pid>-<n>.tmp" of a program that is gone: a store killed half-way.
bool AbandonedTemporary(const fs::path& file) {
    const std::string name = Utf8FromPath(file.filename());
    if (!name.ends_with(".tmp")) return false;
    const size_t json = name.find(std::string(kExtension) + ".");
    if (json == std::string::npos) return false;
    const std::string owner = name.substr(json + kExtension.size() + 1);
    const int pid = std::atoi(owner.c_str());
    return pid > 0 && ProcessGone(pid);
}

void Prune(const fs::path& folder) {
    std::vector<std::pair<FileOrder, fs::path>> backups;
    std::error_code error;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, error)) {
        if (AbandonedTemporary(e.path())) {
            fs::remove(e.path(), error);
            continue;
        }
        const FileOrder order = OrderOf(e.path());
        if (order.number >= 0 && e.is_regular_file(error)) backups.emplace_back(order, e.path());
    }
    if (backups.size() <= static_cast<size_t>(kBackupsKeptPerDevice)) return;
    std::sort(backups.begin(), backups.end());
    for (size_t k = 0; k + kBackupsKeptPerDevice < backups.size(); ++k) fs::remove(backups[k].second, error);
}

}  // namespace

fs::path DefaultBackupRoot(const Environment& env) {
    const fs::path data = ProgramDataFolder(env);
    return data.empty() ? fs::path() : data / "backups";
}

std::string IsoUtcTime(std::chrono::system_clock::time_point time) {
    return UtcText(time, "%Y-%m-%dT%H:%M:%SZ");
}

std::string BackupFolderName(std::string_view imei) {
    // Only letters and digits make a folder's name: whatever a device answers can never
    // lead out of the backups' folder.
    const bool usable = !imei.empty() && imei != kNotSetText &&
                        std::all_of(imei.begin(), imei.end(),
                                    [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
    return usable ? std::string(imei) : std::string(kUnknownImeiFolder);
}

BackupStore::BackupStore(fs::path root) : root(std::move(root)) {}

BackupResult BackupStore::Store(const SettingsImage& image, std::string_view port, std::string_view reason,
                                std::chrono::system_clock::time_point now) const {
    BackupResult result;
    const auto fail = [&](const std::string& why) {
        result.error = "Резервная копия настроек не сохранена: " + why;
        return result;
    };
#ifdef _WIN32
    if (root.empty()) return fail("не задана папка для резервных копий (нет ни APPDATA, ни LOCALAPPDATA)");
#else
    if (root.empty()) return fail("не задана папка для резервных копий (нет ни XDG_DATA_HOME, ни HOME)");
#endif
    if (std::string why = PrepareFolder(root.parent_path()); !why.empty()) return fail(why);
    if (std::string why = PrepareFolder(root); !why.empty()) return fail(why);
    const fs::path folder = root / BackupFolderName(image.Utf8Text(slot::kImei));
    if (std::string why = PrepareFolder(folder); !why.empty()) return fail(why);

    const std::string document = SettingsToJson(image, {{std::string(kSavedAtKey), IsoUtcTime(now)},
                                                        {std::string(kPortKey), std::string(port)},
                                                        {std::string(kReasonKey), std::string(reason)}});
    const std::string stamp = FileStamp(now);
    for (int number = 0; number < kNamesPerSecond; ++number) {
        const fs::path file = folder / NameFor(stamp, number);
        const std::optional<ReplaceFileError> failed = CreateFileWhole(file, document);
        if (!failed) {
            Prune(folder);
            result.ok = true;
            result.file = file;
            return result;
        }
        if (failed->step != ReplaceFileError::Step::kRename || failed->code != std::errc::file_exists)
            return fail(Utf8FromPath(file) + ": " + FileErrorText(failed->code));
    }
    return fail("слишком много резервных копий за одну секунду в " + Utf8FromPath(folder));
}

std::vector<BackupEntry> BackupStore::List(std::string_view imei) const {
    std::vector<std::pair<FileOrder, BackupEntry>> found;
    std::error_code error;
    for (const fs::directory_entry& device : fs::directory_iterator(root, error)) {
        if (device.is_symlink(error) || !device.is_directory(error)) continue;
        if (!imei.empty() && device.path().filename() != imei) continue;
        for (const fs::directory_entry& e : fs::directory_iterator(device.path(), error)) {
            const FileOrder order = OrderOf(e.path());
            if (order.number < 0 || e.is_symlink(error) || !e.is_regular_file(error)) continue;
            SettingsImage image;
            BackupEntry entry;
            if (!LoadBackup(e.path(), image, entry)) continue;
            found.emplace_back(order, std::move(entry));
        }
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return b.first < a.first; });
    std::vector<BackupEntry> entries;
    for (auto& [order, entry] : found) entries.push_back(std::move(entry));
    return entries;
}

DocumentResult LoadBackup(const std::string& file, SettingsImage& image, BackupEntry& entry) {
    return LoadBackup(PathFromUtf8(file), image, entry);
}

DocumentResult LoadBackup(const fs::path& file, SettingsImage& image, BackupEntry& entry) {
    const std::string name = Utf8FromPath(file);
    if (PathTooLong(file)) return {false, "Не удалось прочитать файл " + name, kPathTooLongText};
    bool read = false;
    const std::string text = ReadWhole(file, read);
    if (!read) return {false, "Не удалось прочитать файл " + name, {}};
    static constexpr std::string_view kOwnKeys[] = {kSavedAtKey, kPortKey, kReasonKey};
    DocumentExtras extras;
    DocumentResult result = ApplySettingsDocument(text, name, image, kOwnKeys, &extras);
    if (!result) return result;
    entry = {};
    entry.file = file;
    for (const auto& [key, value] : extras) {
        if (key == kSavedAtKey) entry.savedAt = value;
        if (key == kPortKey) entry.port = value;
        if (key == kReasonKey) entry.reason = value;
    }
    entry.imei = image.Utf8Text(slot::kImei);
    entry.identity = image.Utf8Text(slot::kDeviceIdentity);
    return result;
}

}  // namespace zort
