#include "fleet/Provisioning.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

#include "connect/Probe.h"
#include "connect/SystemView.h"
#include "firmware/MCUpdateThread.h"
#include "history/BackupStore.h"
#include "history/SessionLog.h"
#include "settings/ExchangeTable.h"
#include "settings/PagesCheck.h"
#include "settings/RWSettingsThread.h"
#include "settings/SettingTable.h"
#include "settings/SettingsDefaults.h"
#include "worker/DeviceContext.h"
#include "worker/WorkerSink.h"

namespace zort {
namespace {

// The pages' questions without anyone to ask: answered as the plan says, and the first
// refusal or "Нет" kept as the reason.
class PlanPrompts : public SettingsPrompts {
  public:
    explicit PlanPrompts(bool yes) : yes(yes) {}
    bool AskYesNo(std::string_view, std::string_view text) override {
        if (!yes && refusal.empty()) refusal = std::string(text) + " (ответ «Нет»; ответить «Да»: --yes)";
        return yes;
    }
    void Warn(std::string_view, std::string_view text) override {
        if (refusal.empty()) refusal = text;
    }
    std::string refusal;

  private:
    const bool yes;
};

std::string Quoted(std::string_view text) {
    return "«" + std::string(text) + "»";
}

// The row's values as NAME=TEXT, for the same checks as --set.
std::vector<std::string> Assignments(const DeviceRow& row) {
    std::vector<std::string> assignments;
    for (const auto& [key, text] : row.values) assignments.push_back(key + "=" + text);
    return assignments;
}

// The profile, then the tracker's row, over `image`; the pages' check last. Empty when
// it all fits, else why not.
std::string Compose(const ProvisionPlan& plan, const DeviceRow* row, SettingsImage& image, bool yes) {
    if (const DocumentResult profile = ApplySettingsDocument(plan.profile, plan.profileSource, image);
        !profile) {
        return profile.message + ": " + profile.detail;
    }
    if (row != nullptr) {
        if (const DocumentResult set = ApplySettingsAssignments(Assignments(*row), image); !set) {
            return set.detail;
        }
    }
    const SettingsImage given = image;
    PlanPrompts prompts(yes);
    const PagesCheck check = CheckThroughPages(image, prompts);
    if (!check.unshown.empty()) {
        std::string text = "недопустимые значения";
        for (int slot : check.unshown)
            text += " " + Quoted(KeyOf(slot)) + ": " + Quoted(given.Utf8Text(slot)) + ";";
        text.pop_back();
        return text;
    }
    return check.ok ? std::string() : prompts.refusal;
}

// Runs `worker` to its end; its message when it failed.
std::string RunToEnd(Worker& worker) {
    if (!worker.Start()) return "порт занят другой операцией";
    worker.Join();
    if (worker.statusKind != kStatusError) return {};
    return worker.detail.empty() ? worker.message : worker.message + ": " + worker.detail;
}

std::string RunSettings(DeviceContext& context, int mode, SettingsImage* image) {
    NullSink sink;
    RWSettingsThread worker(context, sink);
    worker.mode = mode;
    if (image != nullptr) worker.image = image;
    return RunToEnd(worker);
}

std::string RunFirmware(DeviceContext& context, const std::string& file) {
    NullSink sink;
    MCUpdateThread worker(context, sink);
    worker.firmwarePath = file;
    return RunToEnd(worker);
}

// The software version a tracker reports once it answers again after an update; empty
// when it did not answer within kRestartWait.
std::string VersionAfterRestart(const std::string& port, const LinkTimings& timings) {
    ProbeOptions options;
    options.timings = timings;
    const auto giveUp = std::chrono::steady_clock::now() + kRestartWait;
    for (;;) {
        const ProbeResult found = ProbePort(HostSystem(), port, options);
        if (found.state == ProbeState::kTracker) return found.softwareVersion;
        if (std::chrono::steady_clock::now() >= giveUp) return {};
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}

std::string Seconds(std::chrono::milliseconds duration) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f с", static_cast<double>(duration.count()) / 1000.0);
    return text;
}

TrackerReport Ended(TrackerReport report, bool ok, std::string message,
                    std::chrono::steady_clock::time_point began) {
    report.ok = ok;
    // One line per tracker, on the terminal and in the report.
    std::replace(message.begin(), message.end(), '\n', ' ');
    report.message = std::move(message);
    report.duration =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began);
    return report;
}

}  // namespace

DocumentResult CheckPlan(const ProvisionPlan& plan) {
    SettingsImage factory;
    // A number stands in for the owner's: whether one is needed depends on each tracker.
    StoreDefaults(factory, "+70000000000");
    SettingsImage image = factory;
    if (DocumentResult profile = ApplySettingsDocument(plan.profile, plan.profileSource, image); !profile) {
        return profile;
    }
    image = factory;
    if (const std::string why = Compose(plan, nullptr, image, true); !why.empty()) {
        return {false, "Ошибка в профиле " + Quoted(plan.profileSource), why};
    }
    if (!plan.firmwareFile.empty()) {
        std::string why;
        if (CheckFirmwareFile(plan.firmwareFile, &why) < 0) {
            return {false, "Файл прошивки " + Quoted(plan.firmwareFile) + " не подходит", why};
        }
        if (plan.firmwareVersion.empty()) {
            return {false, "Не указана версия прошивки",
                    "без неё неизвестно, каким трекерам нужна прошивка: добавьте --firmware-version"};
        }
    }
    std::string detail;
    for (const DeviceRow& row : plan.devices.rows) {
        image = factory;
        if (const std::string why = Compose(plan, &row, image, true); !why.empty()) {
            detail += (detail.empty() ? "" : "\n") +
                      ("строка " + std::to_string(row.line) + " (IMEI " + row.imei + "): " + why);
        }
    }
    if (!detail.empty()) return {false, "Ошибка в таблице устройств " + Quoted(plan.devices.source), detail};
    return {};
}

TrackerReport ProvisionTracker(const std::string& port, const ProvisionPlan& plan,
                               const std::function<void(const std::string& step)>& step) {
    const auto began = std::chrono::steady_clock::now();
    TrackerReport report;
    report.started = std::chrono::system_clock::now();
    report.port = port;
    const auto announce = [&](const char* name) {
        if (step) step(name);
    };

    DeviceContext context;
    context.SetPortName(port);
    context.timings = plan.timings;
    if (!plan.sessionLog.empty()) LogOperations(context, plan.sessionLog);

    announce("чтение");
    SettingsImage before;
    if (std::string failed = RunSettings(context, kModeReadSettings, &before); !failed.empty()) {
        return Ended(report, false, std::move(failed), began);
    }
    report.imei = before.Utf8Text(slot::kImei);
    report.identity = before.Utf8Text(slot::kDeviceIdentity);
    report.versionBefore = report.versionAfter = before.Utf8Text(slot::kSoftwareVersion);

    const DeviceRow* row = plan.devices.Find(report.imei);
    if (row == nullptr && plan.devicesOnly) {
        return Ended(report, false, "нет в таблице устройств: ничего не записано", began);
    }
    SettingsImage image = before;
    if (std::string why = Compose(plan, row, image, plan.yes); !why.empty()) {
        return Ended(report, false, "ничего не записано: " + why, began);
    }
    report.changes = ChangesBetween(before, image);

    const BackupResult stored =
        BackupStore(plan.backupRoot).Store(before, port, kProvisionReason, std::chrono::system_clock::now());
    if (!stored.ok) return Ended(report, false, "ничего не записано: " + stored.error, began);
    report.backup = stored.file;

    announce("запись");
    context.image = image;
    if (std::string failed = RunSettings(context, kModeWriteSettings, nullptr); !failed.empty()) {
        return Ended(report, false, std::move(failed), began);
    }

    announce("проверка");
    SettingsImage readBack;
    if (std::string failed = RunSettings(context, kModeReadSettings, &readBack); !failed.empty()) {
        return Ended(report, false, "записано, но не прочитано для проверки: " + failed, began);
    }
    std::string lost;
    for (const int slot : WrittenSlotsDiffering(image, readBack)) {
        lost += (lost.empty() ? " " : ", ") + Quoted(KeyOf(slot));
    }
    if (!lost.empty()) return Ended(report, false, "устройство не сохранило:" + lost, began);
    report.versionAfter = readBack.Utf8Text(slot::kSoftwareVersion);
    if (plan.firmwareFile.empty() || report.versionAfter == plan.firmwareVersion) {
        return Ended(report, true, "готово", began);
    }

    announce("прошивка");
    if (std::string failed = RunFirmware(context, plan.firmwareFile); !failed.empty()) {
        return Ended(report, false, "настройки записаны, прошивка не обновлена: " + failed, began);
    }
    report.versionAfter = VersionAfterRestart(port, plan.timings);
    if (report.versionAfter.empty()) {
        return Ended(report, false, "после обновления прошивки трекер не ответил", began);
    }
    if (report.versionAfter != plan.firmwareVersion) {
        return Ended(report, false,
                     "после обновления версия " + Quoted(report.versionAfter) + ", а ожидалась " +
                         Quoted(plan.firmwareVersion),
                     began);
    }
    return Ended(report, true, "готово", began);
}

std::vector<TrackerReport> ProvisionAll(const std::vector<std::string>& ports, const ProvisionPlan& plan,
                                        int jobs, const std::function<void(const TrackerReport&)>& done) {
    std::vector<TrackerReport> reports(ports.size());
    std::atomic<size_t> next{0};
    std::mutex reporting;
    const size_t threads = jobs <= 0 ? ports.size() : std::min(ports.size(), static_cast<size_t>(jobs));
    {
        std::vector<std::jthread> running;
        for (size_t t = 0; t < threads; ++t) {
            running.emplace_back([&] {
                for (size_t k = next++; k < ports.size(); k = next++) {
                    TrackerReport report = ProvisionTracker(ports[k], plan);
                    std::lock_guard lock(reporting);
                    if (done) done(report);
                    reports[k] = std::move(report);
                }
            });
        }
    }
    return reports;
}

std::string ReportLine(const TrackerReport& report) {
    std::string model = report.versionAfter.substr(0, report.versionAfter.find(' '));
    std::string line = report.imei.empty() ? report.port : report.imei;
    if (!model.empty()) line += " " + model;
    line += report.ok ? " готово за " + Seconds(report.duration) : ": " + report.message;
    return line;
}

}  // namespace zort
