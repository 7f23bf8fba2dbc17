#pragma once
// Setting up a fleet: every tracker gets the profile (a settings document that may name
// only some settings) and its own row of the devices table, as one careful write each:
// read, merge, check as the pages check, back up, write, read back and compare. A
// tracker that fails never stops the others; each ends with one report.

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "fleet/DeviceTable.h"
#include "history/ChangePreview.h"
#include "settings/SettingsDocument.h"
#include "worker/LinkTimings.h"

namespace zort {

// Why the backups of a fleet run were taken.
inline constexpr const char* kProvisionReason = "групповая настройка";

struct ProvisionPlan {
    std::string profile;        // the profile document, UTF-8 JSON
    std::string profileSource;  // its file name, for messages
    DeviceTable devices;        // no rows when there is no table
    bool devicesOnly = false;   // a tracker missing from the table is refused
    bool yes = false;           // the pages' questions are answered "Да"
    std::filesystem::path backupRoot;
    std::filesystem::path sessionLog;  // every operation's line; none when empty
    LinkTimings timings;
    // With a file: a tracker whose software version is not `firmwareVersion` gets the
    // firmware after its settings, and its version is read again once it has restarted.
    std::string firmwareFile;
    std::string firmwareVersion;
};

// How long a tracker may take to answer again on its new firmware.
inline constexpr std::chrono::seconds kRestartWait{15};

struct TrackerReport {
    std::chrono::system_clock::time_point started;
    std::string port;
    std::string imei;
    std::string identity;
    std::string versionBefore;
    std::string versionAfter;
    std::vector<SettingChange> changes;
    bool ok = false;
    std::string message;  // Russian: "готово", or why it failed
    std::chrono::milliseconds duration{0};
    std::filesystem::path backup;  // empty when none was taken
};

// The profile and every row of the table, each on the factory settings, checked as the
// pages check them: whatever would be refused at a tracker is refused before any is
// touched, naming the file, line and field. Questions do not count here: their answer
// depends on what each tracker holds.
DocumentResult CheckPlan(const ProvisionPlan& plan);

// One tracker on `port`, start to end; `step` hears each step's name as it begins
// ("чтение", "запись", "проверка"), on this thread.
TrackerReport ProvisionTracker(const std::string& port, const ProvisionPlan& plan,
                               const std::function<void(const std::string& step)>& step = {});

// The trackers on `ports`, `jobs` at a time (0: all at once), each on a thread of its
// own; `done` hears each report as its tracker ends, one at a time. The reports come
// back in the order of `ports`.
std::vector<TrackerReport> ProvisionAll(const std::vector<std::string>& ports, const ProvisionPlan& plan,
                                        int jobs, const std::function<void(const TrackerReport&)>& done = {});

// "861234567890123 Z410 готово за 4.1 с", or the failure in place of "готово".
std::string ReportLine(const TrackerReport& report);

}  // namespace zort
