// zortcfg provision: a fleet in one sitting. Every tracker named by --port (or every one
// that answers, when none is named) gets the profile and its row of the devices table,
// several side by side; one line each as it ends, and a line each in the report.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "cli/Command.h"
#include "cli/Interrupts.h"
#include "cli/PortChoice.h"
#include "connect/PortCandidates.h"
#include "connect/Probe.h"
#include "files/FileErrorText.h"
#include "files/Utf8Path.h"
#include "fleet/FleetWatch.h"
#include "fleet/ProvisionReport.h"
#include "fleet/Provisioning.h"
#include "history/BackupStore.h"
#include "history/SessionLog.h"

namespace zort::cli {
namespace {

Outcome ReadText(const std::string& file, const char* what, std::string& text) {
    std::error_code folder;
    if (std::filesystem::is_directory(PathFromUtf8(file), folder)) {
        return Outcome::BadInput(std::string("Не удалось прочитать ") + what + " «" + file + "»",
                                 FileReadErrorText(std::make_error_code(std::errc::is_a_directory)));
    }
    std::FILE* in = OpenFileUtf8(file, "rb");
    std::string bytes;
    char block[4096];
    for (size_t got = sizeof block; in != nullptr && got == sizeof block;) {
        got = std::fread(block, 1, sizeof block, in);
        bytes.append(block, got);
    }
    const bool failed = in == nullptr || std::ferror(in) != 0;
    const int error = errno;
    if (in != nullptr) std::fclose(in);
    if (failed) {
        return Outcome::BadInput(std::string("Не удалось прочитать ") + what + " «" + file + "»",
                                 FileReadErrorText(std::error_code(error, std::generic_category())));
    }
    text = std::move(bytes);
    return Outcome::Success();
}

class ProvisionCommand final : public Command {
  public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command =
            app.add_subcommand("provision", "настроить много трекеров по профилю и таблице устройств");
        command->add_option("--profile", profileFile, "профиль: документ настроек (часть ключей read --json)")
            ->required()
            ->type_name("FILE");
        command->add_option("--devices", devicesFile, "таблица устройств CSV: столбец imei и ключи настроек")
            ->type_name("FILE");
        command->add_flag("--devices-only", plan.devicesOnly,
                          "не настраивать трекеры, которых нет в таблице");
        command->add_option("--port", ports, "порт трекера; можно несколько; без него — все отвечающие")
            ->type_name("PATH")
            ->expected(1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        command->add_option("--also", also, "ещё порт для поиска трекеров (без --port)")
            ->type_name("PATH")
            ->expected(1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        command->add_option("--jobs", jobs, "сколько трекеров настраивать одновременно (0 — все)")
            ->type_name("N");
        command->add_option("--report", reportFile, "дописать отчёт CSV в этот файл")->type_name("FILE");
        command->add_flag("--yes", plan.yes, "ответить «Да» на вопросы проверки");
        command->add_flag(
            "--watch", watch,
            "ждать трекеры и настраивать каждый подключённый; Ctrl+C — закончить после начатых");
        CLI::Option* firmware =
            command
                ->add_option("--firmware", plan.firmwareFile, "прошивка .fmw для трекеров с другой версией")
                ->type_name("FILE");
        command
            ->add_option("--firmware-version", plan.firmwareVersion,
                         "версия этой прошивки, как её сообщает трекер")
            ->type_name("V")
            ->needs(firmware);
        firmware->needs("--firmware-version");
        return command;
    }

    Outcome Run() override {
        // Everything given is checked before any tracker is touched.
        if (Outcome read = ReadText(profileFile, "профиль", plan.profile); !read.Ok()) return read;
        plan.profileSource = profileFile;
        if (!devicesFile.empty()) {
            plan.devices = LoadDeviceTable(devicesFile);
            if (!plan.devices.ok) return Outcome::BadInput(plan.devices.message, plan.devices.detail);
        } else if (plan.devicesOnly) {
            return Outcome::BadInput("--devices-only без --devices: настраивать некого");
        }
        if (!ports.empty() && !also.empty() && !watch) {
            return Outcome::BadInput("--also расширяет поиск трекеров, а с --port поиска нет");
        }
        if (DocumentResult fits = CheckPlan(plan); !fits) return Outcome::BadInput(fits.message, fits.detail);
        ProvisionReport report;
        if (std::string error; !reportFile.empty() && !report.Open(reportFile, error)) {
            return Outcome::BadInput(error);
        }
        plan.backupRoot = DefaultBackupRoot();
        plan.sessionLog = DefaultSessionLogFile();
        if (watch) return Watch(report);
        if (ports.empty()) {
            if (Outcome found = FindTrackers(); !found.Ok()) return found;
        }

        std::fprintf(stderr, "Трекеров: %zu, одновременно: %zu\n", ports.size(),
                     jobs == 0 ? ports.size() : std::min<size_t>(jobs, ports.size()));
        std::fflush(stderr);
        size_t failed = 0;
        ProvisionAll(ports, plan, jobs, [&](const TrackerReport& tracker) {
            std::printf("%s\n", ReportLine(tracker).c_str());
            std::fflush(stdout);
            if (report.IsOpen() && !report.Append(tracker)) {
                std::fprintf(stderr, "Строка отчёта не записана: %s\n",
                             FileErrorText(std::error_code(errno, std::generic_category())).c_str());
            }
            if (!tracker.ok) ++failed;
        });
        if (failed == 0) return Outcome::Success();
        return Outcome::DeviceFailed("Не настроено трекеров: " + std::to_string(failed) + " из " +
                                     std::to_string(ports.size()));
    }

  private:
    // Until Ctrl+C (or a termination request): each tracker as it is plugged in, then the
    // ones under way are let finish.
    Outcome Watch(ProvisionReport& report) {
        Interrupts interrupts;  // before any thread starts: no tracker is left mid-write
        std::vector<std::string> named = ports;
        named.insert(named.end(), also.begin(), also.end());
        size_t failed = 0;
        size_t total = 0;
        FleetWatch::Events events;
        events.started = [](const std::string& port) {
            std::fprintf(stderr, "%s: трекер подключён, идёт настройка\n", port.c_str());
            std::fflush(stderr);
        };
        events.done = [&](const TrackerReport& tracker) {
            std::printf("%s\n", ReportLine(tracker).c_str());
            std::fflush(stdout);
            if (report.IsOpen() && !report.Append(tracker)) {
                std::fprintf(stderr, "Строка отчёта не записана: %s\n",
                             FileErrorText(std::error_code(errno, std::generic_category())).c_str());
            }
            ++total;
            if (!tracker.ok) {
                ++failed;
                std::fputs("\a", stderr);  // the installer looks at the trackers, not the screen
                std::fflush(stderr);
            }
        };
        FleetWatch watcher(plan, {false, named}, static_cast<int>(jobs), std::move(events));
        std::fprintf(stderr, "Подключайте трекеры; Ctrl+C — закончить\n");
        std::fflush(stderr);
        watcher.Start();
        interrupts.Await();
        std::fprintf(stderr, "Завершение: ждём трекеры, которые уже настраиваются\n");
        std::fflush(stderr);
        watcher.Stop();
        if (failed == 0) return Outcome::Success();
        return Outcome::DeviceFailed("Не настроено трекеров: " + std::to_string(failed) + " из " +
                                     std::to_string(total));
    }

    Outcome FindTrackers() {
        const SystemView& system = HostSystem();
        for (const ProbeResult& r : ProbePorts(system, CandidatePorts(system, {false, also}))) {
            if (r.state == ProbeState::kTracker) ports.push_back(r.port);
        }
        if (ports.empty()) return Outcome::DeviceFailed("Не найдено ни одного трекера");
        return Outcome::Success();
    }

    std::string profileFile;
    std::string devicesFile;
    std::vector<std::string> ports;
    std::vector<std::string> also;
    size_t jobs = 0;
    std::string reportFile;
    bool watch = false;
    ProvisionPlan plan;
};

const CommandRegistration kProvisionRegistered(38, [] { return std::make_unique<ProvisionCommand>(); });

}  // namespace
}  // namespace zort::cli
