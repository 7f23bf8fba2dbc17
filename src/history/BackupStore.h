#pragma once
// The tracker's settings as they were before a write: one JSON settings document per
// backup, with when, from which port and why it was taken, under
// <root>/<IMEI>/<UTC time>.json. Each file is written whole or not at all and never
// over another one, so two programs backing up one tracker at once keep both; the
// newest kBackupsKeptPerDevice of a tracker are kept.

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "history/UserFolders.h"
#include "settings/SettingsDocument.h"
#include "worker/SettingsImage.h"

namespace zort {

inline constexpr int kBackupsKeptPerDevice = 100;
// The folder of a tracker whose IMEI could not be read.
inline constexpr std::string_view kUnknownImeiFolder = "unknown-imei";
// The keys a backup carries besides the settings.
inline constexpr std::string_view kSavedAtKey = "saved_at";
inline constexpr std::string_view kPortKey = "port";
inline constexpr std::string_view kReasonKey = "reason";
// Why a backup was taken, as its "reason" says.
inline constexpr const char* kWriteReason = "запись настроек";
inline constexpr const char* kRestoreReason = "восстановление";

struct BackupEntry {
    std::filesystem::path file;
    std::string savedAt;  // ISO 8601, UTC
    std::string imei;
    std::string identity;
    std::string port;
    std::string reason;
};

struct BackupResult {
    bool ok = false;
    std::filesystem::path file;  // the backup stored
    std::string error;           // Russian, why nothing was stored
};

// "<data home>/zort-configurator/backups"; empty when there is no data home.
std::filesystem::path DefaultBackupRoot(const Environment& env = ProcessEnvironment);

// "2026-12-09T10:15:03Z".
std::string IsoUtcTime(std::chrono::system_clock::time_point time);

// The folder a tracker's backups go to: its IMEI when that is one, else kUnknownImeiFolder.
std::string BackupFolderName(std::string_view imei);

class BackupStore {
  public:
    // `root` is the folder of all backups ("<data home>/zort-configurator/backups").
    explicit BackupStore(std::filesystem::path root);

    // Stores the settings in `image` (UTF-8 texts as the tracker gave them), then drops
    // the oldest of the tracker's backups beyond the number kept.
    BackupResult Store(const SettingsImage& image, std::string_view port, std::string_view reason,
                       std::chrono::system_clock::time_point now) const;

    // Every backup, or those of one IMEI, newest first. Files that are no backup are left out.
    std::vector<BackupEntry> List(std::string_view imei = {}) const;

    const std::filesystem::path& Root() const { return root; }

  private:
    std::filesystem::path root;
};

// Reads a backup file into `image` (absent keys keep what the image holds) and its own
// keys into `entry`. Refuses what ApplySettingsDocument refuses, and a file that cannot
// be read.
DocumentResult LoadBackup(const std::filesystem::path& file, SettingsImage& image, BackupEntry& entry);
// The same for a file the user named (UTF-8).
DocumentResult LoadBackup(const std::string& file, SettingsImage& image, BackupEntry& entry);

}  // namespace zort
